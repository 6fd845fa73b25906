#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "converter/core/runner.h"

namespace dorv {
namespace {

// Two jobs, each of which may fail, run side by side or in order: the error
// seen is always the one the in-order run gives, and only the in-order run
// leaves the second job out once the first has failed.
struct BesideCase {
  const char* Name;
  bool Beside;
  bool FirstFails, SecondFails;
  const char* Error;  // nullptr: none
  bool SecondRuns;
};

class RunBesideTest : public ::testing::TestWithParam<BesideCase> {};

TEST_P(RunBesideTest, ReportsTheErrorOfTheInOrderRun) {
  const BesideCase& c = GetParam();
  std::atomic<bool> firstRan{false}, secondRan{false};
  std::string error;
  try {
    TRunner().Beside(
        c.Beside,
        [&] {
          firstRan = true;
          if (c.FirstFails) throw std::runtime_error("first");
        },
        [&] {
          secondRan = true;
          if (c.SecondFails) throw std::runtime_error("second");
        });
  } catch (const std::exception& e) {
    error = e.what();
  }
  EXPECT_TRUE(firstRan);
  EXPECT_EQ(error, c.Error != nullptr ? c.Error : "");
  // Side by side the second job has started before the first fails, unless
  // threads are off.
  if (c.Beside && ThreadsOn()) EXPECT_TRUE(secondRan);
  else EXPECT_EQ(secondRan, c.SecondRuns);
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, RunBesideTest,
    ::testing::Values(BesideCase{"in_order_both_succeed", false, false, false, nullptr, true},
                      BesideCase{"in_order_first_fails", false, true, false, "first", false},
                      BesideCase{"in_order_second_fails", false, false, true, "second", true},
                      BesideCase{"in_order_both_fail", false, true, true, "first", false},
                      BesideCase{"beside_both_succeed", true, false, false, nullptr, true},
                      BesideCase{"beside_first_fails", true, true, false, "first", false},
                      BesideCase{"beside_second_fails", true, false, true, "second", true},
                      BesideCase{"beside_both_fail", true, true, true, "first", false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(RunBeside, UsesASecondThreadOnlyWhenAskedAndThreadsAreOn) {
  const std::thread::id here = std::this_thread::get_id();
  std::thread::id where;
  TRunner().Beside(false, [] {}, [&] { where = std::this_thread::get_id(); });
  EXPECT_EQ(where, here);
  TRunner().Beside(true, [] {}, [&] { where = std::this_thread::get_id(); });
  EXPECT_EQ(where == here, !ThreadsOn());
}

TEST(SecondThread, RunsNothingWhenThreadsAreOffAndHandsBackTheJobsError) {
  TSecondThread t;
  const bool started = TRunner().Start(t, [] { throw std::runtime_error("job"); });
  EXPECT_EQ(started, ThreadsOn());
  const std::exception_ptr error = t.Join();
  EXPECT_EQ(error != nullptr, started);
  EXPECT_EQ(t.Join(), nullptr);  // handed back once
}

// A caller that turns threads off gets every job in order on its own
// thread, whatever the environment says.
TEST(Runner, CallerWithoutThreadsRunsEverythingInOrderHere) {
  const TRunner runner(false);
  EXPECT_FALSE(runner.ThreadsAllowed());
  EXPECT_EQ(TRunner().ThreadsAllowed(), ThreadsOn());
  const std::thread::id here = std::this_thread::get_id();
  std::thread::id where;
  runner.Beside(true, [] {}, [&] { where = std::this_thread::get_id(); });
  EXPECT_EQ(where, here);
  int bands = 0;
  runner.Bands(100, uint64_t{64} << 20, [&](int band, int32_t first, int32_t last) {
    ++bands;
    EXPECT_EQ(band, 0);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 100);
  });
  EXPECT_EQ(bands, 1);
  TSecondThread t;
  EXPECT_FALSE(runner.Start(t, [] {}));
}

// Whether work is worth a thread depends on its size alone: with threads
// off the same way is taken, so the same bytes are written.
TEST(Runner, WorthDependsOnSizeAlone) {
  EXPECT_FALSE(TRunner::Worth(kWorthAThreadBytes - 1));
  EXPECT_TRUE(TRunner::Worth(kWorthAThreadBytes));
  EXPECT_EQ(TRunner(false).Worth(kWorthAThreadBytes), TRunner(true).Worth(kWorthAThreadBytes));
}

TEST(Threads, AreOffExactlyWhenTheEnvironmentSaysOne) {
  const char* value = std::getenv("DORV_THREADS");
  EXPECT_EQ(ThreadsOn(), value == nullptr || std::string(value) != "1");
}

// Every row is worked exactly once, by one band, whatever the size.
struct BandsCase {
  const char* Name;
  int32_t Height;
  uint64_t Bytes;
  bool TwoBands;  // when threads are on
};

class RowBandsTest : public ::testing::TestWithParam<BandsCase> {};

TEST_P(RowBandsTest, WorkEveryRowOnce) {
  const BandsCase& c = GetParam();
  std::vector<int> worked(static_cast<size_t>(c.Height), 0);
  std::atomic<int> bands{0}, lowerBands{0};
  TRunner().Bands(c.Height, c.Bytes, [&](int band, int32_t first, int32_t last) {
    ++bands;
    if (band == 1) ++lowerBands;
    for (int32_t y = first; y < last; ++y) ++worked[static_cast<size_t>(y)];
  });
  for (int32_t y = 0; y < c.Height; ++y) ASSERT_EQ(worked[static_cast<size_t>(y)], 1) << "row " << y;
  const bool two = c.TwoBands && ThreadsOn();
  EXPECT_EQ(bands, two ? 2 : 1);
  EXPECT_EQ(lowerBands, two ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Pictures, RowBandsTest,
                         ::testing::Values(BandsCase{"small", 100, kWorthAThreadBytes - 1, false},
                                           BandsCase{"large_odd_height", 101, kWorthAThreadBytes, true},
                                           BandsCase{"large_one_row", 1, uint64_t{64} << 20, false},
                                           BandsCase{"large_two_rows", 2, uint64_t{64} << 20, true},
                                           BandsCase{"empty", 0, uint64_t{64} << 20, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace dorv

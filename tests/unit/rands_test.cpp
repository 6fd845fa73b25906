// The seeded scrambler against the plain pool-removal rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

#include "converter/core/errors.h"
#include "converter/rands/rands.h"

namespace dorv {
namespace {

// The rule as stated: an ordered pool, entry state mod size taken out.
std::vector<int32_t> NaiveDraws(uint32_t seed, int32_t count, uint32_t state = 0) {
  std::vector<int32_t> pool(static_cast<size_t>(std::max(count, 0)));
  std::iota(pool.begin(), pool.end(), 0);
  std::vector<int32_t> out;
  while (!pool.empty()) {
    state = 5u * state + seed;
    const size_t i = state % static_cast<uint32_t>(pool.size());
    out.push_back(pool[i]);
    pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(i));
  }
  return out;
}

const uint32_t kSeeds[] = {0,          1,          2,          5,          0x41424344u, 0x7FFFFFFFu,
                           0x80000000u, 0xFFFFFFFFu, 0xDEADBEEFu, 0x30303030u, 12345u,      0x00010000u};
const int32_t kCounts[] = {1,   2,   3,   7,    31,   32,   33,   63,   64,  65,   100,
                           511, 512, 513, 1000, 1023, 1024, 1025, 4095, 4097};

class ScramblerTest : public ::testing::TestWithParam<std::tuple<uint32_t, int32_t>> {};

TEST_P(ScramblerTest, DrawsEqualThePoolRemovalRule) {
  const auto [seed, count] = GetParam();
  const std::vector<int32_t> got = SeededPermutation(seed, count);
  EXPECT_EQ(got, NaiveDraws(seed, count));
  if (seed == 0) {
    std::vector<int32_t> identity(static_cast<size_t>(count));
    std::iota(identity.begin(), identity.end(), 0);
    EXPECT_EQ(got, identity);
  }
}

INSTANTIATE_TEST_SUITE_P(SeedsAndCounts, ScramblerTest,
                         ::testing::Combine(::testing::ValuesIn(kSeeds), ::testing::ValuesIn(kCounts)));

TEST(Scrambler, ResetOfOneAlwaysGivesZero) {
  for (uint32_t seed : kSeeds) {
    TSeededRandom r(seed);
    for (int round = 0; round < 5; ++round) {  // whatever the state has become
      r.Reset(1);
      EXPECT_EQ(r.Next(), 0) << seed;
      EXPECT_EQ(r.Remaining(), 0);
    }
  }
}

TEST(Scrambler, ResetKeepsTheStateAcrossPools) {
  // Two pools drawn from one generator: the second continues the state.
  const uint32_t seed = 0x44525631u;
  TSeededRandom r(seed);
  r.Reset(50);
  for (int i = 0; i < 50; ++i) (void)r.Next();
  r.Reset(40);
  std::vector<int32_t> second;
  for (int i = 0; i < 40; ++i) second.push_back(r.Next());
  uint32_t state = 0;
  for (int i = 0; i < 50; ++i) state = 5u * state + seed;
  EXPECT_EQ(second, NaiveDraws(seed, 40, state));
}

TEST(Scrambler, PartialDrawsAndEmptyPools) {
  TSeededRandom r(0x1234u);
  r.Reset(20);
  const std::vector<int32_t> all = NaiveDraws(0x1234u, 20);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(r.Next(), all[static_cast<size_t>(i)]);
  EXPECT_EQ(r.Remaining(), 13);

  r.Reset(0);
  EXPECT_THROW(r.Next(), EListError);
  r.Reset(-5);
  EXPECT_EQ(r.Remaining(), 0);
  EXPECT_TRUE(SeededPermutation(7, 0).empty());
  EXPECT_TRUE(SeededPermutation(7, -1).empty());
}

TEST(Scrambler, LargePoolsFollowTheRuleToo) {
  for (uint32_t seed : {0x5A5A1234u, 0xFFFFFFFBu}) EXPECT_EQ(SeededPermutation(seed, 20000), NaiveDraws(seed, 20000));
  std::vector<int32_t> got = SeededPermutation(0x41424344u, 300000);
  std::sort(got.begin(), got.end());
  for (int32_t i = 0; i < 300000; ++i) ASSERT_EQ(got[static_cast<size_t>(i)], i);
}

}  // namespace
}  // namespace dorv

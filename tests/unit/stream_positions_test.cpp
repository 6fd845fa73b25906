// In-memory streams keep positions past 4 GiB as they are: in a 32-bit
// process such a seek once wrapped around into the stream's own bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "converter/core/errors.h"
#include "converter/streams/stream.h"

namespace dorv {
namespace {

const std::vector<uint8_t> kBytes{1, 2, 3, 4, 5, 6, 7, 8};

struct FarSeek {
  const char* name;
  int64_t offset;
  SeekOrigin origin;
};

const FarSeek kFarSeeks[] = {
    {"four_gib", int64_t{1} << 32, SeekOrigin::Begin},
    {"four_gib_and_four", (int64_t{1} << 32) + 4, SeekOrigin::Begin},
    {"from_the_end", (int64_t{1} << 32) - 4, SeekOrigin::End},
    {"from_here", (int64_t{1} << 33) + 1, SeekOrigin::Current},
};

std::unique_ptr<TStream> MakeStream(bool span) {
  if (span) return std::make_unique<TSpanStream>(kBytes.data(), kBytes.size());
  return std::make_unique<TMemoryStream>(kBytes);
}

class StreamPastFourGiB : public ::testing::TestWithParam<std::tuple<FarSeek, bool>> {};

TEST_P(StreamPastFourGiB, ReadsNothingThere) {
  const auto& [seek, span] = GetParam();
  auto s = MakeStream(span);
  const int64_t base = seek.origin == SeekOrigin::End ? 8 : 0;
  EXPECT_EQ(s->Seek(seek.offset, seek.origin), base + seek.offset);
  EXPECT_LT(s->Remaining(), 0);
  uint8_t got[4] = {};
  EXPECT_EQ(s->Read(got, sizeof got), 0u);
  EXPECT_THROW(s->ReadInt32(), EReadError);
  s->SetPosition(6);
  EXPECT_EQ(s->Read(got, sizeof got), 2u);
  EXPECT_EQ(got[0], 7);
}

INSTANTIATE_TEST_SUITE_P(Seeks, StreamPastFourGiB,
                         ::testing::Combine(::testing::ValuesIn(kFarSeeks), ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "_span" : "_memory");
                         });

// A write there cannot be held by this process's memory: refused, not
// made at a wrapped position.
TEST(StreamPastFourGiB, MemoryStreamRefusesAWriteThereIn32Bits) {
  if (sizeof(size_t) > 4) GTEST_SKIP() << "a 64-bit vector may be that large";
  TMemoryStream s(kBytes);
  s.SetPosition(int64_t{1} << 32);
  const uint8_t b = 9;
  EXPECT_THROW(s.Write(&b, 1), EOutOfMemory);
  EXPECT_EQ(s.Bytes(), kBytes);
}

}  // namespace
}  // namespace dorv

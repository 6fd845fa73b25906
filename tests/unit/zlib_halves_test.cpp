// Large zlib streams coded in halves: standard streams that zlib itself
// reads, read back in halves only where they really are such streams.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "converter/core/errors.h"
#include "converter/streams/zlib_halves.h"
#include "converter/streams/zstreams.h"

namespace dorv {
namespace {

std::vector<uint8_t> ZlibInflate(std::span<const uint8_t> packed, size_t n) {
  std::vector<uint8_t> out(n + 1);
  uLongf made = static_cast<uLongf>(out.size());
  EXPECT_EQ(uncompress(out.data(), &made, packed.data(), static_cast<uLong>(packed.size())), Z_OK);
  out.resize(made);
  return out;
}

struct HalvesCase {
  const char* name;
  size_t size;
  uint8_t (*byte)(size_t i);
};

uint8_t Flat(size_t i) { return static_cast<uint8_t>(i / 100000); }
uint8_t Noise(size_t i) { return static_cast<uint8_t>((i * 2654435761u) >> 13); }
uint8_t Ramp(size_t i) { return static_cast<uint8_t>(i % 251 + (i >> 20)); }
// Runs that cross the middle: the second half could look back past it.
uint8_t Runs(size_t i) { return static_cast<uint8_t>(i / 3000000 == 0 ? 7 : i % 3); }

std::vector<uint8_t> Input(const HalvesCase& c) {
  std::vector<uint8_t> v(c.size);
  for (size_t i = 0; i < v.size(); ++i) v[i] = c.byte(i);
  return v;
}

class ZlibHalvesTest : public ::testing::TestWithParam<HalvesCase> {};

TEST_P(ZlibHalvesTest, ZlibReadsTheStreamAndTheHalvesReadTheSameBytes) {
  const std::vector<uint8_t> input = Input(GetParam());
  const TByteBlock packed = CompressBlock(input);
  EXPECT_EQ(ZlibInflate(packed.Bytes(), input.size()), input);
  std::vector<uint8_t> out(input.size(), 0xEE);
  EXPECT_EQ(InflateHalves(packed.Bytes(), out), HalvesAvailable());
  if (HalvesAvailable()) {
    EXPECT_EQ(out, input);
  }
  std::vector<uint8_t> again(input.size(), 0xEE);
  InflateExact(packed.Bytes(), again, true);
  EXPECT_EQ(again, input);
}

INSTANTIATE_TEST_SUITE_P(Inputs, ZlibHalvesTest,
                         ::testing::Values(HalvesCase{"flat_at_the_threshold", kHalvesBytes, Flat},
                                           HalvesCase{"noise_of_odd_size", kHalvesBytes + 12345, Noise},
                                           HalvesCase{"ramp", 9 << 20, Ramp},
                                           HalvesCase{"runs_across_the_middle", 6 << 20, Runs}),
                         [](const auto& info) { return std::string(info.param.name); });

// zlib's stream of the input, flushed (full or sync: an empty stored block)
// at the middle, or every 64 KiB, or not at all.
std::vector<uint8_t> ZlibStream(const std::vector<uint8_t>& input, int flush, size_t every) {
  z_stream z{};
  EXPECT_EQ(deflateInit(&z, 6), Z_OK);
  std::vector<uint8_t> out(compressBound(static_cast<uLong>(input.size())) + input.size() / 1000 + 64);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  z.next_in = const_cast<Bytef*>(input.data());
  for (size_t at = 0; at < input.size(); at += every) {
    z.avail_in = static_cast<uInt>(std::min(every, input.size() - at));
    const bool last = at + every >= input.size();
    EXPECT_EQ(deflate(&z, last ? Z_FINISH : flush), last ? Z_STREAM_END : Z_OK);
    EXPECT_EQ(z.avail_in, 0u);
  }
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// Streams that are not coded in halves, or are damaged: never read in
// halves, and read (or refused) as ever.
TEST(ZlibHalves, OtherStreamsAreReadAsEver) {
  const std::vector<uint8_t> input = Input(HalvesCase{"", 6 << 20, Runs});
  const size_t h = HalvesSplit(input.size());
  for (const auto& [flush, every] : std::vector<std::pair<int, size_t>>{
           {Z_NO_FLUSH, input.size()}, {Z_SYNC_FLUSH, h}, {Z_FULL_FLUSH, h}, {Z_SYNC_FLUSH, 65536}}) {
    SCOPED_TRACE(::testing::Message() << flush << " every " << every);
    const std::vector<uint8_t> packed = ZlibStream(input, flush, every);
    std::vector<uint8_t> out(input.size());
    EXPECT_FALSE(InflateHalves(packed, out));
    InflateExact(packed, out, true);
    EXPECT_EQ(out, input);
  }
  // Damage anywhere, at and around the seam too: reading in halves gives the
  // bytes, or the error, that reading the stream as ever gives.
  const TByteBlock packed = CompressBlock(input);
  const std::span<const uint8_t> bytes = packed.Bytes();
  static constexpr uint8_t kSeam[9] = {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0xFF};
  const auto seamAt = std::search(bytes.begin(), bytes.end(), std::begin(kSeam), std::end(kSeam));
  const size_t seam = static_cast<size_t>(seamAt - bytes.begin());
  if (HalvesAvailable()) {
    ASSERT_LT(seam, bytes.size());
  }
  for (size_t at : {packed.Size / 4, packed.Size * 3 / 4, packed.Size - 2, seam - 1, seam, seam + 2, seam + 4,
                    seam + 5, seam + 9, seam + 10}) {
    if (at >= packed.Size) continue;
    for (uint8_t flip : {uint8_t{0x55}, uint8_t{0x80}}) {
      SCOPED_TRACE(::testing::Message() << "byte " << at << " ^ " << int(flip));
      std::vector<uint8_t> damaged(bytes.begin(), bytes.end());
      damaged[at] ^= flip;
      std::vector<uint8_t> plain(input.size()), out(input.size());
      std::string asEver, inHalves;
      try {
        InflateExact(damaged, plain);
      } catch (const EZlibError& e) {
        asEver = e.what();
      }
      try {
        InflateExact(damaged, out, true);
      } catch (const EZlibError& e) {
        inHalves = e.what();
      }
      EXPECT_EQ(inHalves, asEver);
      if (asEver.empty()) {
        EXPECT_EQ(out, plain);
      }
    }
  }
  // A plane smaller than the stream's bytes, and one larger: not halves.
  std::vector<uint8_t> shorter(input.size() - 65536), longer(input.size() + 65536);
  EXPECT_FALSE(InflateHalves(packed.Bytes(), shorter));
  EXPECT_FALSE(InflateHalves(packed.Bytes(), longer));
}

}  // namespace
}  // namespace dorv

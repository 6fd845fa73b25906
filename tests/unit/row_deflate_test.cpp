// The row coder: every stream it makes is read back exactly by zlib itself,
// on flat, shifted, noisy and skewed rows, on one thread and on two; and the
// Huffman code lengths it sends are complete and within their limit.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdint>
#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "converter/streams/huffman_lengths.h"
#include "converter/streams/row_deflate.h"

namespace dorv {
namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Next(uint32_t& s) {
  s = s * 1664525u + 1013904223u;
  return s >> 8;
}

Bytes Noise(size_t n, uint8_t mask, uint8_t base = 0) {
  Bytes v(n);
  uint32_t s = 7;
  for (auto& b : v) b = static_cast<uint8_t>(base + (Next(s) & mask));
  return v;
}

// Flat tiles with discs, as pixel art and masks look.
Bytes Art(size_t width, size_t height) {
  Bytes v(width * height);
  for (size_t y = 0; y < height; ++y)
    for (size_t x = 0; x < width; ++x) {
      const long cx = static_cast<long>(x % 128) - 64, cy = static_cast<long>(y % 128) - 64;
      v[y * width + x] = cx * cx + cy * cy < 40 * 40 ? 200 : static_cast<uint8_t>(((x >> 5) ^ (y >> 6)) % 7);
    }
  return v;
}

// Each row is the one above moved right by one pixel.
Bytes Shifted(size_t width, size_t height) {
  Bytes v(width * height);
  for (size_t y = 0; y < height; ++y)
    for (size_t x = 0; x < width; ++x) v[y * width + x] = static_cast<uint8_t>(((x + width - y % width) / 9) * 37);
  return v;
}

// Symbol k appears as often as the k-th Fibonacci number, in shuffled order:
// a Huffman tree of these is deeper than deflate allows.
Bytes Skewed() {
  Bytes v;
  uint32_t a = 1, b = 1;
  for (uint8_t k = 0; k < 26; ++k) {
    v.insert(v.end(), a, static_cast<uint8_t>(k * 9));
    const uint32_t c = a + b;
    a = b, b = c;
  }
  uint32_t s = 99;
  for (size_t i = v.size() - 1; i > 0; --i) std::swap(v[i], v[Next(s) % (i + 1)]);
  return v;
}

Bytes Inflate(const TByteBlock& packed, size_t expected) {
  Bytes out(expected + 1);
  uLongf size = static_cast<uLongf>(out.size());
  const int rc = uncompress(out.data(), &size, packed.Data.get(), static_cast<uLong>(packed.Size));
  EXPECT_EQ(rc, Z_OK);
  out.resize(size);
  return out;
}

struct Case {
  std::string Name;
  std::function<Bytes()> Make;
  TRowShape Shape;
  bool TwoThreads;
  double MaxRatio;  // packed size / input size at most (ignored below 1 KB)
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.Name; }

class RowDeflateTest : public ::testing::TestWithParam<Case> {};

TEST_P(RowDeflateTest, ZlibReadsBackTheInputFromAStreamNoLargerThanExpected) {
  const Case& c = GetParam();
  const Bytes input = c.Make();
  const TByteBlock packed = RowDeflate(input, c.Shape, c.TwoThreads);
  ASSERT_GE(packed.Size, 6u);
  EXPECT_EQ(packed.Data[0], 0x78);
  EXPECT_EQ((packed.Data[0] * 256 + packed.Data[1]) % 31, 0);
  EXPECT_EQ(Inflate(packed, input.size()), input);
  if (input.size() >= 1024) {
    EXPECT_LE(static_cast<double>(packed.Size), c.MaxRatio * static_cast<double>(input.size()));
  }
  // No stream is much larger than the bytes stored as they are.
  EXPECT_LE(packed.Size, input.size() + 6 * (input.size() / 32768 + 8) + 6);
}

const size_t kWide = 40000;  // rows farther apart than deflate can reach

INSTANTIATE_TEST_SUITE_P(
    Inputs, RowDeflateTest,
    ::testing::Values(
        Case{"Empty", [] { return Bytes{}; }, {16, 1}, false, 1},
        Case{"OneByte", [] { return Bytes{42}; }, {16, 1}, false, 1},
        Case{"ShorterThanAMatch", [] { return Bytes{1, 1, 1}; }, {0, 1}, false, 1},
        Case{"OneLongRun", [] { return Bytes(100000, 9); }, {0, 1}, false, 0.01},
        Case{"FlatArt", [] { return Art(1000, 700); }, {1000, 1}, false, 0.03},
        Case{"RowsMovedAPixel", [] { return Shifted(999, 300); }, {999, 1}, false, 0.05},
        Case{"RgbPixels", [] { return Art(3 * 500, 400); }, {1500, 3}, false, 0.05},
        Case{"RowsOutOfReach", [] { return Art(kWide, 12); }, {kWide, 1}, false, 0.05},
        Case{"NoRowsAtAll", [] { return Art(1000, 300); }, {0, 1}, false, 0.05},
        Case{"UniformNoiseIsStored", [] { return Noise(200000, 0xFF); }, {1000, 1}, false, 1.001},
        Case{"SevenBitNoiseIsCoded", [] { return Noise(600000, 0x7F, 128); }, {1000, 1}, false, 0.89},
        Case{"SkewedSymbols", Skewed, {0, 1}, false, 0.5},
        Case{"TwoThreadsOnArt", [] { return Art(2048, 2500); }, {2048, 1}, true, 0.03},
        Case{"TwoThreadsOnNoise", [] { return Noise(5000000, 0x7F); }, {1000, 1}, true, 0.89},
        // The middle of the input falls inside a row of 3001 bytes.
        Case{"TwoThreadsOddRows", [] { return Shifted(3001, 1500); }, {3001, 1}, true, 0.05}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.Name; });

TEST(RowDeflate, MatchesReachIntoTheFirstHalfFromTheSecond) {
  // Every row repeats the first (noise), so the second half is all matches
  // into the first: coded on two threads it costs no more than on one.
  Bytes input(4096 * 2048);
  const Bytes row = Noise(4096, 0xFF);
  for (size_t y = 0; y < 2048; ++y) std::copy(row.begin(), row.end(), input.begin() + static_cast<long>(y * 4096));
  const TByteBlock one = RowDeflate(input, {4096, 1}, false);
  const TByteBlock two = RowDeflate(input, {4096, 1}, true);
  EXPECT_LT(one.Size, input.size() / 100);
  EXPECT_LE(two.Size, one.Size + 64);
  EXPECT_EQ(Inflate(two, input.size()), input);
}

struct LengthCase {
  std::string Name;
  std::vector<uint32_t> Freq;
  int MaxBits;
};

std::vector<uint32_t> Fibonacci(int n) {
  std::vector<uint32_t> f(static_cast<size_t>(n));
  for (size_t i = 0; i < f.size(); ++i) f[i] = i < 2 ? 1 : f[i - 1] + f[i - 2];
  return f;
}

void PrintTo(const LengthCase& c, std::ostream* os) { *os << c.Name; }

class HuffmanLengthsTest : public ::testing::TestWithParam<LengthCase> {};

TEST_P(HuffmanLengthsTest, CodeIsCompleteAndWithinItsLimit) {
  const LengthCase& c = GetParam();
  std::vector<uint8_t> len(c.Freq.size());
  HuffmanLengths(c.Freq.data(), static_cast<int>(c.Freq.size()), c.MaxBits, len.data());
  uint64_t kraft = 0;
  int used = 0;
  for (size_t s = 0; s < len.size(); ++s) {
    EXPECT_EQ(len[s] == 0, c.Freq[s] == 0) << "symbol " << s;
    EXPECT_LE(len[s], c.MaxBits);
    if (len[s] != 0) kraft += uint64_t{1} << (c.MaxBits - len[s]), ++used;
  }
  if (used >= 2) {
    EXPECT_EQ(kraft, uint64_t{1} << c.MaxBits);
  } else if (used == 1) {
    EXPECT_EQ(*std::max_element(len.begin(), len.end()), 1);
  }
  // A rarer symbol never gets a shorter code than a more frequent one.
  for (size_t a = 0; a < len.size(); ++a)
    for (size_t b = 0; b < len.size(); ++b)
      if (c.Freq[a] != 0 && c.Freq[b] != 0 && c.Freq[a] < c.Freq[b]) {
        EXPECT_GE(len[a], len[b]) << a << " " << b;
      }
}

INSTANTIATE_TEST_SUITE_P(Frequencies, HuffmanLengthsTest,
                         ::testing::Values(LengthCase{"None", std::vector<uint32_t>(30, 0), 15},
                                           LengthCase{"One", {0, 0, 5, 0}, 15},
                                           LengthCase{"Two", {3, 0, 0, 1000000}, 15},
                                           LengthCase{"Uniform", std::vector<uint32_t>(286, 7), 15},
                                           LengthCase{"FibonacciLimited", Fibonacci(30), 15},
                                           LengthCase{"FibonacciLengthCode", Fibonacci(19), 7},
                                           LengthCase{"FibonacciUnlimited", Fibonacci(12), 15}),
                         [](const ::testing::TestParamInfo<LengthCase>& info) { return info.param.Name; });

}  // namespace
}  // namespace dorv

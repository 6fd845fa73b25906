// Drawing operations: fills, copies, keys, blends, alpha, clipping and the
// drawing across depths.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "converter/core/errors.h"
#include "converter/dibsfc/dibsfc.h"

namespace dorv {
namespace {

// A surface of one value.
struct Filled : TDIBSurface {
  Filled(int32_t w, int32_t h, int32_t depth, uint32_t value) {
    Allocate(w, h, depth);
    FillRect(BoundsRect(), value);
  }
};

void FillRandom(TDIBSurface& s, uint32_t seed) {
  std::mt19937 rng(seed);
  uint8_t* p = s.TopRow();
  for (uint64_t i = 0; i < s.SizeBytes(); ++i) p[i] = static_cast<uint8_t>(rng());
}

// --- Constant-opacity blending of direct colours ---------------------------

struct BlendCase {
  const char* name;
  int32_t depth, opacity;
  uint32_t src, dst, expected;
};
class BlendTable : public testing::TestWithParam<BlendCase> {};

TEST_P(BlendTable, OnePixel) {
  const auto c = GetParam();
  Filled src(1, 1, c.depth, c.src);
  Filled dst(1, 1, c.depth, c.dst);
  dst.DrawBlended(0, 0, c.opacity, -1, src.BoundsRect(), src);
  EXPECT_EQ(dst.ReadPixel(0, 0), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Surface, BlendTable,
    testing::Values(
        // 24 bits divide by 255: 255 * 128 / 255 = 128.
        BlendCase{"24 white over black", 24, 128, 0xFFFFFF, 0x000000, 0x808080},
        // 32 bits shift by 8: 32640 >> 8 = 127, and the fourth byte becomes 0.
        BlendCase{"32 white over black", 32, 128, 0xFFFFFFFF, 0xFF000000, 0x007F7F7F},
        BlendCase{"32 black over white", 32, 128, 0x00000000, 0x00FFFFFF, 0x007E7E7E},
        BlendCase{"24 truncates", 24, 1, 0xFFFFFF, 0x000000, 0x010101},
        BlendCase{"24 opacity 254 of black", 24, 254, 0x000000, 0xFFFFFF, 0x010101},
        BlendCase{"24 channels apart", 24, 100, 0x0000FF, 0xFF0000, 0x9B0064},
        BlendCase{"32 channels apart", 32, 100, 0x000000FF, 0x00FF0000, 0x009A0063},
        // 5-6-5: per mask, ((d & M) * 127 + (s & M) * 128) / 255 & M.
        BlendCase{"565 white over black", 16, 128, 0xFFFF, 0x0000, 0x7BEF},
        BlendCase{"555 white over black", 15, 128, 0x7FFF, 0x0000, 0x3DEF},
        BlendCase{"opacity 255 copies", 32, 255, 0xAB123456, 0, 0xAB123456},
        BlendCase{"negative opacity copies", 24, -1, 0x123456, 0, 0x123456},
        BlendCase{"opacity 0 leaves", 24, 0, 0x123456, 0x654321, 0x654321}));

// The row kernels work many pixels at a time; every source and destination
// channel combination must give the per-pixel formula, at every depth, with
// and without a key. Opacity 255 is the keyed copy.
constexpr uint8_t kThresholds[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// One destination pixel after DrawBlended(opacity, key) of source pixel s
// over d at destination position (x, y), stated per pixel.
uint32_t BlendedPixel(int32_t depth, const TPixelLayout& l, int32_t o, int64_t key, uint32_t s, uint32_t d,
                      int32_t x, int32_t y) {
  if (key >= 0 && s == static_cast<uint32_t>(key)) return d;
  if (depth <= 8) {
    const int32_t level = o / 16;
    return o >= 255 || level >= 15 || kThresholds[y & 3][x & 3] <= level ? s : d;
  }
  if (o >= 255) return s;
  const uint32_t io = 255 - uint32_t(o), uo = uint32_t(o);
  uint32_t v = 0;
  if (depth == 15 || depth == 16) {
    for (uint32_t m : {l.RMask, l.GMask, l.BMask}) v |= (((d & m) * io + (s & m) * uo) / 255) & m;
  } else if (depth == 24) {
    for (int sh = 0; sh < 24; sh += 8) v |= ((((d >> sh) & 255) * io + ((s >> sh) & 255) * uo) / 255) << sh;
  } else {
    v = ((((d & 0xFF00FF) * io + (s & 0xFF00FF) * uo) >> 8) & 0xFF00FF) |
        ((((d & 0xFF00) * io + (s & 0xFF00) * uo) >> 8) & 0xFF00);
  }
  return v;
}

// Row y of the source holds channel value y in every channel (masked to the
// channel), column x of the destination channel value x & 255 (green and red
// running the other way): every pair of channel values meets. At 15 and 16
// bits the rows run to 63 (the widest channel), at 1 and 4 bits to 15.
struct BlendGrid {
  int32_t depth, width, height;
};

uint32_t ChannelPixel(int32_t depth, const TPixelLayout& l, uint32_t c, bool reversed) {
  if (depth <= 8) return c & ((1u << depth) - 1);
  const uint32_t rmax = (1u << l.RBits) - 1, gmax = (1u << l.GBits) - 1, bmax = (1u << l.BBits) - 1;
  const uint32_t r = (reversed ? 255 - c : c) & rmax, g = (reversed ? 255 - c : c) & gmax, b = c & bmax;
  return (r << (l.GBits + l.BBits)) | (g << l.BBits) | b;
}

class BlendKernels : public testing::TestWithParam<int32_t> {};

TEST_P(BlendKernels, MatchTheFormulaForEveryByteCombination) {
  const int32_t o = GetParam();
  // Widths leave a remainder after any multiple of 4 or 16.
  for (const BlendGrid g : {BlendGrid{1, 67, 16}, BlendGrid{4, 67, 16}, BlendGrid{8, 259, 256}, BlendGrid{15, 67, 64},
                            BlendGrid{16, 67, 64}, BlendGrid{24, 259, 256}, BlendGrid{32, 259, 256}}) {
    const int32_t depth = g.depth;
    TDIBSurface src, dst;
    src.Allocate(g.width, g.height, depth);
    dst.Allocate(g.width, g.height, depth);
    const TPixelLayout& l = dst.CurrentLayout();
    for (int32_t y = 0; y < g.height; ++y)
      for (int32_t x = 0; x < g.width; ++x) {
        uint32_t s = ChannelPixel(depth, l, uint32_t(y), false), d = ChannelPixel(depth, l, uint32_t(x & 255), true);
        if (depth == 15 && (x & 1)) d |= 0x8000;  // the unused top bit is dropped by the blend
        if (depth == 32) s |= 0x40000000u, d |= 0x30000000u;
        src.WritePixel(x, y, s);
        dst.WritePixel(x, y, d);
      }
    // No key; the pixel value of source row 5 (at 32 bits its fourth byte
    // counts); at 32 bits also a key that matches only the colour bytes.
    std::vector<int64_t> keys = {-1, src.ReadPixel(0, 5)};
    if (depth == 32) keys.push_back(src.ReadPixel(0, 7) & 0xFFFFFF);
    for (const int64_t key : keys) {
      TDIBSurface drawn;
      drawn.AssignSurface(dst);
      drawn.DrawBlended(0, 0, o, static_cast<int32_t>(key), src.BoundsRect(), src);
      for (int32_t y = 0; y < g.height; ++y)
        for (int32_t x = 0; x < g.width; ++x) {
          const uint32_t want = BlendedPixel(depth, l, o, key, src.ReadPixel(x, y), dst.ReadPixel(x, y), x, y);
          ASSERT_EQ(drawn.ReadPixel(x, y), want) << depth << " bits, key " << key << ", at " << x << "," << y;
        }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Surface, BlendKernels, testing::Values(1, 77, 128, 200, 254, 255));

TEST(BlendKeys, KeyedPixelsAreLeftAtEveryDirectDepth) {
  for (int32_t depth : {16, 24, 32}) {
    TDIBSurface src;
    src.Allocate(5, 1, depth);
    src.FillRect(src.BoundsRect(), 0x00FFFF);
    src.WritePixel(1, 0, 0x1234);  // the key
    src.WritePixel(3, 0, 0x1234);
    Filled dst(5, 1, depth, 0);
    dst.DrawBlended(0, 0, 128, 0x1234, src.BoundsRect(), src);
    EXPECT_EQ(dst.ReadPixel(1, 0), 0u) << depth;
    EXPECT_EQ(dst.ReadPixel(3, 0), 0u) << depth;
    EXPECT_NE(dst.ReadPixel(0, 0), 0u) << depth;
    EXPECT_NE(dst.ReadPixel(4, 0), 0u) << depth;
  }
  // The 32-bit key compares the whole word, fourth byte included.
  Filled src(1, 1, 32, 0x01000000);
  Filled dst(1, 1, 32, 0x00FFFFFF);
  dst.DrawBlended(0, 0, 128, 0, src.BoundsRect(), src);
  EXPECT_EQ(dst.ReadPixel(0, 0), 0x007E7E7Eu);  // 255 * 127 >> 8
}

// --- Dithered opacity on palette surfaces ----------------------------------

// Expected drawn cells of a 4x4 block, rows by destination y mod 4.
const char* const kLevel8[4] = {"XXX.", ".X.X", "X.X.", ".X.X"};
const char* const kLevel0[4] = {"X...", "....", "....", "...."};

struct DitherCase {
  const char* name;
  int32_t depth, opacity, dstX, dstY;
  const char* const* pattern;  // null: every pixel drawn
};
class DitherTable : public testing::TestWithParam<DitherCase> {};

TEST_P(DitherTable, ThePatternIsAnchoredToTheDestination) {
  const auto c = GetParam();
  const uint32_t ink = c.depth == 1 ? 1 : 3;
  Filled src(11, 9, c.depth, ink);
  Filled dst(20, 16, c.depth, 0);
  // A source rectangle that does not start at a multiple of 4 either.
  const TRect part{1, 2, 11, 9};
  dst.DrawBlended(c.dstX, c.dstY, c.opacity, -1, part, src);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 20; ++x) {
      const bool inside = x >= c.dstX && x < c.dstX + 10 && y >= c.dstY && y < c.dstY + 7;
      const bool drawn = inside && (c.pattern == nullptr || c.pattern[y & 3][x & 3] == 'X');
      ASSERT_EQ(dst.ReadPixel(x, y), drawn ? ink : 0u) << c.name << " at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Surface, DitherTable,
    testing::Values(DitherCase{"8 bits level 8", 8, 128, 3, 5, kLevel8},
                    DitherCase{"8 bits level 8 at origin", 8, 128, 0, 0, kLevel8},
                    DitherCase{"4 bits level 8 odd offset", 4, 135, 5, 1, kLevel8},
                    DitherCase{"1 bit level 8", 1, 143, 7, 3, kLevel8},
                    DitherCase{"8 bits opacity 15 is level 0", 8, 15, 2, 2, kLevel0},
                    DitherCase{"8 bits opacity 1 is level 0", 8, 1, 6, 1, kLevel0},
                    DitherCase{"8 bits 240 draws all", 8, 240, 1, 1, nullptr},
                    DitherCase{"4 bits 254 draws all", 4, 254, 3, 0, nullptr}));

TEST(DitherTable, KeyedPixelsStayOutOfThePattern) {
  Filled src(4, 1, 8, 7);
  src.WritePixel(0, 0, 9);
  Filled dst(4, 1, 8, 0);
  dst.DrawBlended(0, 0, 128, 9, src.BoundsRect(), src);
  EXPECT_EQ(dst.ReadPixel(0, 0), 0u);  // the key
  EXPECT_EQ(dst.ReadPixel(1, 0), 7u);
  EXPECT_EQ(dst.ReadPixel(3, 0), 0u);  // threshold 10 > level 8
}

// --- Per-pixel alpha ------------------------------------------------------

struct AlphaCase {
  const char* name;
  int32_t depth, opacity;
  uint8_t alpha;
  uint32_t src, dst, expected;
};
class AlphaTable : public testing::TestWithParam<AlphaCase> {};

TEST_P(AlphaTable, OnePixel) {
  const auto c = GetParam();
  Filled src(1, 1, c.depth, c.src);
  src.EnsureAlpha();
  src.AlphaPlane()->FillRect(src.BoundsRect(), c.alpha);
  Filled dst(1, 1, c.depth, c.dst);
  dst.DrawWithAlpha(0, 0, c.opacity, src.BoundsRect(), src);
  EXPECT_EQ(dst.ReadPixel(0, 0), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Surface, AlphaTable,
    testing::Values(AlphaCase{"24 half", 24, 255, 128, 0xFFFFFF, 0, 0x7F7F7F},
                    AlphaCase{"24 alpha 0 leaves", 24, 255, 0, 0xFFFFFF, 0x123456, 0x123456},
                    AlphaCase{"24 alpha 255 copies", 24, 255, 255, 0xABCDEF, 0, 0xABCDEF},
                    AlphaCase{"24 opacity 254 alpha 1", 24, 254, 1, 0xFFFFFF, 0, 0},
                    // d = 255 * 254 >> 8 = 253: no copy at 255 below full opacity.
                    AlphaCase{"24 opacity 254 alpha 255", 24, 254, 255, 0xFFFFFF, 0, 0xFCFCFC},
                    AlphaCase{"24 opacity 128 alpha 255", 24, 128, 255, 0xFFFFFF, 0, 0x7E7E7E},
                    AlphaCase{"32 half", 32, 255, 128, 0xFFFFFFFF, 0xFF000000, 0x007F7F7F},
                    AlphaCase{"32 alpha 255 copies the word", 32, 255, 255, 0x80FFFFFF, 0, 0x80FFFFFF},
                    AlphaCase{"32 alpha 0 leaves", 32, 255, 0, 0x80FFFFFF, 0x11223344, 0x11223344},
                    AlphaCase{"565 half", 16, 255, 128, 0xFFFF, 0, 0x7BEF},
                    AlphaCase{"565 full", 16, 255, 255, 0xFFFF, 0, 0xFFFF},
                    AlphaCase{"8 at 128 copies", 8, 255, 128, 200, 1, 200},
                    AlphaCase{"8 at 127 leaves", 8, 255, 127, 200, 1, 1},
                    AlphaCase{"4 at 200 copies", 4, 255, 200, 9, 1, 9},
                    AlphaCase{"1 at 100 leaves", 1, 255, 100, 1, 0, 0}));

TEST(AlphaTable, TheAlphaByteComesFromTheSourcePosition) {
  // A 24-bit row wide enough for the row kernels, drawn from an offset.
  Filled src(40, 3, 24, 0xFFFFFF);
  src.EnsureAlpha();
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 40; ++x) src.AlphaPlane()->WritePixel(x, y, uint32_t(x * 6));
  Filled dst(40, 3, 24, 0);
  dst.DrawWithAlpha(2, 0, 255, TRect{5, 1, 40, 3}, src);
  for (int32_t x = 2; x < 37; ++x) {
    const uint32_t a = uint32_t((x + 3) * 6), v = a == 255 ? 255 : (255 * a) >> 8;
    EXPECT_EQ(dst.ReadPixel(x, 0), v | v << 8 | v << 16) << x;
  }
  EXPECT_EQ(dst.ReadPixel(1, 0), 0u);
  EXPECT_EQ(dst.ReadPixel(2, 2), 0u);  // only two rows drawn
}

// Random rows with every alpha byte, against the per-pixel formulas.
class AlphaKernels : public testing::TestWithParam<int32_t> {};

TEST_P(AlphaKernels, MatchTheFormulaForRandomRows) {
  const int32_t opacity = GetParam();
  for (int32_t depth : {16, 24, 32}) {
    TDIBSurface src, dst;
    src.Allocate(263, 4, depth);
    dst.Allocate(263, 4, depth);
    FillRandom(src, 11);
    FillRandom(dst, 12);
    src.EnsureAlpha();
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 263; ++x) src.AlphaPlane()->WritePixel(x, y, uint32_t((x + 64 * y) & 255));
    TDIBSurface before;
    before.AssignSurface(dst);
    dst.DrawWithAlpha(0, 0, opacity, src.BoundsRect(), src);
    const TPixelLayout& l = dst.CurrentLayout();
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 263; ++x) {
        const uint32_t a = src.AlphaPlane()->ReadPixel(x, y), s = src.ReadPixel(x, y), d = before.ReadPixel(x, y);
        uint32_t expected = 0;
        if (depth == 16) {
          expected = a == 0 ? d : a == 255 ? s : 0;
          if (a != 0 && a != 255)
            for (uint32_t m : {l.RMask, l.GMask, l.BMask}) expected |= (((d & m) * (255 - a) + (s & m) * a) >> 8) & m;
        } else if (depth == 24) {
          const bool full = opacity >= 255;
          const uint32_t w = full ? a : (a * uint32_t(opacity)) >> 8;
          if (w == 0 || (full && w == 255)) {
            expected = w == 0 ? d : s;
          } else {
            for (int sh = 0; sh < 24; sh += 8)
              expected |= ((((d >> sh) & 255) * (255 - w) + ((s >> sh) & 255) * w) >> 8) << sh;
          }
        } else {
          expected = a == 0 ? d : a == 255 ? s
                                           : (((((d & 0xFF00FF) * (255 - a) + (s & 0xFF00FF) * a) >> 8) & 0xFF00FF) |
                                              ((((d & 0xFF00) * (255 - a) + (s & 0xFF00) * a) >> 8) & 0xFF00));
        }
        ASSERT_EQ(dst.ReadPixel(x, y), expected) << depth << " bits at " << x << "," << y;
      }
  }
}

INSTANTIATE_TEST_SUITE_P(Surface, AlphaKernels, testing::Values(255, 254, 128, 1));

TEST(AlphaTable, WithoutAlphaPlaneItIsAnUnkeyedBlend) {
  Filled src(1, 1, 24, 0xFFFFFF);
  Filled dst(1, 1, 24, 0);
  dst.DrawWithAlpha(0, 0, 128, src.BoundsRect(), src);
  EXPECT_EQ(dst.ReadPixel(0, 0), 0x808080u);
}

// --- Keys, copies, fills ---------------------------------------------------

TEST(DrawKeyed, NegativeKeyCopiesEveryPixelAndKeyZeroOnOneBitDrawsTheOnes) {
  for (int32_t depth : {1, 4, 8, 16, 24, 32}) {
    TDIBSurface src;
    src.Allocate(13, 2, depth);
    FillRandom(src, 5);
    Filled dst(13, 2, depth, 0);
    dst.DrawKeyed(0, 0, -1, src.BoundsRect(), src);
    for (int32_t x = 0; x < 13; ++x) EXPECT_EQ(dst.ReadPixel(x, 1), src.ReadPixel(x, 1)) << depth;
  }
  Filled src(8, 1, 1, 0);
  src.WritePixel(2, 0, 1);
  Filled dst(8, 1, 1, 0);
  dst.FillRect(TRect{4, 0, 8, 1}, 1);
  dst.DrawKeyed(0, 0, 0, src.BoundsRect(), src);
  EXPECT_EQ(dst.RowReadOnly(0)[0], 0x2F);  // bit 2 drawn, the 0s left out
}

TEST(DrawKeyed, AKeyAboveThePixelRangeMatchesNothing) {
  Filled src(2, 1, 8, 0x34);
  Filled dst(2, 1, 8, 0);
  dst.DrawKeyed(0, 0, 0x1234, src.BoundsRect(), src);  // not 0x34
  EXPECT_EQ(dst.ReadPixel(1, 0), 0x34u);
}

// Sub-byte rows at every combination of odd and even bit offsets.
struct SubByteCase {
  int32_t depth, srcX, dstX, count;
};
class SubByteCopy : public testing::TestWithParam<SubByteCase> {};

TEST_P(SubByteCopy, CopiesExactlyTheRangeAtAnyOffset) {
  const auto c = GetParam();
  TDIBSurface src;
  src.Allocate(40, 2, c.depth);
  FillRandom(src, uint32_t(c.srcX * 31 + c.dstX));
  for (int op = 0; op < 3; ++op) {
    TDIBSurface dst;
    dst.Allocate(40, 2, c.depth);
    FillRandom(dst, 77);
    TDIBSurface before;
    before.AssignSurface(dst);
    const TRect s{c.srcX, 0, c.srcX + c.count, 2};
    if (op == 0) dst.CopyRect(c.dstX, 0, s, src);
    if (op == 1) dst.DrawKeyed(c.dstX, 0, -1, s, src);
    if (op == 2) dst.DrawKeyed(c.dstX, 0, 1, s, src);  // keyed path, pixel by pixel
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t x = 0; x < 40; ++x) {
        const bool inside = x >= c.dstX && x < c.dstX + c.count;
        uint32_t expected = before.ReadPixel(x, y);
        if (inside) {
          const uint32_t v = src.ReadPixel(x - c.dstX + c.srcX, y);
          if (op != 2 || v != 1) expected = v;
        }
        ASSERT_EQ(dst.ReadPixel(x, y), expected) << "op " << op << " x " << x;
      }
    // The row padding is untouched.
    const size_t used = size_t(40 * c.depth + 7) / 8;
    EXPECT_EQ(std::memcmp(dst.RowReadOnly(0) + used, before.RowReadOnly(0) + used, size_t(dst.RowBytes()) - used), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Surface, SubByteCopy,
                         testing::Values(SubByteCase{1, 3, 5, 20}, SubByteCase{1, 3, 11, 21},
                                         SubByteCase{1, 0, 7, 17}, SubByteCase{1, 5, 0, 9},
                                         SubByteCase{1, 1, 1, 30}, SubByteCase{4, 1, 2, 13},
                                         SubByteCase{4, 3, 5, 20}, SubByteCase{4, 0, 1, 1},
                                         SubByteCase{4, 2, 2, 31}));

struct FillCase {
  int32_t depth;
  TRect rect;
  uint32_t value, stored;
};
class FillTable : public testing::TestWithParam<FillCase> {};

TEST_P(FillTable, FillsTheClampedRectangleOnly) {
  const auto c = GetParam();
  TDIBSurface s;
  s.Allocate(13, 10, c.depth);
  const TRect r{std::max(c.rect.Left, 0), std::max(c.rect.Top, 0), std::min(c.rect.Right, 13),
                std::min(c.rect.Bottom, 10)};
  s.FillRect(c.rect, c.value);
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 13; ++x) {
      const bool inside = x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
      ASSERT_EQ(s.ReadPixel(x, y), inside ? c.stored : 0u) << x << "," << y;
    }
  // Nothing after the last pixel of a row is written.
  const int32_t used = (13 * (c.depth == 15 ? 16 : c.depth) + 7) / 8;
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t i = used; i < s.RowBytes(); ++i) EXPECT_EQ(s.RowReadOnly(y)[i], 0);
}

INSTANTIATE_TEST_SUITE_P(
    Surface, FillTable,
    testing::Values(FillCase{8, {-5, -5, 3, 3}, 7, 7}, FillCase{1, {3, 0, 13, 10}, 3, 1},
                    FillCase{1, {3, 2, 12, 4}, 1, 1}, FillCase{4, {1, 1, 12, 9}, 0x1F, 15},
                    FillCase{15, {0, 0, 13, 10}, 0xFFFF, 0x7FFF}, FillCase{16, {2, 3, 5, 4}, 0x1FFFF, 0xFFFF},
                    FillCase{24, {0, 0, 13, 10}, 0xAA112233, 0x112233},
                    FillCase{32, {12, 9, 20, 20}, 0xAA112233, 0xAA112233},
                    FillCase{24, {5, 5, 5, 9}, 1, 1}));

// --- Clipping --------------------------------------------------------------

TEST(Clipping, DestinationEdgesCutTheSourceRectangle) {
  TDIBSurface src;
  src.Allocate(6, 6, 8);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 6; ++x) src.WritePixel(x, y, uint32_t(10 * y + x + 1));
  Filled dst(4, 4, 8, 0);
  dst.DrawKeyed(-2, -3, -1, src.BoundsRect(), src);
  EXPECT_EQ(dst.ReadPixel(0, 0), 33u);  // source (2, 3)
  EXPECT_EQ(dst.ReadPixel(3, 2), 56u);  // source (5, 5)
  EXPECT_EQ(dst.ReadPixel(3, 3), 0u);   // past the source
  Filled far(4, 4, 8, 0);
  far.DrawBlended(INT32_MIN, INT32_MAX, 128, -1, src.BoundsRect(), src);  // nothing, no overflow
  far.CopyRect(INT32_MAX, 0, TRect{INT32_MIN, 0, INT32_MAX, 4}, src);
  for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(far.ReadPixel(x, 0), 0u);
}

TEST(Clipping, CopyRectAlsoClipsToTheSourceAndMovesThePoint) {
  TDIBSurface src;
  src.Allocate(4, 4, 8);
  for (int32_t x = 0; x < 4; ++x) src.WritePixel(x, 0, uint32_t(x + 1));
  Filled dst(8, 4, 8, 0);
  dst.CopyRect(2, 0, TRect{-2, 0, 9, 1}, src);
  EXPECT_EQ(dst.ReadPixel(3, 0), 0u);
  EXPECT_EQ(dst.ReadPixel(4, 0), 1u);
  EXPECT_EQ(dst.ReadPixel(7, 0), 4u);
}

TEST(Clipping, SourceRowsOutsideTheSourceAreRefusedColumnsAreCut) {
  Filled src(4, 2, 32, 5);
  Filled dst(8, 8, 32, 0);
  try {
    dst.DrawKeyed(0, 0, -1, TRect{0, 0, 4, 3}, src);
    FAIL();
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_EQ(std::string(e.what()), "スキャンラインのインデックスが範囲を越えました (2)");
  }
  EXPECT_EQ(dst.ReadPixel(0, 0), 0u);  // refused before drawing
  dst.DrawBlended(0, 0, 128, -1, TRect{2, 0, 50, 2}, src);
  EXPECT_EQ(dst.ReadPixel(1, 0), 2u);
  EXPECT_EQ(dst.ReadPixel(2, 0), 0u);
  Filled other(4, 2, 8, 5);
  EXPECT_THROW(dst.CopyFrom(0, 0, other), EInvalidGraphicOperation);  // bit counts differ
}

TEST(Clipping, ASurfaceDrawnOntoItselfReadsItsOldPixels) {
  TDIBSurface s;
  s.Allocate(8, 1, 8);
  for (int32_t x = 0; x < 8; ++x) s.WritePixel(x, 0, uint32_t(x));
  s.CopyRect(1, 0, TRect{0, 0, 7, 1}, s);
  for (int32_t x = 1; x < 8; ++x) EXPECT_EQ(s.ReadPixel(x, 0), uint32_t(x - 1));
}

// --- Colours and pixel values ----------------------------------------------

struct ColourCase {
  int32_t depth;
  TRGB colour;
  uint32_t pixel;
  TRGB expanded, plain;
};
class ColourTable : public testing::TestWithParam<ColourCase> {};

TEST_P(ColourTable, ToPixelAndBack) {
  const auto c = GetParam();
  TDIBSurface s;
  s.Allocate(1, 1, c.depth);
  EXPECT_EQ(s.ColorToPixel(c.colour.R, c.colour.G, c.colour.B), c.pixel);
  EXPECT_EQ(s.PixelToColor(c.pixel, true), c.expanded);
  EXPECT_EQ(s.PixelToColor(c.pixel, false), c.plain);
}

INSTANTIATE_TEST_SUITE_P(
    Surface, ColourTable,
    testing::Values(ColourCase{16, {128, 128, 128}, 0x8410, {135, 131, 135}, {128, 128, 128}},
                    ColourCase{15, {128, 128, 128}, 0x4210, {135, 135, 135}, {128, 128, 128}},
                    ColourCase{16, {255, 255, 255}, 0xFFFF, {255, 255, 255}, {248, 252, 248}},
                    ColourCase{15, {255, 255, 255}, 0x7FFF, {255, 255, 255}, {248, 248, 248}},
                    ColourCase{16, {0, 0, 0}, 0, {0, 0, 0}, {0, 0, 0}},
                    ColourCase{24, {1, 2, 3}, 0x010203, {1, 2, 3}, {1, 2, 3}},
                    ColourCase{32, {1, 2, 3}, 0x010203, {1, 2, 3}, {1, 2, 3}},
                    // Grey ramp: the nearest entry of (10, 20, 30) is 20.
                    ColourCase{8, {10, 20, 30}, 20, {20, 20, 20}, {20, 20, 20}}));

TEST(ColourTable, NearestEntryIsTheLowestIndexAmongTheCommittedOnes) {
  TDIBSurface s;
  s.Allocate(1, 1, 4);
  for (auto& e : s.Palette) e = TPaletteEntry{0, 0, 0, 0};
  s.Palette[3] = TPaletteEntry{0, 0, 200, 0};
  s.Palette[7] = TPaletteEntry{0, 0, 200, 0};
  s.Palette[16] = TPaletteEntry{0, 0, 255, 0};  // beyond 2^4: takes no part
  s.CommitPalette();
  EXPECT_EQ(s.ColorToPixel(250, 0, 0), 3u);
  s.Palette[2] = TPaletteEntry{0, 0, 250, 0};  // not committed yet
  EXPECT_EQ(s.ColorToPixel(250, 0, 0), 3u);
}

// --- Drawing across depths ---------------------------------------------------

TEST(DrawConverted, PaletteToPaletteThroughTheNearestEntryTable) {
  TDIBSurface src;
  src.Allocate(3, 1, 4);
  src.Palette[0] = TPaletteEntry{0, 0, 0, 0};
  src.Palette[1] = TPaletteEntry{0, 0, 255, 0};   // red
  src.Palette[2] = TPaletteEntry{250, 0, 0, 0};   // blue-ish
  src.CommitPalette();
  src.WritePixel(0, 0, 1);
  src.WritePixel(1, 0, 2);
  TDIBSurface dst;
  dst.Allocate(4, 2, 8);
  for (auto& e : dst.Palette) e = TPaletteEntry{128, 128, 128, 0};
  dst.Palette[9] = TPaletteEntry{0, 0, 240, 0};
  dst.Palette[4] = TPaletteEntry{255, 0, 0, 0};
  dst.Palette[5] = TPaletteEntry{0, 0, 0, 0};
  dst.CommitPalette();
  dst.DrawConverted(1, 1, -1, src);
  EXPECT_EQ(dst.ReadPixel(1, 1), 9u);
  EXPECT_EQ(dst.ReadPixel(2, 1), 4u);
  EXPECT_EQ(dst.ReadPixel(3, 1), 5u);
  EXPECT_EQ(dst.ReadPixel(0, 1), 0u);
  // Positions left of and above the destination are skipped.
  TDIBSurface small;
  small.Allocate(2, 1, 8);
  small.CommitPalette();
  small.DrawConverted(-1, 0, -1, src);
  EXPECT_EQ(small.ReadPixel(0, 0), 83u);  // source pixel 1: grey nearest to blue 250
  EXPECT_EQ(small.ReadPixel(1, 0), 0u);
}

TEST(DrawConverted, ToDirectColourThroughTheExpandedColour) {
  TDIBSurface src;
  src.Allocate(2, 1, 16);
  src.WritePixel(0, 0, 0x8410);
  src.WritePixel(1, 0, 0xFFFF);
  Filled dst(2, 1, 32, 0xFF000000);
  dst.DrawConverted(0, 0, -1, src);
  EXPECT_EQ(dst.ReadPixel(0, 0), 0x00878387u);  // (135, 131, 135), fourth byte 0
  EXPECT_EQ(dst.ReadPixel(1, 0), 0x00FFFFFFu);
  Filled to555(2, 1, 15, 0);
  to555.DrawConverted(0, 0, -1, src);
  EXPECT_EQ(to555.ReadPixel(0, 0), 0x4210u);
}

// --- Whole-surface helpers ---------------------------------------------------

TEST(AssignSurface, CopiesEverythingIncludingOrExcludingTheAlphaPlane) {
  Filled src(3, 2, 4, 6);
  src.Palette[6] = TPaletteEntry{1, 2, 3, 4};  // uncommitted: copied anyway
  src.EnsureAlpha();
  src.AlphaPlane()->FillRect(src.BoundsRect(), 99);
  Filled dst(9, 9, 24, 1);
  dst.EnsureAlpha();
  dst.AssignSurface(src);
  EXPECT_EQ(dst.Width(), 3);
  EXPECT_EQ(dst.Depth(), 4);
  EXPECT_EQ(dst.ReadPixel(2, 1), 6u);
  EXPECT_EQ(dst.CommittedPalette()[6], (TPaletteEntry{1, 2, 3, 4}));
  ASSERT_NE(dst.AlphaPlane(), nullptr);
  EXPECT_EQ(dst.AlphaPlane()->ReadPixel(2, 1), 99u);
  src.AlphaPlane()->WritePixel(2, 1, 5);  // independent copies
  src.WritePixel(2, 1, 0);
  EXPECT_EQ(dst.AlphaPlane()->ReadPixel(2, 1), 99u);
  EXPECT_EQ(dst.ReadPixel(2, 1), 6u);
  Filled plain(3, 2, 4, 1);
  dst.AssignSurface(plain);
  EXPECT_EQ(dst.AlphaPlane(), nullptr);
}

TEST(AssignSurface, AssignKeepsTheTargetsAlphaPlane) {
  Filled src(3, 2, 8, 1);
  Filled dst(3, 2, 8, 2);
  dst.EnsureAlpha();
  dst.AlphaPlane()->FillRect(dst.BoundsRect(), 42);
  dst.Assign(&src);
  ASSERT_NE(dst.AlphaPlane(), nullptr);
  EXPECT_EQ(dst.AlphaPlane()->ReadPixel(0, 0), 42u);
  EXPECT_EQ(dst.ReadPixel(0, 0), 1u);
}

TEST(AlphaHelpers, CopyAlphaFromAndSetAlphaOpaque) {
  Filled s(5, 3, 24, 0);
  s.SetAlphaOpaque();  // no plane: nothing
  EXPECT_EQ(s.AlphaPlane(), nullptr);
  Filled plane(5, 3, 8, 17);
  s.CopyAlphaFrom(plane);
  ASSERT_NE(s.AlphaPlane(), nullptr);
  EXPECT_EQ(s.AlphaPlane()->ReadPixel(4, 2), 17u);
  plane.WritePixel(4, 2, 1);
  EXPECT_EQ(s.AlphaPlane()->ReadPixel(4, 2), 17u);
  s.SetAlphaOpaque();
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t i = 0; i < s.AlphaPlane()->RowBytes(); ++i) EXPECT_EQ(s.AlphaPlane()->RowReadOnly(y)[i], 255);
  Filled wrong(4, 3, 8, 0);
  EXPECT_THROW(s.CopyAlphaFrom(wrong), EInvalidGraphicOperation);
}

}  // namespace
}  // namespace dorv

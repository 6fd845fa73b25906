// Whole-surface conversions: bit count changes, greyscale, colour counts,
// depth conversion for the host and the JPEG hand-over.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "converter/core/errors.h"
#include "converter/dibsfc/dibsfc.h"
#include "converter/dibsfc/jpeg_codec.h"

namespace dorv {
namespace {

std::vector<uint8_t> JpegOf(const TDIBSurface& s, int quality) {
  const TByteBlock file = SaveToJpeg(s, quality);
  return {file.Bytes().begin(), file.Bytes().end()};
}

struct Surface : TDIBSurface {
  Surface(int32_t w, int32_t h, int32_t depth, uint32_t value = 0) {
    Allocate(w, h, depth);
    FillRect(BoundsRect(), value);
  }
};

// --- SetBitCount --------------------------------------------------------------

struct BitCountCase {
  const char* name;
  int32_t from, to;
  uint32_t pixel, expected;
};
class SetBitCountTable : public testing::TestWithParam<BitCountCase> {};

TEST_P(SetBitCountTable, ConvertsEveryPixel) {
  const auto c = GetParam();
  Surface s(3, 2, c.from, c.pixel);
  s.Palette[5] = TPaletteEntry{1, 2, 3, 0};
  s.Palette[1] = TPaletteEntry{10, 20, 30, 0};
  s.CommitPalette();
  s.EnsureAlpha();
  s.AlphaPlane()->FillRect(s.BoundsRect(), 77);
  s.SetBitCount(c.to);
  EXPECT_EQ(s.Depth(), c.to) << c.name;
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(s.ReadPixel(x, y), c.expected) << c.name;
  EXPECT_EQ(s.AlphaPlane()->ReadPixel(2, 1), 77u);  // keeps size and bytes
  EXPECT_EQ(s.Palette[5], (TPaletteEntry{1, 2, 3, 0}));
}

INSTANTIATE_TEST_SUITE_P(
    Surface, SetBitCountTable,
    testing::Values(BitCountCase{"1 to 8 keeps the index", 1, 8, 1, 1},
                    BitCountCase{"4 to 8 keeps the index", 4, 8, 5, 5},
                    BitCountCase{"8 to 24 takes the entry", 8, 24, 5, 0x030201},
                    BitCountCase{"8 to 32 fourth byte 0", 8, 32, 5, 0x030201},
                    BitCountCase{"8 to 16 packs", 8, 16, 1, ((30 >> 3) << 11) | ((20 >> 2) << 5) | (10 >> 3)},
                    BitCountCase{"565 to 24 unpacks", 16, 24, 0x8410, 0x90A090},
                    BitCountCase{"565 to 555 relayouts", 16, 15, 0xFFFF, 0x7FFF},
                    BitCountCase{"24 to 32 adds 0", 24, 32, 0x123456, 0x123456},
                    BitCountCase{"32 to 24 drops the fourth byte", 32, 24, 0xFF123456, 0x123456}));

TEST(SetBitCount, SameBitCountAndLayoutChangesNothing) {
  Surface s(2, 2, 16, 0x1234);
  const uint8_t* before = s.TopRowReadOnly();
  s.SetBitCount(16);
  EXPECT_EQ(s.TopRowReadOnly(), before);
  EXPECT_EQ(s.ReadPixel(1, 1), 0x1234u);
}

TEST(SetBitCount, ZeroEmptiesAndAnEmptySurfaceBecomesOnePixel) {
  Surface s(2, 2, 8, 1);
  s.EnsureAlpha();
  s.SetBitCount(0);
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_EQ(s.AlphaPlane(), nullptr);
  s.SetBitCount(24);
  EXPECT_EQ(s.Width(), 1);
  EXPECT_EQ(s.Height(), 1);
  EXPECT_EQ(s.BitCount(), 24);
  EXPECT_THROW(s.SetBitCount(3), EInvalidGraphicOperation);
  EXPECT_EQ(s.BitCount(), 24);
}

TEST(SetBitCount, NarrowingMapsToTheNearestFixedEntry) {
  Surface s(3, 1, 24);
  s.WritePixel(0, 0, 0xFFFFFF);
  s.WritePixel(1, 0, 0x202020);
  s.WritePixel(2, 0, 0x0000F0);  // red 0, blue F0... as B + G*256 + R*65536: blue
  s.SetBitCount(1);
  EXPECT_EQ(s.ReadPixel(0, 0), 1u);
  EXPECT_EQ(s.ReadPixel(1, 0), 0u);
  Surface t(1, 1, 24, 0xFF0000);  // pure red
  t.SetBitCount(8);
  const TPaletteEntry& e = t.Palette[t.ReadPixel(0, 0)];
  EXPECT_EQ(e.Red, 255);
  EXPECT_EQ(e.Green, 0);
  EXPECT_EQ(e.Blue, 0);
}

// --- Greyscale ------------------------------------------------------------------

struct GreyCase {
  uint32_t colour, grey;
};
class GreyTable : public testing::TestWithParam<GreyCase> {};

TEST_P(GreyTable, WeightsOfRedGreenAndBlue) {
  const auto c = GetParam();
  Surface s(2, 1, 24, c.colour);
  s.Greyscale(8);
  EXPECT_EQ(s.BitCount(), 8);
  EXPECT_EQ(s.ReadPixel(1, 0), c.grey);
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<uint8_t>(i);
    ASSERT_EQ(s.Palette[i], (TPaletteEntry{v, v, v, 0}));
  }
}

INSTANTIATE_TEST_SUITE_P(Surface, GreyTable,
                         testing::Values(GreyCase{0xFFFFFF, 253}, GreyCase{0x000000, 0},
                                         GreyCase{0xFF0000, 91}, GreyCase{0x00FF00, 102},
                                         GreyCase{0x0000FF, 60}, GreyCase{0x808080, 45 + 51 + 30}));

TEST(GreyTable, FromPaletteAndPackedSourcesAndToOtherDepths) {
  Surface p(1, 1, 4, 2);
  p.Palette[2] = TPaletteEntry{0, 0, 255, 0};  // red
  p.CommitPalette();
  p.Greyscale(8);
  EXPECT_EQ(p.ReadPixel(0, 0), 91u);
  Surface w(1, 1, 16, 0xFFFF);
  w.Greyscale(8);
  EXPECT_EQ(w.ReadPixel(0, 0), 253u);
  Surface on8(1, 1, 8, 7);  // already 8 bits: grey of the old palette entry
  on8.Greyscale(8);
  EXPECT_EQ(on8.ReadPixel(0, 0), uint32_t(897 * 7 / 2500 + 201 * 7 / 500 + 299 * 7 / 1250));
  Surface to4(1, 1, 24, 0xFFFFFF);
  to4.Greyscale(4);
  EXPECT_EQ(to4.ReadPixel(0, 0), 253u >> 4);
  EXPECT_EQ(to4.Palette[1], (TPaletteEntry{0x11, 0x11, 0x11, 0}));
  EXPECT_EQ(to4.Palette[16], (TPaletteEntry{0, 0, 0, 0}));
  Surface to1(2, 1, 24, 0x808080);
  to1.WritePixel(1, 0, 0x7F7F7F);
  to1.Greyscale(1);
  EXPECT_EQ(to1.ReadPixel(0, 0), 0u);  // 126 is not above 127
  Surface to32(1, 1, 24, 0xFFFFFF);
  to32.Greyscale(32);
  EXPECT_EQ(to32.ReadPixel(0, 0), 0x00FDFDFDu);
}

// --- CountColors ----------------------------------------------------------------

TEST(CountColors, PerDepthRules) {
  EXPECT_EQ(Surface(7, 3, 8, 255).CountColors(), 1);
  Surface two(7, 3, 8, 255);
  two.WritePixel(6, 2, 0);
  EXPECT_EQ(two.CountColors(), 2);
  Surface all(256, 2, 8);
  for (int32_t x = 0; x < 256; ++x) all.WritePixel(x, 0, uint32_t(x));
  EXPECT_EQ(all.CountColors(), 256);
  Surface fourth(3, 1, 32, 0x00123456);
  fourth.WritePixel(1, 0, 0xFF123456);
  EXPECT_EQ(fourth.CountColors(), 1);
  fourth.WritePixel(2, 0, 0xFF123457);
  EXPECT_EQ(fourth.CountColors(), 2);
  TDIBSurface empty;
  EXPECT_EQ(empty.CountColors(), 0);
  Surface c24(5, 2, 24, 0x010203);
  c24.WritePixel(4, 1, 0x010204);
  EXPECT_EQ(c24.CountColors(), 2);
  Surface c16(3, 1, 16, 1);
  c16.WritePixel(2, 0, 0x8001);
  EXPECT_EQ(c16.CountColors(), 2);
}

TEST(CountColors, PaddingIsNotCounted) {
  // Width 3: the padding of each row differs from the pixels.
  Surface bits4(3, 2, 4, 9);
  Surface bits1(11, 2, 1, 1);
  Surface bits8(3, 2, 8, 4);
  for (TDIBSurface* s : {static_cast<TDIBSurface*>(&bits4), static_cast<TDIBSurface*>(&bits1),
                         static_cast<TDIBSurface*>(&bits8)})
    for (int32_t y = 0; y < 2; ++y) s->Row(y)[s->RowBytes() - 1] ^= 0x5A;
  EXPECT_EQ(bits4.CountColors(), 1);
  EXPECT_EQ(bits1.CountColors(), 1);
  EXPECT_EQ(bits8.CountColors(), 1);
  Surface mixed(11, 2, 1, 1);
  mixed.WritePixel(10, 1, 0);  // after the last whole byte
  EXPECT_EQ(mixed.CountColors(), 2);
  Surface sixteen(20, 1, 4);
  for (int32_t x = 0; x < 20; ++x) sixteen.WritePixel(x, 0, uint32_t(x % 16));
  EXPECT_EQ(sixteen.CountColors(), 16);
}

// --- ConvertDepth ---------------------------------------------------------------

TEST(ConvertDepth, OneAndFourBitRowsToThirtyTwo) {
  Surface one(9, 2, 1);
  one.Palette[0] = TPaletteEntry{1, 2, 3, 9};
  one.Palette[1] = TPaletteEntry{200, 100, 50, 9};
  one.CommitPalette();
  one.WritePixel(8, 0, 1);  // the ninth pixel: top bit of the second byte
  one.WritePixel(2, 1, 1);
  one.ConvertDepth(32, 0);
  EXPECT_EQ(one.BitCount(), 32);
  EXPECT_EQ(one.ReadPixel(8, 0), 0xFF3264C8u);
  EXPECT_EQ(one.ReadPixel(7, 0), 0xFF030201u);
  EXPECT_EQ(one.ReadPixel(2, 1), 0xFF3264C8u);

  Surface four(3, 1, 4);
  for (int i = 0; i < 16; ++i) four.Palette[i] = TPaletteEntry{uint8_t(i), uint8_t(2 * i), uint8_t(3 * i), 0};
  four.CommitPalette();
  four.WritePixel(0, 0, 1);
  four.WritePixel(1, 0, 2);
  four.WritePixel(2, 0, 15);  // high nibble of the second byte
  four.ConvertDepth(32, 0);
  EXPECT_EQ(four.ReadPixel(0, 0), 0xFF030201u);
  EXPECT_EQ(four.ReadPixel(1, 0), 0xFF060402u);
  EXPECT_EQ(four.ReadPixel(2, 0), 0xFF2D1E0Fu);
}

struct DepthCase {
  const char* name;
  int32_t depth;
  uint32_t pixel, expected;
};
class ConvertDepthTable : public testing::TestWithParam<DepthCase> {};

TEST_P(ConvertDepthTable, DirectColoursToThirtyTwo) {
  const auto c = GetParam();
  Surface s(5, 3, c.depth, c.pixel);
  s.ConvertDepth(32, 0);
  EXPECT_EQ(s.BitCount(), 32);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 5; ++x) ASSERT_EQ(s.ReadPixel(x, y), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Surface, ConvertDepthTable,
    testing::Values(DepthCase{"565 white", 16, 0xFFFF, 0xFFF8FCF8},   // 248, 252, 248
                    DepthCase{"555 white", 15, 0x7FFF, 0xFFF8F8F8},
                    DepthCase{"555 top bit dropped", 15, 0xFFFF, 0xFFF8F8F8},
                    DepthCase{"565 mid", 16, 0x8410, 0xFF808080},
                    DepthCase{"24 bits", 24, 0x123456, 0xFF123456},
                    DepthCase{"32 bits get 255", 32, 0x00123456, 0xFF123456},
                    DepthCase{"8 bits through the palette", 8, 200, 0xFFC8C8C8}));

TEST(ConvertDepth, WideRowsMatchThePixelByPixelMeaning) {
  // Odd widths leave remainders in every kernel; random content.
  for (int32_t depth : {1, 4, 8, 15, 16, 24, 32}) {
    Surface s(37, 5, depth);
    std::mt19937 rng{uint32_t(depth)};
    uint8_t* p = s.TopRow();
    for (uint64_t i = 0; i < s.SizeBytes(); ++i) p[i] = static_cast<uint8_t>(rng());
    for (auto& e : s.Palette) e = TPaletteEntry{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
    s.CommitPalette();
    TDIBSurface before;
    before.AssignSurface(s);
    s.ConvertDepth(32, 0);
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 37; ++x) {
        const uint32_t v = before.ReadPixel(x, y);
        uint32_t expected;
        if (depth <= 8) {
          const TPaletteEntry& e = before.Palette[v];
          expected = e.Blue | e.Green << 8 | e.Red << 16;
        } else if (depth == 15) {
          expected = ((v & 0x1F) << 3) | (((v >> 5) & 0x1F) << 11) | (((v >> 10) & 0x1F) << 19);
        } else if (depth == 16) {
          expected = ((v & 0x1F) << 3) | (((v >> 5) & 0x3F) << 10) | (((v >> 11) & 0x1F) << 19);
        } else {
          expected = v & 0xFFFFFF;
        }
        ASSERT_EQ(s.ReadPixel(x, y), expected | 0xFF000000u) << depth << " bits at " << x << "," << y;
      }
  }
}

TEST(ConvertDepth, TheAlphaPlaneIsUnchanged) {
  Surface s(4, 4, 24, 0x010203);
  s.EnsureAlpha();
  for (int32_t x = 0; x < 4; ++x) s.AlphaPlane()->WritePixel(x, 3, uint32_t(x * 60));
  s.ConvertDepth(32, 0);
  ASSERT_NE(s.AlphaPlane(), nullptr);
  EXPECT_EQ(s.AlphaPlane()->Width(), 4);
  for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(s.AlphaPlane()->ReadPixel(x, 3), uint32_t(x * 60));
}

TEST(ConvertDepth, WideningKeepsEveryColourAndBlackensTheNewEntries) {
  Surface s(4, 1, 4);
  for (int i = 0; i < 16; ++i) s.Palette[i] = TPaletteEntry{uint8_t(i * 16), 7, uint8_t(255 - i), 0};
  s.Palette[9] = s.Palette[2];  // one colour twice
  for (int i = 16; i < 256; ++i) s.Palette[i] = TPaletteEntry{5, 5, 5, 5};
  s.CommitPalette();
  s.WritePixel(0, 0, 15);
  s.WritePixel(1, 0, 2);
  s.WritePixel(2, 0, 9);
  s.WritePixel(3, 0, 0);
  s.EnsureAlpha();
  s.AlphaPlane()->FillRect(s.BoundsRect(), 3);
  s.ConvertDepth(8, 256);
  EXPECT_EQ(s.BitCount(), 8);
  for (int i = 0; i < 16; ++i) {
    if (i == 9) continue;  // the doubled entry
    EXPECT_EQ(s.Palette[i], (TPaletteEntry{uint8_t(i * 16), 7, uint8_t(255 - i), 0}));
  }
  for (int i = 16; i < 256; ++i) ASSERT_EQ(s.Palette[i], (TPaletteEntry{0, 0, 0, 0}));
  EXPECT_EQ(s.ReadPixel(0, 0), 15u);
  EXPECT_EQ(s.ReadPixel(1, 0), 2u);
  EXPECT_EQ(s.ReadPixel(2, 0), 2u);  // both pixels of the doubled colour on one index
  EXPECT_EQ(s.ReadPixel(3, 0), 0u);
  EXPECT_EQ(s.AlphaPlane()->ReadPixel(3, 0), 3u);
}

TEST(ConvertDepth, OneBitWidensToEightForTheReadPath) {
  Surface s(10, 1, 1);
  s.Palette[0] = TPaletteEntry{0, 0, 0, 0};
  s.Palette[1] = TPaletteEntry{255, 255, 255, 0};
  s.CommitPalette();
  s.WritePixel(9, 0, 1);
  s.ConvertDepth(8, 256);
  EXPECT_EQ(s.BitCount(), 8);
  EXPECT_EQ(s.ReadPixel(9, 0), 1u);
  EXPECT_EQ(s.ReadPixel(8, 0), 0u);
}

// --- JPEG -----------------------------------------------------------------------

TEST(Jpeg, RoundTripKeepsSizeAndColoursClose) {
  for (int32_t depth : {8, 16, 24, 32}) {
    Surface s(33, 17, depth);
    for (int32_t y = 0; y < 17; ++y)
      for (int32_t x = 0; x < 33; ++x) {
        const TRGB c{uint8_t(x * 7), uint8_t(y * 15), 128};
        s.WritePixel(x, y, depth == 8 ? 100 : s.ColorToPixel(c.R, c.G, c.B));
      }
    const std::vector<uint8_t> file = JpegOf(s, 95);
    ASSERT_GT(file.size(), 100u);
    EXPECT_EQ(file[0], 0xFF);
    EXPECT_EQ(file[1], 0xD8);
    int32_t w = 0, h = 0;
    ReadJpegSize(file, w, h);
    EXPECT_EQ(w, 33);
    EXPECT_EQ(h, 17);
    TDIBSurface back;
    DecodeJpeg(file, back);
    ASSERT_EQ(back.BitCount(), 24);
    ASSERT_EQ(back.Width(), 33);
    for (int32_t y = 0; y < 17; y += 4)
      for (int32_t x = 0; x < 33; x += 4) {
        // Packed pixels reach the encoder widened as UnpackRGB widens them.
        const TRGB want = depth == 8    ? TRGB{100, 100, 100}
                          : depth == 16 ? UnpackRGB(kLayout565, s.ReadPixel(x, y))
                                        : s.PixelToColor(s.ReadPixel(x, y), false);
        const uint32_t got = back.ReadPixel(x, y);
        // 5-6-5 steps are coarse, and the coder smooths them.
        const int tolerance = depth == 16 ? 24 : 12;
        EXPECT_NEAR(int(got >> 16 & 255), want.R, tolerance) << depth;
        EXPECT_NEAR(int(got >> 8 & 255), want.G, tolerance) << depth;
        EXPECT_NEAR(int(got & 255), want.B, tolerance) << depth;
      }
  }
}

// However a surface stores its pixels, the coder is given the same colours:
// palette pictures at 1, 4 and 8 bits, 24-bit and 32-bit ones of the same
// colours give the very same file.
TEST(Jpeg, EveryStorageOfTheSamePictureCodesToTheSameBytes) {
  const TRGB colours[2] = {{200, 30, 90}, {10, 220, 140}};
  const auto colourAt = [](int32_t x, int32_t y) { return ((x / 3) ^ (y / 2)) & 1; };
  std::vector<uint8_t> reference;
  for (int32_t depth : {24, 32, 8, 4, 1}) {
    Surface s(37, 21, depth);
    if (depth <= 8) {
      for (int i = 0; i < 2; ++i)
        s.Palette[size_t(i)] = TPaletteEntry{colours[i].B, colours[i].G, colours[i].R, 0};
      s.CommitPalette();
    }
    for (int32_t y = 0; y < 21; ++y)
      for (int32_t x = 0; x < 37; ++x) {
        const int c = colourAt(x, y);
        s.WritePixel(x, y, depth <= 8 ? uint32_t(c) : s.ColorToPixel(colours[c].R, colours[c].G, colours[c].B));
      }
    const std::vector<uint8_t> file = JpegOf(s, 85);
    if (reference.empty()) reference = file;
    EXPECT_EQ(file, reference) << depth << "-bit surface";
  }
}

TEST(Jpeg, QualityReachesTheEncoder) {
  Surface s(64, 64, 24);
  std::mt19937 rng(1);
  uint8_t* p = s.TopRow();
  for (uint64_t i = 0; i < s.SizeBytes(); ++i) p[i] = static_cast<uint8_t>(rng());
  EXPECT_LT(JpegOf(s, 10).size() * 2, JpegOf(s, 95).size());
}

TEST(Jpeg, DamagedFilesRaiseTheLibraryMessageAndLeaveTheSurface) {
  Surface picture(16, 16, 24, 0x336699);
  const std::vector<uint8_t> good = JpegOf(picture, 80);
  struct Damage {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  std::vector<uint8_t> truncated(good.begin(), good.begin() + long(good.size() / 2));
  std::vector<uint8_t> noMarker = good;
  noMarker[0] = 0;
  std::vector<uint8_t> badTable = good;
  for (size_t i = 2; i + 1 < badTable.size(); ++i)
    if (badTable[i] == 0xFF && badTable[i + 1] == 0xC4) {  // the Huffman table
      for (size_t j = i + 4; j < i + 24 && j < badTable.size(); ++j) badTable[j] = 0xFF;
      break;
    }
  for (const Damage& d : {Damage{"truncated", truncated}, Damage{"not a JPEG", noMarker},
                          Damage{"bad table", badTable}, Damage{"empty", {}}}) {
    Surface out(2, 2, 8, 5);
    try {
      DecodeJpeg(d.bytes, out);
      ADD_FAILURE() << d.name << " decoded";
    } catch (const EJpegError& e) {
      EXPECT_GT(std::strlen(e.what()), 5u) << d.name;
    }
    EXPECT_EQ(out.Width(), 2) << d.name;
    EXPECT_EQ(out.ReadPixel(1, 1), 5u) << d.name;
  }
}

TEST(Jpeg, AHugeDeclaredSizeIsRefusedBeforeDecoding) {
  Surface picture(8, 8, 24, 0x808080);
  std::vector<uint8_t> file = JpegOf(picture, 80);
  for (size_t i = 2; i + 8 < file.size(); ++i)
    if (file[i] == 0xFF && file[i + 1] == 0xC0) {  // frame header: height and width
      // 65000 x 65000: within what libjpeg accepts, far above the pixel cap.
      file[i + 5] = 0xFD;
      file[i + 6] = 0xE8;
      file[i + 7] = 0xFD;
      file[i + 8] = 0xE8;
      break;
    }
  TDIBSurface out;
  EXPECT_THROW(DecodeJpeg(file, out), EOutOfMemory);
  EXPECT_TRUE(out.IsEmpty());
}

TEST(Jpeg, DecodingKeepsAnAlphaPlaneSizedToThePicture) {
  Surface picture(6, 5, 24, 0xFFFFFF);
  const auto file = JpegOf(picture, 90);
  Surface out(2, 2, 8);
  out.EnsureAlpha();
  DecodeJpeg(file, out);
  ASSERT_NE(out.AlphaPlane(), nullptr);
  EXPECT_EQ(out.AlphaPlane()->Width(), 6);
  EXPECT_EQ(out.AlphaPlane()->Height(), 5);
}

}  // namespace
}  // namespace dorv

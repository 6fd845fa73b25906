#include <gtest/gtest.h>

#include <functional>

#include "converter/dorvs/framelist.h"
#include "support/doc_helpers.h"
#include "support/dov_writer.h"

namespace dorv::testing {
namespace {

uint32_t Mask(int bpp) {
  switch (bpp) {
    case 1: return 1;
    case 4: return 15;
    case 8: return 255;
    case 15: return 0x7FFF;
    case 16: return 0xFFFF;
    case 24: return 0xFFFFFF;
    default: return 0xFFFFFFFF;
  }
}

uint32_t Pattern(int bpp, int x, int y) {
  return static_cast<uint32_t>(x * 2654435761u ^ (y * 40503u + 7u)) & Mask(bpp);
}

std::vector<uint32_t> Palette16() {
  std::vector<uint32_t> p;
  for (uint32_t i = 0; i < 256; ++i) p.push_back(i * 0x010203u & 0xFFFFFF);
  return p;
}

struct Coding {
  const char* name;
  int version;
  int compType;
  std::optional<int> bw, bh;  // nullopt: attributes left out (32 x 32 blocks)
  bool randomized;
  uint32_t code;
};

const Coding kCodings[] = {
    {"rows_zlib", 200, 0, 0, 0, false, 0},
    {"rows_raw", 200, 1, 0, 0, false, 0},
    {"rows_raw_v103", 103, 1, 0, 0, false, 0},
    {"blocks_default", 200, 0, std::nullopt, std::nullopt, false, 0},
    {"blocks_16x4_zlib", 200, 0, 16, 4, false, 0},
    {"blocks_16x4_raw", 200, 1, 16, 4, false, 0},
    {"rows_scrambled", 200, 1, 0, 0, true, 0x41424344},
    {"rows_scrambled_zlib", 200, 0, 0, 0, true, 7},
    {"blocks_scrambled", 200, 1, 8, 8, true, 0x31323334},
    {"old_raw_v100", 100, 1, 0, 0, false, 0},
    {"old_zlib_v102", 102, 0, 0, 0, false, 0},
    {"old_raw_scrambled_v101", 101, 1, 0, 0, true, 99},
    {"old_zlib_v100_scrambled", 100, 0, 0, 0, true, 99},
};

struct PlaneCase {
  int bpp;
  int width;
  int height;
  Coding coding;
};

std::string CaseName(const ::testing::TestParamInfo<PlaneCase>& info) {
  return std::string(info.param.coding.name) + "_" + std::to_string(info.param.bpp) + "bpp_w" +
         std::to_string(info.param.width);
}

class PlaneDecodeTest : public ::testing::TestWithParam<PlaneCase> {};

TEST_P(PlaneDecodeTest, CompositeHoldsTheStoredPixels) {
  const PlaneCase& c = GetParam();
  DocSpec d;
  d.version = c.coding.version;
  d.compType = c.coding.compType;
  d.blockWidth = c.coding.bw;
  d.blockHeight = c.coding.bh;
  d.randomized = c.coding.randomized;
  d.code = c.coding.code;
  FrameSpec f;
  f.width = c.width;
  f.height = c.height;
  f.bpp = c.bpp;
  if (c.bpp <= 8) f.palette = Palette16();
  LayerSpec l;
  l.rows = MakeRows(c.width, c.height, c.bpp, [&](int x, int y) { return Pattern(c.bpp, x, y); });
  if (c.coding.version >= 100) {
    l.alphaRows = MakeRows(c.width, c.height, 8, [](int x, int y) { return static_cast<uint32_t>(x + 3 * y); });
  }
  f.layers.push_back(l);
  d.frames.push_back(f);

  auto doc = LoadDov(WriteDov(d), static_cast<int32_t>(c.coding.code));
  const TDIBSurface& s = doc->GetFrame(0).Surface;
  ASSERT_EQ(s.Width(), c.width);
  ASSERT_EQ(s.Height(), c.height);
  EXPECT_EQ(s.Depth(), c.bpp);
  std::vector<uint32_t> want;
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) want.push_back(Pattern(c.bpp, x, y));
  EXPECT_EQ(Pixels(s), want);
  if (c.bpp <= 8) {
    for (int i = 0; i < (1 << c.bpp); ++i) {
      const uint32_t col = Palette16()[static_cast<size_t>(i)];
      EXPECT_EQ(s.Palette[static_cast<size_t>(i)].Red, col & 0xFF);
      EXPECT_EQ(s.Palette[static_cast<size_t>(i)].Blue, (col >> 16) & 0xFF);
    }
  }
}

std::vector<PlaneCase> AllCases() {
  std::vector<PlaneCase> v;
  for (const Coding& c : kCodings)
    for (int bpp : {1, 4, 8, 15, 16, 24, 32})
      for (int w : {1, 13, 33}) v.push_back({bpp, w, w == 1 ? 3 : 9, c});
  return v;
}

INSTANTIATE_TEST_SUITE_P(Codings, PlaneDecodeTest, ::testing::ValuesIn(AllCases()), CaseName);

// Block copies: a 70 x 40 8-bit plane in 32 x 32 blocks has 3 x 2 blocks; the
// last column is 6 pixels wide and the last row 8 high.
TEST(BlockCopies, KindMinusTwoCopiesAnotherBlockOfThePlane) {
  DocSpec d;
  d.blockWidth = std::nullopt;
  d.blockHeight = std::nullopt;
  FrameSpec f;
  f.width = 70;
  f.height = 40;
  f.bpp = 8;
  f.palette = Palette16();
  LayerSpec l;
  l.rows = MakeRows(70, 40, 8, [](int x, int y) { return static_cast<uint32_t>((x + y * 7) & 0xFF); });
  l.blocks.resize(6);
  l.blocks[4] = BlockEntry{-2, 0};  // block 4 (x 32, y 32, 32 x 8) shows block 0's top rows
  f.layers.push_back(l);
  d.frames.push_back(f);
  auto doc = LoadDov(WriteDov(d));
  const TDIBSurface& s = doc->GetFrame(0).Surface;
  for (int y = 32; y < 40; ++y)
    for (int x = 32; x < 64; ++x)
      ASSERT_EQ(s.ReadPixel(x, y), static_cast<uint32_t>(((x - 32) + (y - 32) * 7) & 0xFF)) << x << "," << y;
  EXPECT_EQ(s.ReadPixel(69, 39), static_cast<uint32_t>((69 + 39 * 7) & 0xFF));
}

TEST(BlockCopies, FrameCopyTakesTheSameRectangleFromAnEarlierFrame) {
  DocSpec d;
  d.blockWidth = 4;
  d.blockHeight = 4;
  for (int i = 0; i < 2; ++i) {
    FrameSpec f;
    f.width = 8;
    f.height = 4;
    f.bpp = 24;
    LayerSpec under;
    under.rows = MakeRows(8, 4, 24, [i](int x, int y) { return static_cast<uint32_t>(0x100000 * (i + 1) + x + 16 * y); });
    under.alphaRows = MakeRows(8, 4, 8, [i](int x, int) { return static_cast<uint32_t>(10 * i + x); });
    LayerSpec top = under;
    top.visible = false;
    f.layers = {under, top};
    d.frames.push_back(f);
  }
  // Frame 1, layer 0: block 1 comes from frame 0, layer 1 (colour and alpha).
  d.frames[1].layers[0].blocks = {BlockEntry{-1, 0}, BlockEntry{0, 1}};
  d.frames[1].layers[0].alphaBlocks = {BlockEntry{-1, 0}, BlockEntry{0, 1}};
  d.frames[1].layers[0].alphaOn = true;
  auto doc = LoadDov(WriteDov(d));
  const TDIBSurface& s = doc->GetFrame(1).Surface;
  EXPECT_EQ(s.ReadPixel(1, 1), 0x200000u + 1 + 16);
  EXPECT_EQ(s.ReadPixel(5, 2), 0x100000u + 5 + 32);
  ASSERT_NE(s.AlphaPlane(), nullptr);
  EXPECT_EQ(s.AlphaPlane()->ReadPixel(1, 0), 11u);
  EXPECT_EQ(s.AlphaPlane()->ReadPixel(5, 0), 5u);
}

TEST(JpegPlanes, DecodeWithinASmallTolerance) {
  DocSpec d;
  d.compType = 2;
  d.compLevel = 95;
  FrameSpec f;
  f.width = 19;
  f.height = 11;
  f.bpp = 24;
  LayerSpec l;
  l.rows = MakeRows(19, 11, 24, [](int x, int y) { return static_cast<uint32_t>(0x406080 + x * 0x010101 + y * 0x000200); });
  l.alphaRows = MakeRows(19, 11, 8, [](int x, int) { return static_cast<uint32_t>(x * 13); });
  l.alphaOn = true;
  f.layers.push_back(l);
  d.frames.push_back(f);
  auto doc = LoadDov(WriteDov(d));
  const TDIBSurface& s = doc->GetFrame(0).Surface;
  ASSERT_EQ(s.Depth(), 24);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 19; ++x) {
      const uint32_t want = 0x406080 + x * 0x010101 + y * 0x000200, got = s.ReadPixel(x, y);
      for (int k = 0; k < 24; k += 8)
        EXPECT_NEAR(static_cast<int>((got >> k) & 0xFF), static_cast<int>((want >> k) & 0xFF), 6);
    }
  ASSERT_NE(s.AlphaPlane(), nullptr);
  EXPECT_EQ(s.AlphaPlane()->ReadPixel(18, 10), 18u * 13);  // alpha planes stay exact
}

TEST(Scrambling, CodeZeroWithScrambledPlanesAsksForTheCode) {
  for (int version : {200, 101}) {
    DocSpec d;
    d.version = version;
    d.compType = 1;
    d.randomized = true;
    d.code = 5;
    FrameSpec f;
    f.bpp = 24;
    LayerSpec l;
    l.rows = MakeRows(4, 4, 24, [](int x, int) { return static_cast<uint32_t>(x); });
    f.layers.push_back(l);
    d.frames.push_back(f);
    EXPECT_EQ(LoadError(WriteDov(d), 0), "識別コードを設定してください") << version;
  }
  // Old planes stored compressed are read in row order without a code.
  DocSpec d;
  d.version = 101;
  d.compType = 0;
  d.randomized = true;
  FrameSpec f;
  f.bpp = 8;
  f.palette = Palette16();
  LayerSpec l;
  l.rows = MakeRows(4, 4, 8, [](int, int y) { return static_cast<uint32_t>(y); });
  f.layers.push_back(l);
  d.frames.push_back(f);
  auto doc = LoadDov(WriteDov(d), 0);
  EXPECT_EQ(doc->GetFrame(0).Surface.ReadPixel(0, 3), 3u);
}

// A JPEG document that says Randomized stores its alpha planes in row order:
// it opens without a code, and with any code the rows are not unscrambled.
class RandomizedJpeg : public ::testing::TestWithParam<int32_t> {};

TEST_P(RandomizedJpeg, OpensWithItsColourAndAlphaPlanesInRowOrder) {
  DocSpec d;
  d.compType = 2;
  d.compLevel = 95;
  d.randomized = true;
  FrameSpec f;
  f.width = 9;
  f.height = 7;
  f.bpp = 24;
  LayerSpec l;
  l.rows = MakeRows(9, 7, 24, [](int, int) { return 0x3060C0u; });
  l.alphaRows = MakeRows(9, 7, 8, [](int x, int y) { return static_cast<uint32_t>(y * 30 + x); });
  l.alphaOn = true;
  f.layers.push_back(l);
  d.frames.push_back(f);
  const std::vector<uint8_t> file = WriteDov(d);
  ASSERT_EQ(LoadError(file, GetParam()), "");
  auto doc = LoadDov(file, GetParam());
  const TDIBSurface& s = doc->GetFrame(0).Surface;
  for (int k = 0; k < 24; k += 8)
    EXPECT_NEAR(static_cast<int>((s.ReadPixel(4, 3) >> k) & 0xFF), static_cast<int>((0x3060C0u >> k) & 0xFF), 4);
  ASSERT_NE(s.AlphaPlane(), nullptr);
  for (int y = 0; y < 7; ++y) EXPECT_EQ(s.AlphaPlane()->ReadPixel(2, y), static_cast<uint32_t>(y * 30 + 2)) << y;
}

INSTANTIATE_TEST_SUITE_P(Codes, RandomizedJpeg, ::testing::Values(0, 0x41424344));

TEST(OldCoding, BlobOfExactlyTheRowsIsRawEvenIfItLooksCompressed) {
  // 2 x 1 24-bit rows are 8 bytes; a blob of exactly 8 bytes is raw.
  DocSpec d;
  d.version = 102;
  FrameSpec f;
  f.width = 2;
  f.height = 1;
  f.bpp = 24;
  LayerSpec l;
  l.colourBlob = std::vector<uint8_t>{0x78, 0x9C, 1, 2, 3, 4, 5, 6};
  f.layers.push_back(l);
  d.frames.push_back(f);
  auto doc = LoadDov(WriteDov(d));
  EXPECT_EQ(doc->GetFrame(0).Surface.ReadPixel(0, 0), 0x019C78u);
  EXPECT_EQ(doc->GetFrame(0).Surface.ReadPixel(1, 0), 0x040302u);
}

}  // namespace
}  // namespace dorv::testing

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <ostream>

#include "converter/dorvs/framelist.h"
#include "converter/dorvs/plane_coding.h"
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

// Copies of another block of the plane: block `to` shows the top-left part
// of block `from` (its size is that of block `to`, clipped at the plane).
struct BlockCopyCase {
  const char* name;
  int32_t w, h, bw, bh, to, from;
};

void PrintTo(const BlockCopyCase& c, std::ostream* os) { *os << c.name; }

class KindMinusTwo : public ::testing::TestWithParam<BlockCopyCase> {};

TEST_P(KindMinusTwo, CopiesAnotherBlockOfThePlane) {
  const BlockCopyCase& c = GetParam();
  DocSpec d;
  d.blockWidth = c.bw;
  d.blockHeight = c.bh;
  FrameSpec f;
  f.width = c.w;
  f.height = c.h;
  f.bpp = 8;
  f.palette = Palette16();
  const auto value = [](int x, int y) { return static_cast<uint32_t>((x + y * 7) & 0xFF); };
  LayerSpec l;
  l.rows = MakeRows(c.w, c.h, 8, value);
  const int32_t bx = (c.w + c.bw - 1) / c.bw, by = (c.h + c.bh - 1) / c.bh;
  l.blocks.resize(static_cast<size_t>(bx * by));
  l.blocks[static_cast<size_t>(c.to)] = BlockEntry{-2, c.from};
  f.layers.push_back(l);
  d.frames.push_back(f);
  auto doc = LoadDov(WriteDov(d));
  const TDIBSurface& s = doc->GetFrame(0).Surface;
  const int32_t tx = (c.to % bx) * c.bw, ty = (c.to / bx) * c.bh;
  const int32_t fx = (c.from % bx) * c.bw, fy = (c.from / bx) * c.bh;
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      const bool copied = x >= tx && x < tx + c.bw && y >= ty && y < ty + c.bh;
      const uint32_t want = copied ? value(x - tx + fx, y - ty + fy) : value(x, y);
      ASSERT_EQ(s.ReadPixel(x, y), want) << x << "," << y;
    }
}

// A 70 x 40 8-bit plane in 32 x 32 blocks has 3 x 2 blocks; the last column
// is 6 pixels wide and the last row 8 high.
INSTANTIATE_TEST_SUITE_P(BlockCopies, KindMinusTwo,
                         ::testing::Values(BlockCopyCase{"default_blocks_last_row_from_the_first", 70, 40, 32, 32, 4, 0},
                                           BlockCopyCase{"wide_blocks_from_the_second_row", 20, 9, 8, 3, 8, 4},
                                           BlockCopyCase{"tall_blocks_from_the_second_row", 9, 20, 3, 8, 7, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

// Whatever rectangle and point it is given, CopyBlock writes only inside the
// destination and reads only inside the source.
TEST(BlockCopies, CopyBlockStaysInsideBothPlanes) {
  struct Case {
    int32_t dw, dh, dbits, x, y;
    TRect rect;
    int32_t sw, sh, sbits;
    int32_t rows;  // destination rows that receive bytes, from y
  };
  for (const Case& c : {Case{4, 2, 8, 0, 0, {0, 0, 4, 6}, 4, 6, 8, 2}, Case{4, 3, 8, 0, 1, {0, 0, 4, 4}, 4, 4, 8, 2},
                        Case{4, 4, 8, 0, 0, {0, 0, 4, 4}, 4, 2, 8, 2}, Case{3, 3, 8, 2, 0, {0, 0, 3, 3}, 3, 3, 32, 3}}) {
    TDIBSurface dest, source;
    dest.Allocate(c.dw, c.dh, c.dbits);
    source.Allocate(c.sw, c.sh, c.sbits);
    source.FillRect(source.BoundsRect(), 0x5A5A5A5A);
    for (int32_t y = 0; y < c.dh; ++y) std::memset(dest.Row(y), 0, static_cast<size_t>(dest.RowBytes()));
    ASSERT_NO_THROW(CopyBlock(dest, c.x, c.y, c.rect, source));
    const size_t rb = static_cast<size_t>(dest.RowBytes());
    const size_t from = static_cast<size_t>(c.x * c.dbits / 8);
    for (int32_t y = 0; y < c.dh; ++y)
      for (size_t i = 0; i < rb; ++i) {
        const bool written = y >= c.y && y < c.y + c.rows && i >= from;
        ASSERT_EQ(dest.RowReadOnly(y)[i], written ? 0x5A : 0) << "row " << y << " byte " << i;
      }
  }
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

// A frame copy from a frame of another size or depth: the block's bytes are
// copied whole as the source's bit count gives them, cut at the end of the
// destination row, at the end of the source row and at the source's last
// row; nothing outside the copied rows is touched. The copied block is the
// last of its plane, after the blocks whose bytes a copy running past its
// row would overwrite.
struct FrameCopyCase {
  const char* name;
  int32_t srcW, srcH, srcBpp, dstW, dstH, dstBpp, bw, bh;
};

void PrintTo(const FrameCopyCase& c, std::ostream* os) { *os << c.name; }

struct ExpectedPlane {
  std::vector<uint8_t> bytes;
  std::vector<bool> care;
};

ExpectedPlane AfterFrameCopy(const FrameCopyCase& c, int32_t dBits, int32_t sBits, const std::vector<uint8_t>& dstRows,
                             const std::vector<uint8_t>& srcRows) {
  const size_t drb = static_cast<size_t>(StoredRowBytes(c.dstW, dBits));
  const size_t srb = static_cast<size_t>(StoredRowBytes(c.srcW, sBits));
  const int32_t bx = (c.dstW + c.bw - 1) / c.bw, by = (c.dstH + c.bh - 1) / c.bh, b = bx * by - 1;
  const int32_t ax = (b % bx) * c.bw, ay = (b / bx) * c.bh;
  const int32_t aw = std::min(c.bw, c.dstW - ax), ah = std::min(c.bh, c.dstH - ay);
  ExpectedPlane e{dstRows, std::vector<bool>(dstRows.size(), true)};
  // Padding bytes stay as the fresh plane has them.
  for (int32_t y = 0; y < c.dstH; ++y)
    for (size_t i = (static_cast<size_t>(c.dstW) * static_cast<size_t>(dBits) + 7) / 8; i < drb; ++i)
      e.care[drb * static_cast<size_t>(y) + i] = false;
  const size_t blockOff = static_cast<size_t>(b % bx) * ((static_cast<size_t>(c.bw) * static_cast<size_t>(dBits) + 7) / 8);
  const size_t blockLen = (static_cast<size_t>(aw) * static_cast<size_t>(dBits) + 7) / 8;
  for (int32_t k = 0; k < ah; ++k)
    for (size_t i = blockOff; i < std::min(blockOff + blockLen, drb); ++i) e.care[drb * static_cast<size_t>(ay + k) + i] = false;
  const size_t len = (static_cast<size_t>(aw) * static_cast<size_t>(sBits) + 7) / 8;
  const size_t srcOff = static_cast<size_t>(ax) * static_cast<size_t>(sBits) / 8;
  const size_t dstOff = static_cast<size_t>(ax) * static_cast<size_t>(dBits) / 8;
  for (int32_t k = 0; k < ah && ay + k < c.srcH; ++k)
    for (size_t j = 0; j < len && srcOff + j < srb && dstOff + j < drb; ++j) {
      const size_t at = drb * static_cast<size_t>(ay + k) + dstOff + j;
      e.bytes[at] = srcRows[srb * static_cast<size_t>(ay + k) + srcOff + j];
      e.care[at] = true;
    }
  return e;
}

void ExpectPlane(const TDIBSurface& s, const ExpectedPlane& e, const char* what) {
  const size_t rb = static_cast<size_t>(s.RowBytes());
  ASSERT_EQ(rb * static_cast<size_t>(s.Height()), e.bytes.size()) << what;
  for (int32_t y = 0; y < s.Height(); ++y)
    for (size_t i = 0; i < rb; ++i) {
      const size_t at = rb * static_cast<size_t>(y) + i;
      if (e.care[at]) {
        ASSERT_EQ(s.RowReadOnly(y)[i], e.bytes[at]) << what << " row " << y << " byte " << i;
      }
    }
}

class FrameCopy : public ::testing::TestWithParam<FrameCopyCase> {};

TEST_P(FrameCopy, CopiesWholeBytesCutAtBothPlanes) {
  const FrameCopyCase& c = GetParam();
  DocSpec d;
  d.compType = 1;
  d.blockWidth = c.bw;
  d.blockHeight = c.bh;
  const auto frame = [&](int32_t w, int32_t h, int32_t bpp, uint32_t salt) {
    FrameSpec f;
    f.width = w;
    f.height = h;
    f.bpp = bpp;
    if (bpp <= 8) f.palette = Palette16();
    LayerSpec l;
    l.rows = MakeRows(w, h, bpp, [&](int x, int y) { return Pattern(bpp, x + static_cast<int>(salt), y) | (bpp == 32 ? 0x01000000u : 0); });
    l.alphaRows = MakeRows(w, h, 8, [&](int x, int y) { return static_cast<uint32_t>(x * 7 + y * 31 + salt) & 0xFF; });
    l.alphaOn = true;
    f.layers.push_back(l);
    return f;
  };
  d.frames.push_back(frame(c.srcW, c.srcH, c.srcBpp, 3));
  d.frames.push_back(frame(c.dstW, c.dstH, c.dstBpp, 11));
  const int32_t n = ((c.dstW + c.bw - 1) / c.bw) * ((c.dstH + c.bh - 1) / c.bh);
  LayerSpec& l = d.frames[1].layers[0];
  l.blocks.assign(static_cast<size_t>(n), BlockEntry{-1, 0});
  l.blocks.back() = BlockEntry{0, 0};
  l.alphaBlocks = l.blocks;

  auto doc = LoadDov(WriteDov(d));
  const TDIBSurface& s = doc->GetFrame(1).Surface;
  ASSERT_EQ(s.Width(), c.dstW);
  ASSERT_EQ(s.Depth(), c.dstBpp);
  const auto stored = [](int32_t bpp) { return bpp == 15 ? 16 : bpp; };
  ExpectPlane(s, AfterFrameCopy(c, stored(c.dstBpp), stored(c.srcBpp), l.rows, d.frames[0].layers[0].rows), "colour");
  ASSERT_NE(s.AlphaPlane(), nullptr);
  ExpectPlane(*s.AlphaPlane(), AfterFrameCopy(c, 8, 8, *l.alphaRows, *d.frames[0].layers[0].alphaRows), "alpha");
}

INSTANTIATE_TEST_SUITE_P(
    BlockCopies, FrameCopy,
    ::testing::Values(FrameCopyCase{"same_size_and_depth", 8, 8, 8, 8, 8, 8, 4, 4},
                      FrameCopyCase{"from_32_bits_into_8", 8, 8, 32, 8, 8, 8, 4, 4},
                      FrameCopyCase{"from_8_bits_into_32", 8, 8, 8, 8, 8, 32, 4, 4},
                      FrameCopyCase{"from_24_bits_into_16_clipped_block", 10, 6, 24, 10, 6, 16, 4, 4},
                      FrameCopyCase{"from_32_bits_into_24", 7, 5, 32, 7, 5, 24, 3, 2},
                      FrameCopyCase{"from_4_bits_into_8", 8, 8, 4, 8, 8, 8, 4, 4},
                      FrameCopyCase{"from_a_larger_frame", 16, 12, 8, 8, 8, 8, 4, 4},
                      FrameCopyCase{"from_a_larger_frame_of_more_bits", 16, 12, 32, 8, 8, 15, 4, 4},
                      FrameCopyCase{"from_a_shorter_frame", 8, 6, 8, 8, 8, 8, 4, 4},
                      FrameCopyCase{"from_a_narrower_frame", 6, 8, 8, 8, 8, 8, 4, 4},
                      FrameCopyCase{"from_a_frame_ending_left_of_the_block", 3, 8, 8, 8, 8, 8, 4, 4},
                      FrameCopyCase{"from_a_smaller_frame_of_more_bits", 5, 5, 32, 8, 8, 8, 4, 4}),
    [](const auto& info) { return std::string(info.param.name); });

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

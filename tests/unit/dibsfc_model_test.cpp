// The surface model: row sizes, pixel encodings, layouts, allocation, copy on
// write, palette commits and the alpha plane.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "converter/core/errors.h"
#include "converter/core/limits.h"
#include "converter/dibsfc/dibsfc.h"

namespace dorv {
namespace {

struct RowBytesCase {
  int32_t bits, width, rowBytes;
};
class RowBytesTable : public testing::TestWithParam<RowBytesCase> {};

TEST_P(RowBytesTable, RowsArePaddedToWholeWords) {
  const auto c = GetParam();
  TDIBSurface s;
  s.Allocate(c.width, 2, c.bits);
  EXPECT_EQ(s.RowBytes(), c.rowBytes);
  EXPECT_EQ(s.SizeBytes(), uint64_t(c.rowBytes) * 2);
  EXPECT_EQ(s.RowReadOnly(1) - s.RowReadOnly(0), c.rowBytes);  // top-down, contiguous
}

INSTANTIATE_TEST_SUITE_P(Surface, RowBytesTable,
                         testing::Values(RowBytesCase{1, 1, 4}, RowBytesCase{1, 33, 8},
                                         RowBytesCase{4, 9, 8}, RowBytesCase{8, 5, 8},
                                         RowBytesCase{24, 3, 12}, RowBytesCase{16, 3, 8},
                                         RowBytesCase{15, 3, 8}, RowBytesCase{32, 3, 12}));

// Where WritePixel puts a value, and what ReadPixel gives back.
struct EncodingCase {
  int32_t bits, x;
  uint32_t written, readBack;
  int byteIndex;
  uint8_t byteValue;
};
class PixelEncoding : public testing::TestWithParam<EncodingCase> {};

TEST_P(PixelEncoding, WritePixelStoresTheValueWhereTheEncodingSays) {
  const auto c = GetParam();
  TDIBSurface s;
  s.Allocate(16, 1, c.bits);
  s.WritePixel(c.x, 0, c.written);
  EXPECT_EQ(s.ReadPixel(c.x, 0), c.readBack);
  const uint8_t* row = s.RowReadOnly(0);
  EXPECT_EQ(row[c.byteIndex], c.byteValue);
  for (int i = 0; i < s.RowBytes(); ++i) {
    const bool samePixel = c.bits >= 16 && i / (c.bits / 8) == c.x;
    if (i != c.byteIndex && !samePixel) {
      EXPECT_EQ(row[i], 0) << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Surface, PixelEncoding,
    testing::Values(EncodingCase{1, 9, 1, 1, 1, 0x40},       // bit 6 of byte 1
                    EncodingCase{1, 0, 3, 1, 0, 0x80},       // only bit 0 of the value
                    EncodingCase{4, 3, 0x1F, 15, 1, 0x0F},   // low nibble of byte 1
                    EncodingCase{4, 2, 7, 7, 1, 0x70},       // even x: high nibble
                    EncodingCase{8, 5, 0x1AB, 0xAB, 5, 0xAB},
                    EncodingCase{16, 1, 0x12345, 0x2345, 2, 0x45},
                    EncodingCase{24, 1, 0x112233, 0x112233, 3, 0x33},
                    EncodingCase{24, 1, 0xFF112233, 0x112233, 5, 0x11},
                    EncodingCase{32, 2, 0xA1B2C3D4, 0xA1B2C3D4, 11, 0xA1}));

TEST(PixelEncoding, OutsideTheSurfaceReadsZeroAndWritesNothing) {
  TDIBSurface s;
  s.Allocate(4, 2, 8);
  std::memset(s.TopRow(), 9, s.SizeBytes());
  for (auto [x, y] : {std::pair{-1, 0}, {4, 0}, {0, -1}, {0, 2}}) {
    EXPECT_EQ(s.ReadPixel(x, y), 0u);
    s.WritePixel(x, y, 1);
  }
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(s.ReadPixel(x, y), 9u);
}

struct LayoutCase {
  const char* name;
  TPixelLayout layout;
  uint32_t value;
  TRGB unpacked;
};
class LayoutTable : public testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTable, UnpackWidensEachChannelByItsLoss) {
  const auto c = GetParam();
  EXPECT_EQ(UnpackRGB(c.layout, c.value), c.unpacked) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Surface, LayoutTable,
    testing::Values(LayoutCase{"565 white", kLayout565, 0xFFFF, {255, 255, 255}},
                    LayoutCase{"565 mid", kLayout565, 0x8410, {144, 160, 144}},
                    LayoutCase{"555 mid", kLayout555, 0x4210, {144, 144, 144}},
                    LayoutCase{"555 ones", kLayout555, 0x0421, {9, 9, 9}},
                    LayoutCase{"555 top bit ignored", kLayout555, 0x8000, {0, 0, 0}},
                    LayoutCase{"888", kLayout888, 0xFF123456, {0x12, 0x34, 0x56}}));

TEST(LayoutTable, MasksShiftsAndPacking) {
  EXPECT_EQ(kLayout565.RMask, 0xF800u);
  EXPECT_EQ(kLayout565.GShift, 3u);
  EXPECT_EQ(kLayout555.GMask, 0x03E0u);
  EXPECT_EQ(kLayout555.RShift, 7u);
  EXPECT_EQ(kLayout888.RShift, 16u);
  EXPECT_EQ(PackRGB(kLayout565, 128, 128, 128), 0x8410u);
  EXPECT_EQ(PackRGB(kLayout555, 128, 128, 128), 0x4210u);
  EXPECT_EQ(PackRGB(kLayout565, 255, 255, 255), 0xFFFFu);
  EXPECT_EQ(PackRGB(kLayout888, 1, 2, 3), 0x010203u);
  // Packing keeps the top bits of each channel and drops the rest.
  EXPECT_EQ(PackRGB(kLayout565, 0x07, 0x03, 0x07), 0u);
  EXPECT_EQ(PackRGB(kLayout555, 0xF8, 0, 0), 0x7C00u);
}

TEST(Allocate, SameSizeDepthAndLayoutKeepsTheStoreAndItsPixels) {
  TDIBSurface s;
  s.Allocate(10, 10, 8);
  s.WritePixel(3, 4, 77);
  const uint8_t* before = s.TopRowReadOnly();
  s.Allocate(10, 10, 8);
  EXPECT_EQ(s.TopRowReadOnly(), before);
  EXPECT_EQ(s.ReadPixel(3, 4), 77u);
}

TEST(Allocate, ALayoutChangeBuildsANewStore) {
  TDIBSurface s;
  s.Allocate(4, 4, 16);
  EXPECT_EQ(s.Depth(), 16);
  s.WritePixel(0, 0, 0xFFFF);
  s.Allocate(4, 4, 15);
  EXPECT_EQ(s.Depth(), 15);
  EXPECT_EQ(s.BitCount(), 16);
  EXPECT_EQ(s.ReadPixel(0, 0), 0u);
  EXPECT_TRUE(s.PixelLayout.SameMasks(kLayout555));
}

TEST(Allocate, NonPositiveSizeEmptiesTheSurfaceAndDropsItsAlphaPlane) {
  TDIBSurface s;
  s.Allocate(10, 10, 24);
  s.EnsureAlpha();
  s.Allocate(0, 10, 24);
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_EQ(s.Width(), 0);
  EXPECT_EQ(s.BitCount(), 0);
  EXPECT_EQ(s.AlphaPlane(), nullptr);
}

TEST(Allocate, AnInvalidBitCountIsRefusedAndChangesNothing) {
  TDIBSurface s;
  s.Allocate(4, 4, 16);
  s.EnsureAlpha();
  s.WritePixel(1, 1, 0x1234);
  s.Palette[3].Red = 9;
  try {
    s.Allocate(10, 10, 2);
    FAIL();
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_EQ(std::string(e.what()), "不正なビット数です (2)");
  }
  EXPECT_EQ(s.Width(), 4);
  EXPECT_EQ(s.Depth(), 16);
  EXPECT_TRUE(s.PixelLayout.SameMasks(kLayout565));
  EXPECT_EQ(s.ReadPixel(1, 1), 0x1234u);
  EXPECT_EQ(s.Palette[3].Red, 9);
  ASSERT_NE(s.AlphaPlane(), nullptr);
  EXPECT_EQ(s.AlphaPlane()->Width(), 4);
}

TEST(Allocate, AStoreWithAMismatchedLayoutIsAnInvalidPixelFormat) {
  try {
    TDIBSharedImage::Build(2, 2, 24, GreyRampPalette(), kLayout565);
    FAIL();
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_EQ(std::string(e.what()), "不正なピクセルフォーマットです");
  }
  EXPECT_THROW(TDIBSharedImage::Build(2, 2, 16, GreyRampPalette(), kLayout888),
               EInvalidGraphicOperation);
}

// Sizes are worked out in 64 bits: none of these may wrap around to a small
// block, and all are refused before memory is reserved.
struct HugeCase {
  int32_t width, height, depth;
};
class HugeSizes : public testing::TestWithParam<HugeCase> {};

TEST_P(HugeSizes, AreOutOfMemoryAndLeaveTheSurfaceAsItWas) {
  const auto c = GetParam();
  TDIBSurface s;
  s.Allocate(3, 3, 8);
  s.EnsureAlpha();
  s.WritePixel(2, 2, 5);
  try {
    s.Allocate(c.width, c.height, c.depth);
    FAIL();
  } catch (const EOutOfMemory& e) {
    EXPECT_STREQ(e.what(), "Out of memory");
  }
  EXPECT_EQ(s.Width(), 3);
  EXPECT_EQ(s.ReadPixel(2, 2), 5u);
  ASSERT_NE(s.AlphaPlane(), nullptr);
  EXPECT_EQ(s.AlphaPlane()->Height(), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Surface, HugeSizes,
    testing::Values(HugeCase{0x7FFFFFFF, 0x7FFFFFFF, 32},  // product wraps in 32 bits
                    HugeCase{65536, 65536, 1},              // 2^32 pixels: wraps to 0
                    HugeCase{16385, 16384, 8},              // just over the pixel cap
                    HugeCase{0x7FFFFFFF, 1, 32}));          // row bytes above 32 bits

TEST(HugeSizes, TheLargestAllowedSurfaceIsComputedWithoutOverflow) {
  // 2^28 pixels at 32 bits is a 1 GiB block: allowed, and only the arithmetic
  // is checked here (the block is not touched).
  const uint64_t pixels = limits::kMaxSurfacePixels;
  EXPECT_EQ(DIBRowBytes(int64_t(pixels), 32), int64_t(pixels) * 4);
  EXPECT_EQ(DIBRowBytes(0x7FFFFFFF, 32), int64_t(0x7FFFFFFF) * 4);
}

TEST(Rows, RowOutsideTheSurfaceNamesTheIndex) {
  TDIBSurface s;
  s.Allocate(2, 3, 8);
  for (int32_t y : {3, -1}) {
    try {
      s.Row(y);
      FAIL();
    } catch (const EInvalidGraphicOperation& e) {
      EXPECT_EQ(std::string(e.what()), "スキャンラインのインデックスが範囲を越えました (" + std::to_string(y) + ")");
    }
  }
  TDIBSurface empty;
  EXPECT_THROW(empty.Row(0), EInvalidGraphicOperation);
}

TEST(CopyOnWrite, AssignedSurfacesShareUntilOneWrites) {
  TDIBSurface a;
  a.Allocate(4, 4, 8);
  a.WritePixel(0, 0, 1);
  TDIB b;
  b.Assign(&a);
  EXPECT_EQ(b.TopRowReadOnly(), a.TopRowReadOnly());  // shared, not copied
  EXPECT_EQ(b.ReadPixel(0, 0), 1u);
  a.WritePixel(0, 0, 2);                               // a gets its own copy
  EXPECT_NE(b.TopRowReadOnly(), a.TopRowReadOnly());
  EXPECT_EQ(b.ReadPixel(0, 0), 1u);
  EXPECT_EQ(a.ReadPixel(0, 0), 2u);
  b.Row(1)[0] = 9;
  EXPECT_EQ(a.ReadPixel(0, 1), 0u);
  b.Assign(nullptr);
  EXPECT_TRUE(b.IsEmpty());
}

TEST(CopyOnWrite, BorrowedRowsAreReadInPlaceAndNeverWritten) {
  std::vector<uint8_t> rows(16);
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i);
  const std::vector<uint8_t> before = rows;
  TDIBSurface a;
  a.BorrowPixels(8, 2, 8, rows.data());
  EXPECT_EQ(a.TopRowReadOnly(), rows.data());
  EXPECT_EQ(a.ReadPixel(3, 1), 11u);
  a.Palette[5] = TPaletteEntry{1, 2, 3, 0};
  a.CommitPalette();  // the palette is the store's own: no copy of the rows
  EXPECT_EQ(a.TopRowReadOnly(), rows.data());
  EXPECT_EQ(a.CommittedPalette()[5], (TPaletteEntry{1, 2, 3, 0}));

  a.WritePixel(0, 0, 200);  // copied first, although nothing else shares the store
  EXPECT_NE(a.TopRowReadOnly(), rows.data());
  EXPECT_EQ(a.ReadPixel(0, 0), 200u);
  EXPECT_EQ(a.ReadPixel(3, 1), 11u);
  EXPECT_EQ(rows, before);

  TDIBSurface b;
  b.BorrowPixels(8, 2, 8, rows.data());
  TDIB shared;
  shared.Assign(&b);
  shared.Row(1)[0] = 99;  // the sharer's own copy
  EXPECT_EQ(shared.ReadPixel(0, 1), 99u);
  EXPECT_EQ(b.TopRowReadOnly(), rows.data());
  EXPECT_EQ(b.ReadPixel(0, 1), 8u);
  EXPECT_EQ(rows, before);
}

// Memory handed to a surface to become its pixels: taken only by a surface
// whose pixels are its own and nobody else's, and only when large enough.
TEST(AdoptPixels, OnlyASurfaceThatOwnsItsPixelsTakesMemoryOfItsSize) {
  const auto block = [](uint64_t n, uint8_t first) {
    Block b = AllocateBlock(n);
    b[0] = first;
    return b;
  };
  TDIBSurface own;
  own.Allocate(8, 2, 8);  // 16 bytes
  Block shortBlock = block(15, 1);
  EXPECT_FALSE(own.AdoptPixels(shortBlock, 15));
  EXPECT_NE(shortBlock, nullptr);
  Block pixels = block(20, 7);
  const uint8_t* const at = pixels.get();
  ASSERT_TRUE(own.OwnsPixels());
  EXPECT_TRUE(own.AdoptPixels(pixels, 20));
  EXPECT_EQ(pixels, nullptr);
  EXPECT_EQ(own.TopRowReadOnly(), at);
  EXPECT_EQ(own.ReadPixel(0, 0), 7u);

  TDIB sharer;
  sharer.Assign(&own);  // shared: neither may swap the memory under the other
  Block other = block(16, 3);
  EXPECT_FALSE(own.OwnsPixels());
  EXPECT_FALSE(own.AdoptPixels(other, 16));
  EXPECT_EQ(sharer.ReadPixel(0, 0), 7u);

  std::vector<uint8_t> rows(16);
  TDIBSurface lent, borrowed, empty;
  lent.UsePixels(8, 2, 8, rows.data());
  borrowed.BorrowPixels(8, 2, 8, rows.data());
  for (TDIBSurface* s : {&lent, &borrowed, &empty}) {
    EXPECT_FALSE(s->OwnsPixels());
    EXPECT_FALSE(s->AdoptPixels(other, 16));
  }
  EXPECT_EQ(lent.TopRowReadOnly(), rows.data());
}

TEST(Palette, ResetRestoresTheGreyRampAndAllocateKeepsAnUncommittedPalette) {
  TDIBSurface s;
  EXPECT_EQ(s.Palette, GreyRampPalette());
  s.Palette[1] = TPaletteEntry{1, 2, 3, 4};
  s.Allocate(2, 2, 8);  // built from the working palette
  TDIB view;
  view.Assign(&s);
  EXPECT_EQ(view.Palette[1], (TPaletteEntry{1, 2, 3, 4}));
  s.Reset();
  EXPECT_EQ(s.Palette, GreyRampPalette());
}

TEST(Palette, CommitGoesToTheStoreWithoutTouchingSharers) {
  TDIBSurface s;
  s.Allocate(2, 2, 4);
  TDIB keep;
  keep.Assign(&s);
  s.Palette[15] = TPaletteEntry{9, 9, 9, 9};
  s.CommitPalette();
  TDIB view;
  view.Assign(&s);
  EXPECT_EQ(view.Palette[15], (TPaletteEntry{9, 9, 9, 9}));
  EXPECT_EQ(keep.Palette[15], GreyRampPalette()[15]);
  // An uncommitted edit survives a copy on write.
  s.Palette[2] = TPaletteEntry{7, 7, 7, 0};
  TDIB other;
  other.Assign(&s);
  s.Row(0);
  EXPECT_EQ(s.Palette[2], (TPaletteEntry{7, 7, 7, 0}));
  // Committing on an empty surface never touches the shared empty store.
  TDIBSurface e1;
  e1.Palette[0].Red = 1;
  e1.CommitPalette();
  TDIBSurface e2;
  EXPECT_EQ(e2.Palette, GreyRampPalette());
}

TEST(AlphaPlane, FollowsTheColourSurfaceSize) {
  TDIBSurface s;
  s.Allocate(8, 4, 24);
  s.EnsureAlpha();
  ASSERT_NE(s.AlphaPlane(), nullptr);
  EXPECT_EQ(s.AlphaPlane()->Width(), 8);
  EXPECT_EQ(s.AlphaPlane()->Height(), 4);
  EXPECT_EQ(s.AlphaPlane()->BitCount(), 8);
  s.AlphaPlane()->WritePixel(7, 3, 200);
  s.Allocate(8, 4, 24);  // no change: the plane keeps its bytes
  EXPECT_EQ(s.AlphaPlane()->ReadPixel(7, 3), 200u);
  s.Allocate(8, 4, 32);  // other depth, same size: still kept
  EXPECT_EQ(s.AlphaPlane()->ReadPixel(7, 3), 200u);
  s.Allocate(8, 6, 24);
  EXPECT_EQ(s.AlphaPlane()->Height(), 6);
  s.DropAlpha();
  EXPECT_EQ(s.AlphaPlane(), nullptr);
}

TEST(AlphaPlane, OnAnEmptySurfaceStaysEmptyUntilTheSurfaceIsAllocated) {
  TDIBSurface s;
  s.EnsureAlpha();
  ASSERT_NE(s.AlphaPlane(), nullptr);
  EXPECT_TRUE(s.AlphaPlane()->IsEmpty());
  s.Allocate(5, 2, 8);
  EXPECT_EQ(s.AlphaPlane()->Width(), 5);
  s.Reset();
  EXPECT_EQ(s.AlphaPlane(), nullptr);
}

}  // namespace
}  // namespace dorv

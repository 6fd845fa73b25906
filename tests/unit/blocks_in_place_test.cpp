// Block-form planes moved to plane rows inside the memory they were inflated
// into: the rows must come out as placing each block in turn makes them, or,
// where that cannot be done in place, the memory must be left untouched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "converter/dorvs/blocks_in_place.h"

namespace dorv {
namespace {

struct InPlaceCase {
  const char* Name;
  int32_t Width, Height, Block, Bits;
  int32_t NotStoredEvery;  // 0: every block stored; k: every k-th block from block 0 not stored
  bool FirstRowNotStored;
  int64_t Table;   // bytes before the stored blocks; -1: 8 a block
  int64_t Spare;   // bytes past the larger of the plane and the data (may be negative)
  bool Placed;
};

uint8_t Byte(int64_t x, int64_t y) { return static_cast<uint8_t>(1 + (x * 7 + y * 13) % 251); }

struct Built {
  TBlockGrid Grid;
  std::vector<uint8_t> Stored;
  std::vector<uint8_t> Memory;  // the table, then the stored blocks, then spare bytes
  std::vector<uint8_t> Expected;
  uint64_t DataAt = 0;
};

Built Build(const InPlaceCase& c) {
  Built b;
  const uint64_t W = static_cast<uint64_t>(c.Width), H = static_cast<uint64_t>(c.Height);
  const uint64_t BW = static_cast<uint64_t>(c.Block), bits = static_cast<uint64_t>(c.Bits);
  const uint64_t BX = (W + BW - 1) / BW, BY = (H + BW - 1) / BW;
  const size_t rb = static_cast<size_t>(((W * bits + 31) / 32) * 4);
  b.Grid = TBlockGrid{W, H, BW, BW, BX, bits, rb, PixelBytes(BW, bits)};
  b.Stored.assign(static_cast<size_t>(BX * BY), 1);
  for (uint64_t i = 0; i < BX * BY; ++i) {
    if (c.NotStoredEvery > 0 && i % static_cast<uint64_t>(c.NotStoredEvery) == 0) b.Stored[i] = 0;
    if (c.FirstRowNotStored && i < BX) b.Stored[i] = 0;
  }
  b.DataAt = c.Table < 0 ? BX * BY * 8 : static_cast<uint64_t>(c.Table);
  b.Expected.assign(rb * H, 0);
  std::vector<uint8_t> data;
  for (uint64_t i = 0; i < BX * BY; ++i) {
    const TBlockArea a = b.Grid.Area(i);
    const uint64_t len = PixelBytes(static_cast<uint64_t>(a.W), bits);
    const uint64_t x0 = a.Col * b.Grid.BlockStride;
    for (int32_t k = 0; k < a.H; ++k) {
      const uint64_t y = static_cast<uint64_t>(a.Y + k);
      for (uint64_t j = 0; j < len; ++j) {
        if (b.Stored[i] == 0) continue;
        data.push_back(Byte(static_cast<int64_t>(x0 + j), static_cast<int64_t>(y)));
        b.Expected[y * rb + x0 + j] = data.back();
      }
    }
  }
  const int64_t used = static_cast<int64_t>(std::max<uint64_t>(b.DataAt + data.size(), rb * H));
  b.Memory.assign(static_cast<size_t>(used + c.Spare), 0xEE);
  // (Where the memory is short, as much of the data as fits.)
  const size_t fits = std::min(data.size(), b.Memory.size() - static_cast<size_t>(b.DataAt));
  if (fits > 0) std::memcpy(b.Memory.data() + b.DataAt, data.data(), fits);
  return b;
}

class BlocksInPlaceTest : public ::testing::TestWithParam<InPlaceCase> {};

TEST_P(BlocksInPlaceTest, MovesTheBlocksOrLeavesTheMemoryAsItWas) {
  const InPlaceCase& c = GetParam();
  Built b = Build(c);
  const std::vector<uint8_t> before = b.Memory;
  const bool placed = PlaceBlocksInPlace(b.Grid, b.Stored, b.Memory.data(), b.Memory.size(), b.DataAt);
  ASSERT_EQ(placed, c.Placed);
  if (!placed) {
    EXPECT_TRUE(b.Memory == before);
    return;
  }
  const std::vector<uint8_t> rows(b.Memory.begin(), b.Memory.begin() + static_cast<ptrdiff_t>(b.Expected.size()));
  for (size_t at = 0; at < rows.size(); ++at)
    ASSERT_EQ(rows[at], b.Expected[at]) << "row " << at / b.Grid.RowBytes << ", byte " << at % b.Grid.RowBytes;
}

// 1024 x 400 at 24 bits is a 1.2 MiB plane, moved in two halves; the small
// planes are moved in one pass.
INSTANTIATE_TEST_SUITE_P(
    Planes, BlocksInPlaceTest,
    ::testing::Values(
        InPlaceCase{"all_stored_top_down", 1024, 400, 64, 24, 0, false, -1, 0, true},
        InPlaceCase{"all_stored_small_padded", 70, 33, 16, 8, 0, false, -1, 0, true},
        InPlaceCase{"copies_bottom_up", 1024, 400, 64, 24, 3, false, -1, 0, true},
        InPlaceCase{"copies_bottom_up_small", 90, 70, 16, 16, 2, false, -1, 0, true},
        InPlaceCase{"table_outgrows_what_copies_save", 90, 70, 8, 16, 2, false, -1, 0, false},
        InPlaceCase{"first_block_row_copied", 1024, 400, 32, 24, 0, true, -1, 0, true},
        InPlaceCase{"clipped_edges_32_bit", 1000, 390, 64, 32, 0, false, -1, 0, true},
        InPlaceCase{"clipped_edges_copies_8_bit", 1250, 1100, 48, 8, 4, false, -1, 7, true},
        InPlaceCase{"one_block_row", 300, 20, 32, 24, 0, false, -1, 0, true},
        InPlaceCase{"one_block_column", 20, 300, 32, 24, 0, false, -1, 0, true},
        InPlaceCase{"nothing_stored", 200, 100, 16, 24, 1, false, -1, 0, true},
        InPlaceCase{"padding_outgrows_the_table", 1001, 400, 16, 24, 0, false, 100, 0, false},
        InPlaceCase{"pixels_below_a_byte", 64, 64, 16, 4, 0, false, -1, 0, false},
        InPlaceCase{"data_past_the_memory", 300, 100, 32, 24, 0, false, -1, -1, false},
        InPlaceCase{"block_row_past_the_copy", 4096, 1024, 1024, 24, 0, false, -1, 0, false}),
    [](const ::testing::TestParamInfo<InPlaceCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace dorv

// The pure parts of dovtool's exports: delays, scaling, sheet layout,
// trimming and extrusion, frame lists and palette files.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "tools/anim_timing.h"
#include "tools/dovtool_args.h"
#include "tools/frame_ranges.h"
#include "tools/palette_export.h"
#include "tools/pixel_scale.h"
#include "tools/sheet_layout.h"

namespace {

using dorv::tools::Box;
using dorv::tools::SheetLayout;
using dorv::tools::frames::Composite;

struct DelayCase {
  std::vector<int32_t> ms;
  std::vector<uint16_t> cs;
};

TEST(GifDelays, CarryTheRoundingSoTheTotalIsExactToTheCentisecond) {
  const DelayCase cases[] = {
      {{10, 10, 10}, {1, 1, 1}},
      {{15, 15, 15, 15}, {2, 1, 2, 1}},         // 15, 30, 45, 60 ms end at 2, 3, 5, 6 cs
      {{33, 33, 33}, {3, 4, 3}},                // 33, 66, 99 ms
      {{100, 1000, 100}, {10, 100, 10}},
      {{5, 5, 5, 5}, {1, 0, 1, 0}},             // halves round up
      {{0, 1000}, {0, 100}},
      {{-20, 30}, {0, 3}},                      // negative delays show no time
      {{700000}, {65535}},                      // GIF's longest delay
  };
  for (const DelayCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.ms));
    EXPECT_EQ(dorv::tools::GifDelays(c.ms), c.cs);
  }
}

TEST(GifDelays, EveryFrameEndsWithinHalfACentisecondOfItsTime) {
  const std::vector<int32_t> ms = {10, 15, 33, 100, 1000, 7, 13, 999, 1, 1, 1, 45, 55};
  const std::vector<uint16_t> cs = dorv::tools::GifDelays(ms);
  int64_t endMs = 0, endCs = 0;
  for (size_t i = 0; i < ms.size(); ++i) {
    endMs += ms[i];
    endCs += cs[i];
    EXPECT_LE(std::abs(endCs * 10 - endMs), 5) << i;
  }
  EXPECT_EQ(endCs, (std::accumulate(ms.begin(), ms.end(), int64_t{0}) + 5) / 10);
}

TEST(ApngDelays, AreExactFractions) {
  struct Case {
    int32_t ms;
    uint16_t num, den;
    bool exact;
  } cases[] = {{10, 1, 100, true},  {15, 3, 200, true},      {33, 33, 1000, true},  {100, 1, 10, true},
               {1000, 1, 1, true},  {0, 0, 1, true},         {65535, 13107, 200, true},
               {70000, 70, 1, true}, {70001, 70, 1, false}};
  for (const Case& c : cases) {
    const dorv::tools::DelayFraction d = dorv::tools::ApngDelay(c.ms);
    EXPECT_EQ(d.num, c.num) << c.ms;
    EXPECT_EQ(d.den, c.den) << c.ms;
    EXPECT_EQ(d.exact, c.exact) << c.ms;
  }
}

Composite Indexed(int32_t w, int32_t h, std::vector<uint8_t> pixels, int32_t key = -1) {
  Composite c;
  c.Width = w;
  c.Height = h;
  c.Bpp = 8;
  c.Pixels = std::move(pixels);
  c.TransparentIndex = key;
  return c;
}

TEST(ScaleUp, MakesEachPixelABlock) {
  const Composite in = Indexed(2, 2, {1, 2, 3, 4});
  const Composite out = dorv::tools::ScaleUp(in, 3);
  ASSERT_EQ(out.Width, 6);
  ASSERT_EQ(out.Height, 6);
  const std::vector<uint8_t> want = {1, 1, 1, 2, 2, 2, 1, 1, 1, 2, 2, 2, 1, 1, 1, 2, 2, 2,
                                     3, 3, 3, 4, 4, 4, 3, 3, 3, 4, 4, 4, 3, 3, 3, 4, 4, 4};
  EXPECT_EQ(out.Pixels, want);

  dorv::tools::frames::RgbaImage rgba{1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
  const auto big = dorv::tools::ScaleUp(rgba, 2);
  EXPECT_EQ(big.Pixels, (std::vector<uint8_t>{1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4,
                                              5, 6, 7, 8, 5, 6, 7, 8, 5, 6, 7, 8, 5, 6, 7, 8}));
  EXPECT_EQ(dorv::tools::ScaleUp(in, 1).Pixels, in.Pixels);
  EXPECT_THROW(dorv::tools::ScaleUp(in, 33), std::runtime_error);
  EXPECT_THROW(dorv::tools::ScaleUp(Indexed(40000, 1, std::vector<uint8_t>(40000)), 32), std::runtime_error);
}

struct LayoutCase {
  const char* name;
  SheetLayout layout;
  int32_t columns, padding, extrude;
  int32_t width, height;
  std::vector<std::pair<int32_t, int32_t>> at;
};

TEST(PlanSheet, PlacesCellsAsEachLayoutSays) {
  // Three cells of 4x2 and one of 2x3.
  const std::vector<Box> sizes = {{0, 0, 4, 2}, {0, 0, 4, 2}, {0, 0, 4, 2}, {0, 0, 2, 3}};
  const LayoutCase cases[] = {
      {"one row", SheetLayout::Rows, 0, 0, 0, 16, 3, {{0, 0}, {4, 0}, {8, 0}, {12, 0}}},
      {"rows of 3, padded", SheetLayout::Rows, 3, 1, 0, 14, 7, {{0, 0}, {5, 0}, {10, 0}, {0, 4}}},
      {"one column", SheetLayout::Columns, 0, 0, 0, 4, 12, {{0, 0}, {0, 3}, {0, 6}, {0, 9}}},
      {"columns of 3", SheetLayout::Columns, 3, 0, 0, 8, 9, {{0, 0}, {0, 3}, {0, 6}, {4, 0}}},
      {"square grid", SheetLayout::Grid, 0, 0, 0, 8, 6, {{0, 0}, {4, 0}, {0, 3}, {4, 3}}},
      {"grid, extruded", SheetLayout::Grid, 2, 1, 1, 13, 11, {{1, 1}, {8, 1}, {1, 7}, {8, 7}}},
      {"packed, tallest first", SheetLayout::Packed, 0, 0, 0, 6, 7, {{2, 0}, {0, 3}, {0, 5}, {0, 0}}},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto plan = dorv::tools::PlanSheet(sizes, {c.layout, c.columns, c.padding, c.extrude});
    EXPECT_EQ(plan.width, c.width);
    EXPECT_EQ(plan.height, c.height);
    ASSERT_EQ(plan.cells.size(), sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
      EXPECT_EQ(plan.cells[i].x, c.at[i].first) << i;
      EXPECT_EQ(plan.cells[i].y, c.at[i].second) << i;
      EXPECT_EQ(plan.cells[i].w, sizes[i].w);
      // Cells with their extrusion never overlap and stay on the sheet.
      const Box& a = plan.cells[i];
      EXPECT_GE(a.x - c.extrude, 0);
      EXPECT_LE(a.x + a.w + c.extrude, plan.width);
      EXPECT_LE(a.y + a.h + c.extrude, plan.height);
      for (size_t j = 0; j < i; ++j) {
        const Box& b = plan.cells[j];
        const bool apart = a.x + a.w + 2 * c.extrude <= b.x || b.x + b.w + 2 * c.extrude <= a.x ||
                           a.y + a.h + 2 * c.extrude <= b.y || b.y + b.h + 2 * c.extrude <= a.y;
        EXPECT_TRUE(apart) << i << " " << j;
      }
    }
  }
}

TEST(Trim, FindsTheBoxOfPixelsThatAreNotClear) {
  // Key 0 around a 2x2 block.
  const Composite c = Indexed(4, 3, {0, 0, 0, 0, 0, 5, 6, 0, 0, 7, 0, 0}, 0);
  EXPECT_EQ(dorv::tools::OpaqueBounds(c), (Box{1, 1, 2, 2}));
  EXPECT_EQ(dorv::tools::Crop(c, {1, 1, 2, 2}).Pixels, (std::vector<uint8_t>{5, 6, 7, 0}));
  EXPECT_EQ(dorv::tools::OpaqueBounds(Indexed(3, 1, {0, 0, 0}, 0)), (Box{0, 0, 1, 1}));  // nothing: one pixel kept
  EXPECT_EQ(dorv::tools::OpaqueBounds(Indexed(3, 1, {0, 0, 0})), (Box{0, 0, 3, 1}));     // no key: nothing clear
  Composite rgba;
  rgba.Width = 2;
  rgba.Height = 1;
  rgba.Bpp = 32;
  rgba.Pixels = {9, 9, 9, 0, 1, 2, 3, 1};
  EXPECT_EQ(dorv::tools::OpaqueBounds(rgba), (Box{1, 0, 1, 1}));
  EXPECT_THROW(dorv::tools::Crop(c, {3, 0, 2, 1}), std::runtime_error);
}

TEST(PlaceCell, RepeatsTheEdgesAroundTheCell) {
  Composite sheet = dorv::tools::BlankSheet(4, 4, Indexed(1, 1, {0}, 9));
  EXPECT_EQ(sheet.Pixels, std::vector<uint8_t>(16, 9));
  dorv::tools::PlaceCell(sheet, Indexed(2, 2, {1, 2, 3, 4}), 1, 1, 1);
  EXPECT_EQ(sheet.Pixels, (std::vector<uint8_t>{1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4}));
  EXPECT_THROW(dorv::tools::PlaceCell(sheet, Indexed(2, 2, {1, 2, 3, 4}), 0, 0, 1), std::runtime_error);
}

TEST(FrameRanges, ReadListsAndRanges) {
  using dorv::tools::ParseFrameRanges;
  EXPECT_EQ(ParseFrameRanges("0-2,5", 6), (std::vector<uint32_t>{0, 1, 2, 5}));
  EXPECT_EQ(ParseFrameRanges("4-", 6), (std::vector<uint32_t>{4, 5}));
  EXPECT_EQ(ParseFrameRanges("3,1", 6), (std::vector<uint32_t>{3, 1}));
  for (const char* bad : {"", "a", "1-x", "3-1", "1,,2", "-2"})
    EXPECT_THROW(ParseFrameRanges(bad, 6), dorv::tools::UsageError) << bad;
  EXPECT_THROW(ParseFrameRanges("6", 6), std::runtime_error);
}

TEST(PaletteFiles, FollowEachProgramsForm) {
  using dorv::tools::PaletteFormat;
  const dorv::tools::PaletteColours p{"pal", {{255, 0, 16}, {1, 2, 3}}, 1};
  const auto text = [&](PaletteFormat f) {
    const auto bytes = dorv::tools::EncodePalette(p, f);
    return std::string(bytes.begin(), bytes.end());
  };
  EXPECT_EQ(text(PaletteFormat::Gimp),
            "GIMP Palette\nName: pal\nColumns: 16\n#\n255   0  16\tIndex 0\n  1   2   3\tIndex 1 (transparent)\n");
  EXPECT_EQ(text(PaletteFormat::Jasc), "JASC-PAL\r\n0100\r\n2\r\n255 0 16\r\n1 2 3\r\n");
  EXPECT_EQ(text(PaletteFormat::Hex), "ff0010\n010203\n");
  const auto act = dorv::tools::EncodePalette(p, PaletteFormat::Act);
  ASSERT_EQ(act.size(), 772u);
  EXPECT_EQ(std::vector<uint8_t>(act.begin(), act.begin() + 7), (std::vector<uint8_t>{255, 0, 16, 1, 2, 3, 0}));
  EXPECT_EQ(std::vector<uint8_t>(act.end() - 4, act.end()), (std::vector<uint8_t>{0, 2, 0, 1}));
  EXPECT_EQ(dorv::tools::PaletteFormatFor("x/y.GPL"), PaletteFormat::Gimp);
  EXPECT_EQ(dorv::tools::PaletteFormatFor("y.act"), PaletteFormat::Act);
  EXPECT_THROW(dorv::tools::PaletteFormatFor("y.txt"), dorv::tools::UsageError);
}

}  // namespace

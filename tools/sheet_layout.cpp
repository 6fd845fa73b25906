#include "tools/sheet_layout.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <stdexcept>

#include "tools/dovtool_args.h"
#include "tools/size_math.h"
#include "tools/tool_limits.h"

namespace dorv::tools {
namespace {

int32_t Fit(int64_t v) {
  if (v > limits::kMaxDimension) throw std::runtime_error("the sheet would be larger than the pixels it may hold");
  return static_cast<int32_t>(v);
}

size_t PixelBytes(const frames::Composite& c) { return c.Bpp == 8 ? 1 : 4; }

// Cells of one size in lines of `perLine`, across (rows) or down (columns).
SheetPlan Uniform(const std::vector<Box>& sizes, int64_t slotW, int64_t slotH, int64_t perLine, bool across,
                  const SheetOptions& o) {
  SheetPlan plan;
  const int64_t n = static_cast<int64_t>(sizes.size());
  const int64_t lines = (n + perLine - 1) / perLine;
  const int64_t cols = across ? std::min(n, perLine) : lines, rows = across ? lines : std::min(n, perLine);
  plan.width = Fit(cols * slotW + std::max<int64_t>(cols - 1, 0) * o.padding);
  plan.height = Fit(rows * slotH + std::max<int64_t>(rows - 1, 0) * o.padding);
  for (int64_t i = 0; i < n; ++i) {
    const int64_t col = across ? i % perLine : i / perLine, row = across ? i / perLine : i % perLine;
    plan.cells.push_back({Fit(col * (slotW + o.padding) + o.extrude), Fit(row * (slotH + o.padding) + o.extrude),
                          sizes[size_t(i)].w, sizes[size_t(i)].h});
  }
  return plan;
}

// Shelves as wide as the square root of the cells' area (at least the widest).
SheetPlan Packed(const std::vector<Box>& sizes, const SheetOptions& o) {
  const int64_t e2 = 2 * int64_t{o.extrude};
  int64_t area = 0, widest = 0;
  for (const Box& b : sizes) {
    area += (b.w + e2 + o.padding) * (b.h + e2 + o.padding);
    widest = std::max<int64_t>(widest, b.w + e2);
  }
  const int64_t shelf = std::max<int64_t>(widest, static_cast<int64_t>(std::ceil(std::sqrt(double(area)))));
  std::vector<size_t> order(sizes.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return sizes[a].h > sizes[b].h; });
  SheetPlan plan;
  plan.cells.resize(sizes.size());
  int64_t x = 0, y = 0, lineH = 0, width = 0;
  for (size_t i : order) {
    const int64_t w = sizes[i].w + e2, h = sizes[i].h + e2;
    if (x > 0 && x + w > shelf) {
      y += lineH + o.padding;
      x = 0;
      lineH = 0;
    }
    plan.cells[i] = {Fit(x + o.extrude), Fit(y + o.extrude), sizes[i].w, sizes[i].h};
    width = std::max(width, x + w);
    lineH = std::max(lineH, h);
    x += w + o.padding;
  }
  plan.width = Fit(width);
  plan.height = Fit(y + lineH);
  return plan;
}

}  // namespace

SheetLayout ParseSheetLayout(const std::string& name) {
  if (name == "rows") return SheetLayout::Rows;
  if (name == "columns") return SheetLayout::Columns;
  if (name == "grid") return SheetLayout::Grid;
  if (name == "packed") return SheetLayout::Packed;
  throw UsageError("--layout is rows, columns, grid or packed, not '" + name + "'");
}

SheetPlan PlanSheet(const std::vector<Box>& sizes, const SheetOptions& o) {
  if (sizes.empty()) return {};
  const int64_t n = static_cast<int64_t>(sizes.size());
  if (o.layout == SheetLayout::Packed) return Packed(sizes, o);
  int64_t slotW = 0, slotH = 0;
  for (const Box& b : sizes) {
    slotW = std::max<int64_t>(slotW, b.w + 2 * int64_t{o.extrude});
    slotH = std::max<int64_t>(slotH, b.h + 2 * int64_t{o.extrude});
  }
  switch (o.layout) {
    case SheetLayout::Rows: return Uniform(sizes, slotW, slotH, o.columns > 0 ? o.columns : n, true, o);
    case SheetLayout::Columns: return Uniform(sizes, slotW, slotH, o.columns > 0 ? o.columns : n, false, o);
    default: break;
  }
  const int64_t cols = o.columns > 0 ? o.columns : static_cast<int64_t>(std::ceil(std::sqrt(double(n))));
  return Uniform(sizes, slotW, slotH, cols, true, o);
}

Box OpaqueBounds(const frames::Composite& c) {
  int32_t left = c.Width, right = -1, top = c.Height, bottom = -1;
  const size_t w = size_t(c.Width);
  for (int32_t y = 0; y < c.Height; ++y) {
    int32_t first = -1, last = -1;
    if (c.Bpp == 8) {
      const uint8_t* row = c.Pixels.data() + w * size_t(y);
      for (int32_t x = 0; x < c.Width; ++x)
        if (row[x] != c.TransparentIndex) {
          if (first < 0) first = x;
          last = x;
        }
    } else {
      const uint8_t* row = c.Pixels.data() + 4 * w * size_t(y);
      for (int32_t x = 0; x < c.Width; ++x)
        if (row[4 * size_t(x) + 3] != 0) {
          if (first < 0) first = x;
          last = x;
        }
    }
    if (first < 0) continue;
    left = std::min(left, first);
    right = std::max(right, last);
    top = std::min(top, y);
    bottom = y;
  }
  if (right < 0) return {0, 0, std::min(c.Width, 1), std::min(c.Height, 1)};
  return {left, top, right - left + 1, bottom - top + 1};
}

frames::Composite Crop(const frames::Composite& c, const Box& b) {
  if (b.x < 0 || b.y < 0 || b.w < 0 || b.h < 0 || b.x + b.w > c.Width || b.y + b.h > c.Height)
    throw std::runtime_error("the box lies outside the picture");
  frames::Composite out = c;
  const size_t px = PixelBytes(c), row = CheckedMul(size_t(b.w), px);
  out.Width = b.w;
  out.Height = b.h;
  out.Pixels.assign(CheckedMul(row, size_t(b.h)), 0);
  for (size_t y = 0; y < size_t(b.h); ++y)
    std::memcpy(out.Pixels.data() + row * y, c.Pixels.data() + (size_t(c.Width) * (size_t(b.y) + y) + size_t(b.x)) * px,
                row);
  return out;
}

frames::Composite BlankSheet(int32_t width, int32_t height, const frames::Composite& like) {
  frames::Composite s;
  s.Width = width;
  s.Height = height;
  s.Bpp = like.Bpp;
  s.Palette = like.Palette;
  s.TransparentIndex = like.TransparentIndex;
  const size_t n = CheckedMul(size_t(width), size_t(height));
  if (n > limits::kMaxSurfacePixels) throw std::runtime_error("the sheet would be larger than the pixels it may hold");
  const uint8_t clear = like.Bpp == 8 && like.TransparentIndex > 0 && like.TransparentIndex < 256
                            ? static_cast<uint8_t>(like.TransparentIndex)
                            : 0;
  s.Pixels.assign(CheckedMul(n, PixelBytes(like)), clear);
  return s;
}

void PlaceCell(frames::Composite& sheet, const frames::Composite& c, int32_t x, int32_t y, int32_t extrude) {
  const size_t px = PixelBytes(sheet);
  if (PixelBytes(c) != px) throw std::runtime_error("a cell differs from the sheet's kind");
  if (c.Width <= 0 || c.Height <= 0) return;
  if (x - extrude < 0 || y - extrude < 0 || x + c.Width + extrude > sheet.Width || y + c.Height + extrude > sheet.Height)
    throw std::runtime_error("a cell lies outside the sheet");
  const size_t sw = size_t(sheet.Width) * px, row = size_t(c.Width) * px, e = size_t(extrude) * px;
  for (int32_t r = -extrude; r < c.Height + extrude; ++r) {
    const size_t from = size_t(std::clamp(r, 0, c.Height - 1));
    const uint8_t* src = c.Pixels.data() + row * from;
    uint8_t* dst = sheet.Pixels.data() + sw * size_t(y + r) + size_t(x) * px;
    std::memcpy(dst, src, row);
    for (size_t k = 0; k < e; k += px) {
      std::memcpy(dst - e + k, src, px);
      std::memcpy(dst + row + k, src + row - px, px);
    }
  }
}

}  // namespace dorv::tools

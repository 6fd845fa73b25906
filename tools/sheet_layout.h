// Sprite sheets: where each cell goes, transparent borders trimmed, and
// cells placed with their edges repeated around them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/dov_document.h"

namespace dorv::tools {

enum class SheetLayout {
  Rows,     // left to right, a new row after --columns cells (one row without)
  Columns,  // top to bottom, a new column after --columns cells (one column without)
  Grid,     // rows of --columns cells, or of the square root of the count
  Packed,   // cells of their own size on shelves, tallest first, near square
};

SheetLayout ParseSheetLayout(const std::string& name);  // raises UsageError

struct SheetOptions {
  SheetLayout layout = SheetLayout::Grid;
  int32_t columns = 0;  // 0: the layout's own choice
  int32_t padding = 0;  // clear pixels between cells
  int32_t extrude = 0;  // edge pixels repeated around each cell
};

struct Box {
  int32_t x = 0, y = 0, w = 0, h = 0;
  bool operator==(const Box&) const = default;
};

struct SheetPlan {
  int32_t width = 0, height = 0;
  std::vector<Box> cells;  // each picture's place, without its extrusion
};

// Places pictures of the sizes given (w and h of each box). Every cell
// takes its picture plus the extrusion on each side; cells are padding
// apart. Raises std::runtime_error when the sheet would be too large.
SheetPlan PlanSheet(const std::vector<Box>& sizes, const SheetOptions& options);

// The smallest box that holds every pixel that is not fully clear; a
// picture without any keeps its top-left pixel.
Box OpaqueBounds(const frames::Composite& picture);
frames::Composite Crop(const frames::Composite& picture, const Box& box);

// A clear sheet: RGBA, or indices filled with the transparent index (0
// without one) under the given palette.
frames::Composite BlankSheet(int32_t width, int32_t height, const frames::Composite& like);
// Copies the picture (of the sheet's kind) to (x, y) and repeats its edge
// pixels `extrude` times around it.
void PlaceCell(frames::Composite& sheet, const frames::Composite& picture, int32_t x, int32_t y, int32_t extrude);

}  // namespace dorv::tools

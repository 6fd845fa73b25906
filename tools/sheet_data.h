// A sprite sheet's data file: the JSON atlas that game engines' importers
// read, as a hash of frames by name or as an array of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/sheet_layout.h"

namespace dorv::tools {

struct SheetEntry {
  std::string name;
  Box frame;          // on the sheet
  bool trimmed = false;
  Box source;         // the part of the picture kept, in the picture
  int32_t sourceW = 0, sourceH = 0;
  int32_t durationMs = 0;
};

struct SheetLayerMeta {
  std::string name;
  int32_t opacity = 255;
  bool visible = true;
};

struct SheetMeta {
  std::string image;  // the sheet's file name
  int32_t width = 0, height = 0;
  int32_t scale = 1;
  bool palette = false;
  std::vector<SheetLayerMeta> layers;
};

std::string SheetJson(const std::vector<SheetEntry>& entries, const SheetMeta& meta, bool hash);

}  // namespace dorv::tools

// Whole-number enlargement by nearest neighbour: every pixel becomes an
// N x N block, so pixel art stays sharp.
#pragma once

#include <cstdint>

#include "tools/dov_document.h"

namespace dorv::tools {

inline constexpr int32_t kMaxScale = 32;

// The picture (indices or RGBA) enlarged factor times; 1 gives it back.
frames::Composite ScaleUp(const frames::Composite& picture, int32_t factor);
frames::RgbaImage ScaleUp(const frames::RgbaImage& picture, int32_t factor);

}  // namespace dorv::tools

// One frame of a document about to be written: a picture of one layer in
// the pixel format libdov's encoder takes, and the frame's delay.
#pragma once

#include <cstdint>
#include <vector>

#include "dov/dov.h"

namespace dorv::gimp {

struct FramePicture {
  // DOV_PIXELS_INDEXED, _GREY, _RGB or _RGBA.
  dov_pixel_format format = DOV_PIXELS_RGBA;
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> pixels;   // rows top first, packed
  std::vector<uint8_t> palette;  // red, green, blue a colour; indexed only
  int32_t transparent = -1;      // indexed only; -1 for none
  int32_t delayMs = 100;
};

}  // namespace dorv::gimp

// What an opened document becomes in GIMP: one layer per frame, bottom
// layer the first frame, each holding that frame's composite. Frames that
// are all palette frames of one palette make an indexed image with that
// colour map (the transparent index clear); any other mix an RGBA image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dov/dov.h"

namespace dorv::gimp {

struct LayerPlan {
  std::string name;
  int32_t width = 0;
  int32_t height = 0;
  bool hasAlpha = true;
  // RGBA rows, or indices with an alpha byte each when hasAlpha (else
  // indices alone) for indexed images.
  std::vector<uint8_t> pixels;
};

struct ImagePlan {
  int32_t width = 0;   // the largest frame's, so no frame is cut
  int32_t height = 0;
  bool indexed = false;
  std::vector<uint8_t> colormap;  // 256 RGB triplets when indexed
  std::vector<LayerPlan> layers;  // in frame order: frame 0 first
};

// The plan of a document the decoder has read. frameLimit caps how many
// frames become layers (1 for a thumbnail). Raises DocumentError when a
// frame's pixels cannot be had.
ImagePlan PlanImage(dov_decoder& decoder, size_t frameLimit = SIZE_MAX);

}  // namespace dorv::gimp

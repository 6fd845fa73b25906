// Lossless animated WebP through libwebp's animation encoder.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/dov_document.h"

namespace dorv::tools {

struct AnimFrame {
  frames::RgbaImage picture;
  int32_t durationMs = 0;
};

// Every frame on a canvas of the first frame's size (larger frames are cut,
// smaller ones clear around), shown for its duration (at most 16777215 ms,
// WebP's limit), looping for ever. Frames equal to the one before are
// joined with it by the encoder (their durations add up). Raises
// std::runtime_error, also when the tool was built without libwebp.
std::vector<uint8_t> EncodeLosslessAnimation(const std::vector<AnimFrame>& frames);

}  // namespace dorv::tools

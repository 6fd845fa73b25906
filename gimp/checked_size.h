// Size arithmetic that refuses to wrap: sizes of pixel buffers are products
// of a width, a height and a pixel's bytes, any of which may be large.
#pragma once

#include <cstddef>
#include <limits>
#include <stdexcept>

namespace dorv::gimp {

inline size_t CheckedSizeMul(size_t a, size_t b) {
  if (a != 0 && b > std::numeric_limits<size_t>::max() / a)
    throw std::length_error("a picture's size does not fit in memory");
  return a * b;
}

// width x height x bytes a pixel.
inline size_t CheckedPictureBytes(size_t width, size_t height, size_t perPixel) {
  return CheckedSizeMul(CheckedSizeMul(width, height), perPixel);
}

}  // namespace dorv::gimp

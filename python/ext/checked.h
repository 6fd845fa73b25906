// Sizes of pictures and buffers, refused when they do not fit in size_t.
#pragma once

#include <cstddef>
#include <cstdint>

#include "errors.h"

namespace dovpy {

inline size_t CheckedMul(size_t a, size_t b) {
  size_t out = 0;
  if (__builtin_mul_overflow(a, b, &out)) throw DovFailure{DOV_ERROR_LIMIT, "the picture is too large for memory"};
  return out;
}

inline size_t CheckedAdd(size_t a, size_t b) {
  size_t out = 0;
  if (__builtin_add_overflow(a, b, &out)) throw DovFailure{DOV_ERROR_LIMIT, "the picture is too large for memory"};
  return out;
}

// Bytes of a picture of rows `stride` apart.
inline size_t PictureBytes(uint32_t height, size_t stride) { return CheckedMul(size_t{height}, stride); }

}  // namespace dovpy

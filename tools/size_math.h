// Sizes of pictures and files in size_t, refused when they would wrap.
#pragma once

#include <cstddef>
#include <stdexcept>

namespace dorv::tools {

inline size_t CheckedMul(size_t a, size_t b) {
  size_t out = 0;
  if (__builtin_mul_overflow(a, b, &out)) throw std::runtime_error("the picture is too large");
  return out;
}

inline size_t CheckedAdd(size_t a, size_t b) {
  size_t out = 0;
  if (__builtin_add_overflow(a, b, &out)) throw std::runtime_error("the picture is too large");
  return out;
}

}  // namespace dorv::tools

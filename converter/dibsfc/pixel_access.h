// Pixel access inside one row for every bit count. Used where single pixels
// are read or written (ReadPixel, WritePixel, sub-byte drawing); the bulk row
// work lives in the row kernels.
#pragma once

#include <cstdint>

#include "converter/core/little_endian.h"

namespace dorv::pixel {

// 1 bit: byte x / 8, bit 7 - x % 8. 4 bits: byte x / 2, even x in the high
// nibble.
inline uint32_t Get1(const uint8_t* row, int64_t x) { return (row[x >> 3] >> (7 - (x & 7))) & 1u; }
inline void Put1(uint8_t* row, int64_t x, uint32_t v) {
  const int shift = 7 - static_cast<int>(x & 7);
  row[x >> 3] = static_cast<uint8_t>((row[x >> 3] & ~(1u << shift)) | ((v & 1u) << shift));
}
inline uint32_t Get4(const uint8_t* row, int64_t x) {
  return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
}
inline void Put4(uint8_t* row, int64_t x, uint32_t v) {
  uint8_t& b = row[x >> 1];
  b = (x & 1) ? static_cast<uint8_t>((b & 0xF0u) | (v & 0x0Fu))
              : static_cast<uint8_t>((b & 0x0Fu) | ((v & 0x0Fu) << 4));
}

inline uint32_t Get(const uint8_t* row, int64_t x, int32_t bitCount) {
  switch (bitCount) {
    case 1: return Get1(row, x);
    case 4: return Get4(row, x);
    case 8: return row[x];
    case 16: return le::Load16(row + 2 * x);
    case 24: return le::Load24(row + 3 * x);
    case 32: return le::Load32(row + 4 * x);
    default: return 0;
  }
}

inline void Put(uint8_t* row, int64_t x, int32_t bitCount, uint32_t v) {
  switch (bitCount) {
    case 1: Put1(row, x, v); break;
    case 4: Put4(row, x, v); break;
    case 8: row[x] = static_cast<uint8_t>(v); break;
    case 16: le::Store16(row + 2 * x, v); break;
    case 24: le::Store24(row + 3 * x, v); break;
    case 32: le::Store32(row + 4 * x, v); break;
    default: break;
  }
}

}  // namespace dorv::pixel

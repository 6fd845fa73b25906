// The blocks of a block-form plane: BX to a row, in rows of BH plane rows,
// the last of a row or column clipped to the plane.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace dorv {

// Bytes of w pixels at b bits, rounded up.
inline uint64_t PixelBytes(uint64_t w, uint64_t b) { return (w * b + 7) / 8; }

struct TBlockArea {
  uint64_t Col;
  int32_t X, Y, W, H;
};

struct TBlockGrid {
  uint64_t W, H, BW, BH, BX, Bits;
  size_t RowBytes;
  uint64_t BlockStride;  // bytes from one block of a row to the next

  TBlockArea Area(uint64_t b) const {
    const uint64_t col = b % BX, row = b / BX;
    return TBlockArea{col, static_cast<int32_t>(col * BW), static_cast<int32_t>(row * BH),
                      static_cast<int32_t>(std::min(BW, W - col * BW)),
                      static_cast<int32_t>(std::min(BH, H - row * BH))};
  }
  uint64_t BlockRows() const { return (H + BH - 1) / BH; }
};

}  // namespace dorv

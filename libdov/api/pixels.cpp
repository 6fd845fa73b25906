#include "libdov/api/pixels.h"

#include <cstring>

#include "libdov/api/guard.h"

namespace dov {

void CheckBuffer(const uint8_t* buffer, size_t size, size_t stride, uint32_t width, uint32_t height,
                 uint32_t bytesPerPixel) {
  if (buffer == nullptr) throw ApiError{DOV_ERROR_INVALID_ARGUMENT, "the buffer is null"};
  // In 64 bits: width x 4 may pass a 32-bit size_t.
  const uint64_t rowBytes = uint64_t{width} * bytesPerPixel;
  if (stride < rowBytes) throw ApiError{DOV_ERROR_BUFFER_TOO_SMALL, "the stride is shorter than a row"};
  if (height == 0) return;
  // stride x (height - 1) + rowBytes <= size, without a product that wraps.
  const bool fits = rowBytes <= size && (height == 1 || stride <= (size - rowBytes) / (height - 1));
  if (!fits) throw ApiError{DOV_ERROR_BUFFER_TOO_SMALL, "the buffer is smaller than the picture"};
}

void CompositeToRgbaRows(const dorv::frames::Composite& c, uint8_t* out, size_t stride) {
  const size_t w = static_cast<size_t>(c.Width);
  for (size_t y = 0; y < static_cast<size_t>(c.Height); ++y) {
    uint8_t* o = out + stride * y;
    if (c.Bpp == 8) {
      const uint8_t* row = c.Pixels.data() + w * y;
      for (size_t x = 0; x < w; ++x, o += 4) {
        const uint8_t v = row[x];
        const uint8_t* e = &c.Palette[size_t{v} * 4];
        o[0] = e[2];
        o[1] = e[1];
        o[2] = e[0];
        o[3] = v == c.TransparentIndex ? 0 : 255;
      }
    } else {
      const uint8_t* p = c.Pixels.data() + 4 * w * y;
      for (size_t x = 0; x < w; ++x, o += 4, p += 4) {
        o[0] = p[2];
        o[1] = p[1];
        o[2] = p[0];
        o[3] = p[3];
      }
    }
  }
}

void CopyRows(const uint8_t* rows, size_t rowBytes, uint32_t height, uint8_t* out, size_t stride) {
  for (size_t y = 0; y < height; ++y) std::memcpy(out + stride * y, rows + rowBytes * y, rowBytes);
}

}  // namespace dov

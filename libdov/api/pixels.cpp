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

void CopyRows(const uint8_t* rows, size_t rowBytes, uint32_t height, uint8_t* out, size_t stride) {
  for (size_t y = 0; y < height; ++y) std::memcpy(out + stride * y, rows + rowBytes * y, rowBytes);
}

void CopyIndexed(const dorv::frames::Composite& c, uint8_t* indices, size_t stride, uint8_t* palette,
                 int32_t* transparent) {
  CopyRows(c.Pixels.data(), static_cast<size_t>(c.Width), static_cast<uint32_t>(c.Height), indices, stride);
  if (palette != nullptr) {
    for (size_t i = 0; i < 256; ++i) {
      palette[4 * i] = c.Palette[4 * i + 2];
      palette[4 * i + 1] = c.Palette[4 * i + 1];
      palette[4 * i + 2] = c.Palette[4 * i];
      palette[4 * i + 3] = static_cast<int32_t>(i) == c.TransparentIndex ? 0 : 255;
    }
  }
  if (transparent != nullptr) *transparent = c.TransparentIndex;
}

}  // namespace dov

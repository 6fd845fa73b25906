#include "thumbs/thumb_bitmap.h"

#include <new>

namespace dorv::thumbs {

OwnedBitmap ToBitmap(const frames::RgbaImage& image) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image.Width;
  info.bmiHeader.biHeight = -image.Height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  OwnedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (bits == nullptr) throw std::bad_alloc();
  auto* out = static_cast<uint8_t*>(bits);
  const uint8_t* in = image.Pixels.data();
  // Rows of 32-bit pixels need no padding.
  for (size_t i = 0; i + 4 <= image.Pixels.size(); i += 4) {
    out[i + 0] = in[i + 2];
    out[i + 1] = in[i + 1];
    out[i + 2] = in[i + 0];
    out[i + 3] = in[i + 3];
  }
  return bitmap;
}

}  // namespace dorv::thumbs

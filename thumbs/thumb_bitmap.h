// A thumbnail as the bitmap the shell takes: 32 bits a pixel, blue, green,
// red, straight alpha, top row first.
#pragma once

#include <windows.h>

#include <utility>

#include "thumbs/thumb_source.h"

namespace dorv::thumbs {

// Owns a bitmap until it is handed on.
class OwnedBitmap {
 public:
  explicit OwnedBitmap(HBITMAP bitmap) : bitmap_(bitmap) {}
  OwnedBitmap(OwnedBitmap&& other) noexcept : bitmap_(std::exchange(other.bitmap_, nullptr)) {}
  OwnedBitmap(const OwnedBitmap&) = delete;
  OwnedBitmap& operator=(const OwnedBitmap&) = delete;
  OwnedBitmap& operator=(OwnedBitmap&&) = delete;
  ~OwnedBitmap() {
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
  }
  HBITMAP Release() { return std::exchange(bitmap_, nullptr); }

 private:
  HBITMAP bitmap_;
};

// Raises std::bad_alloc when the system gives no bitmap.
OwnedBitmap ToBitmap(const frames::RgbaImage& image);

}  // namespace dorv::thumbs

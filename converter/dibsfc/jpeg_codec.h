// The JPEG hand-over of surfaces. libjpeg's fatal-error exit is replaced, so a
// corrupt picture raises EJpegError with libjpeg's message.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "converter/core/checked.h"

namespace dorv {

class TDIBSurface;

// Decodes a complete JPEG file at best-quality settings into a 24-bit surface
// of the picture's size (the surface's previous content is replaced).
void DecodeJpeg(std::span<const uint8_t> file, TDIBSurface& out);
// Reads only the picture size, without decoding pixels.
void ReadJpegSize(std::span<const uint8_t> file, int32_t& width, int32_t& height);
// Encodes the surface as 24-bit RGB at the given quality (1 to 100); palette
// depths go through the palette, direct colours through their layout.
TByteBlock SaveToJpeg(const TDIBSurface& surface, int quality);

// Rows that the JPEG coding of a colour plane reads instead of the
// surface's own, for a saver that holds the same pixels in another layout:
// Row(y, scratch) gives image row y, 3 bytes a pixel in the given order (4
// for Rgbx, the fourth not read), either from memory of its own or written
// into scratch (room for a row).
struct TJpegRows {
  enum class Order { Rgb, Bgr, Rgbx } ChannelOrder = Order::Rgb;
  std::function<const uint8_t*(int32_t y, uint8_t* scratch)> Row;
};
// Encodes width x height pixels given by rows at the given quality, exactly
// as SaveToJpeg encodes a surface that shows the same pixels.
TByteBlock SaveRowsToJpeg(int32_t width, int32_t height, const TJpegRows& rows, int quality);

}  // namespace dorv

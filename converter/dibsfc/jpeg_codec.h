// The JPEG hand-over of surfaces. libjpeg's fatal-error exit is replaced, so a
// corrupt picture raises EJpegError with libjpeg's message.
#pragma once

#include <cstdint>
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

}  // namespace dorv

#include "tools/pixel_scale.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "tools/size_math.h"
#include "tools/tool_limits.h"

namespace dorv::tools {
namespace {

// Rows of pixelBytes-byte pixels enlarged: each source row is widened once
// and the widened row copied factor times.
std::vector<uint8_t> ScaleRows(const std::vector<uint8_t>& in, int32_t width, int32_t height, size_t pixelBytes,
                               int32_t factor) {
  const size_t f = static_cast<size_t>(factor);
  const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
  const size_t outW = CheckedMul(w, f), outH = CheckedMul(h, f);
  if (outW > static_cast<size_t>(limits::kMaxDimension) || outH > static_cast<size_t>(limits::kMaxDimension) ||
      CheckedMul(outW, outH) > limits::kMaxSurfacePixels)
    throw std::runtime_error("the picture enlarged " + std::to_string(factor) + " times is too large");
  const size_t inRow = CheckedMul(w, pixelBytes), outRow = CheckedMul(outW, pixelBytes);
  if (in.size() < CheckedMul(inRow, h)) throw std::runtime_error("the picture is shorter than its size");
  std::vector<uint8_t> out(CheckedMul(outRow, outH));
  for (size_t y = 0; y < h; ++y) {
    const uint8_t* src = in.data() + inRow * y;
    uint8_t* first = out.data() + outRow * y * f;
    uint8_t* o = first;
    for (size_t x = 0; x < w; ++x, src += pixelBytes)
      for (size_t k = 0; k < f; ++k, o += pixelBytes) std::memcpy(o, src, pixelBytes);
    for (size_t k = 1; k < f; ++k) std::memcpy(first + outRow * k, first, outRow);
  }
  return out;
}

}  // namespace

frames::Composite ScaleUp(const frames::Composite& picture, int32_t factor) {
  if (factor < 1 || factor > kMaxScale) throw std::runtime_error("the scale is out of range");
  if (factor == 1) return picture;
  frames::Composite out = picture;
  out.Pixels = ScaleRows(picture.Pixels, picture.Width, picture.Height, picture.Bpp == 8 ? 1 : 4, factor);
  out.Width = picture.Width * factor;
  out.Height = picture.Height * factor;
  return out;
}

frames::RgbaImage ScaleUp(const frames::RgbaImage& picture, int32_t factor) {
  if (factor < 1 || factor > kMaxScale) throw std::runtime_error("the scale is out of range");
  if (factor == 1) return picture;
  frames::RgbaImage out;
  out.Pixels = ScaleRows(picture.Pixels, picture.Width, picture.Height, 4, factor);
  out.Width = picture.Width * factor;
  out.Height = picture.Height * factor;
  return out;
}

}  // namespace dorv::tools

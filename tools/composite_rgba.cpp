#include "tools/composite_rgba.h"

#include <cstring>

#include "tools/size_math.h"

namespace dorv::tools {

frames::RgbaImage CompositeRgba(const frames::Composite& c) {
  frames::RgbaImage out;
  out.Width = c.Width;
  out.Height = c.Height;
  const size_t n = CheckedMul(size_t(c.Width), size_t(c.Height));
  if (c.Bpp != 8) {
    out.Pixels = c.Pixels;
    return out;
  }
  out.Pixels.resize(CheckedMul(n, 4));
  uint8_t* o = out.Pixels.data();
  for (size_t i = 0; i < n; ++i, o += 4) std::memcpy(o, &c.Palette[size_t{c.Pixels[i]} * 4], 4);
  return out;
}

}  // namespace dorv::tools

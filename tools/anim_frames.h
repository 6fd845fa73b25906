// What the animation writers take and give back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/dov_document.h"

namespace dorv::tools {

struct AnimPicture {
  frames::Composite picture;  // indices with their palette, or RGBA
  int32_t durationMs = 0;
  int32_t disposal = 0;  // as the editor stores it: GIF's 0 to 3
};

struct EncodedAnimation {
  std::vector<uint8_t> bytes;
  std::vector<std::string> warnings;  // what the format could not keep
};

// The editor's disposal as GIF's (0 unspecified, 1 keep, 2 background,
// 3 previous); other values are unspecified.
inline int32_t GifDisposal(int32_t stored) { return stored >= 0 && stored <= 3 ? stored : 0; }

// A picture's pixel at (x, y) as red, green, blue, alpha.
inline void PixelRgba(const frames::Composite& c, size_t offset, uint8_t out[4]) {
  if (c.Bpp == 8) {
    const uint8_t* e = &c.Palette[size_t{c.Pixels[offset]} * 4];
    out[0] = e[0], out[1] = e[1], out[2] = e[2], out[3] = e[3];
  } else {
    const uint8_t* p = &c.Pixels[offset * 4];
    out[0] = p[0], out[1] = p[1], out[2] = p[2], out[3] = p[3];
  }
}

}  // namespace dorv::tools

#include "tools/frame_diff.h"

#include <algorithm>
#include <cstring>

namespace dorv::tools {

Box ChangedBox(const frames::Composite& prev, const frames::Composite& cur, int32_t w, int32_t h) {
  const Box whole{0, 0, std::min(cur.Width, w), std::min(cur.Height, h)};
  const bool comparable = prev.Width == w && prev.Height == h && cur.Width == w && cur.Height == h &&
                          prev.Bpp == cur.Bpp &&
                          (cur.Bpp != 8 || (prev.Palette == cur.Palette && prev.TransparentIndex == cur.TransparentIndex));
  if (!comparable) return whole;
  const size_t px = cur.Bpp == 8 ? 1 : 4, row = size_t(w) * px;
  int32_t top = -1, bottom = -1, left = w, right = -1;
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* a = prev.Pixels.data() + row * size_t(y);
    const uint8_t* b = cur.Pixels.data() + row * size_t(y);
    if (std::memcmp(a, b, row) == 0) continue;
    if (top < 0) top = y;
    bottom = y;
    int32_t first = 0, last = w - 1;
    while (std::memcmp(a + size_t(first) * px, b + size_t(first) * px, px) == 0) ++first;
    while (std::memcmp(a + size_t(last) * px, b + size_t(last) * px, px) == 0) --last;
    left = std::min(left, first);
    right = std::max(right, last);
  }
  if (top < 0) return {0, 0, std::min(w, 1), std::min(h, 1)};
  return {left, top, right - left + 1, bottom - top + 1};
}

}  // namespace dorv::tools

#include "converter/dibsfc/pixel_layout.h"

namespace dorv {

uint32_t PackRGB(const TPixelLayout& layout, uint8_t r, uint8_t g, uint8_t b) {
  return ((uint32_t{r} << layout.RShift) & layout.RMask) |
         ((uint32_t{g} << layout.GShift) & layout.GMask) |
         ((uint32_t{b} >> layout.BShift) & layout.BMask);
}

// Each channel is widened to 8 bits by ORing it with itself shifted right by
// its loss, so a full channel (5-bit 31, 6-bit 63) becomes 255.
TRGB UnpackRGB(const TPixelLayout& layout, uint32_t value) {
  auto r = static_cast<uint8_t>((value & layout.RMask) >> layout.RShift);
  auto g = static_cast<uint8_t>((value & layout.GMask) >> layout.GShift);
  auto b = static_cast<uint8_t>((value & layout.BMask) << layout.BShift);
  r = static_cast<uint8_t>(r | (r >> layout.RLoss));
  g = static_cast<uint8_t>(g | (g >> layout.GLoss));
  b = static_cast<uint8_t>(b | (b >> layout.BLoss));
  return TRGB{r, g, b};
}

}  // namespace dorv

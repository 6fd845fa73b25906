// Channel layouts of direct-colour pixels and the packing between 8-bit
// channels and pixel values.
#pragma once

#include <cstdint>

namespace dorv {

struct TPixelLayout {
  uint32_t RMask, GMask, BMask;
  uint32_t RBits, GBits, BBits;
  uint32_t RShift, GShift, BShift;
  uint32_t RLoss, GLoss, BLoss;

  // The layout for r, g, b channel bits (blue lowest, then green, then red).
  static constexpr TPixelLayout Make(uint32_t r, uint32_t g, uint32_t b) {
    return TPixelLayout{((1u << r) - 1) << (g + b), ((1u << g) - 1) << b, (1u << b) - 1,
                        r, g, b,
                        r + g + b - 8, g + b - 8, 8 - b,
                        8 - r, 8 - g, 8 - b};
  }
  bool SameMasks(const TPixelLayout& o) const {
    return RMask == o.RMask && GMask == o.GMask && BMask == o.BMask;
  }
};

inline constexpr TPixelLayout kLayout888 = TPixelLayout::Make(8, 8, 8);
inline constexpr TPixelLayout kLayout565 = TPixelLayout::Make(5, 6, 5);
inline constexpr TPixelLayout kLayout555 = TPixelLayout::Make(5, 5, 5);

// The layout a surface of this depth uses: 5-5-5 for 15, 5-6-5 for 16 and
// 8-8-8 for every other depth.
constexpr const TPixelLayout& LayoutForDepth(int32_t depth) {
  return depth == 15 ? kLayout555 : depth == 16 ? kLayout565 : kLayout888;
}

struct TRGB {
  uint8_t R, G, B;
  bool operator==(const TRGB&) const = default;
};

inline uint32_t PackRGB(const TPixelLayout& layout, uint8_t r, uint8_t g, uint8_t b) {
  return ((uint32_t{r} << layout.RShift) & layout.RMask) | ((uint32_t{g} << layout.GShift) & layout.GMask) |
         ((uint32_t{b} >> layout.BShift) & layout.BMask);
}

// Each channel in the top bits of a byte. With widen, ORed with itself
// shifted right by its loss, so a full channel (5-bit 31, 6-bit 63) is 255.
inline TRGB UnpackRGB(const TPixelLayout& layout, uint32_t value, bool widen = true) {
  auto r = static_cast<uint8_t>((value & layout.RMask) >> layout.RShift);
  auto g = static_cast<uint8_t>((value & layout.GMask) >> layout.GShift);
  auto b = static_cast<uint8_t>((value & layout.BMask) << layout.BShift);
  if (!widen) return TRGB{r, g, b};
  return TRGB{static_cast<uint8_t>(r | (r >> layout.RLoss)), static_cast<uint8_t>(g | (g >> layout.GLoss)),
              static_cast<uint8_t>(b | (b >> layout.BLoss))};
}

}  // namespace dorv

// The nearest palette entry of a colour: smallest squared RGB distance among
// the first count entries, the lowest index on ties.
#pragma once

#include <cstdint>

#include "converter/dibsfc/dib.h"

namespace dorv {

inline uint32_t NearestEntry(const TPalette& palette, int count, uint8_t r, uint8_t g, uint8_t b) {
  uint32_t best = 0;
  int32_t bestDistance = INT32_MAX;
  for (int i = 0; i < count; ++i) {
    const int32_t dr = int32_t(palette[i].Red) - r, dg = int32_t(palette[i].Green) - g,
                  db = int32_t(palette[i].Blue) - b;
    const int32_t distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<uint32_t>(i);
      if (distance == 0) break;
    }
  }
  return best;
}

}  // namespace dorv

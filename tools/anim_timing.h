// Frame durations in the units of animation formats.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace dorv::tools {

// GIF delays in centiseconds. Each frame ends at its time in milliseconds
// rounded to the nearest centisecond (halves up): the rounding error of one
// frame is carried to the next, so the total is the document's to the
// centisecond. Delays stay within GIF's 0 to 65535.
std::vector<uint16_t> GifDelays(std::span<const int32_t> milliseconds);

// Browsers show frames of less than 20 ms (GIF delays 0 and 1) for 100 ms.
inline constexpr int32_t kShortestShownMs = 20;

// An APNG delay: numerator over denominator seconds.
struct DelayFraction {
  uint16_t num = 0;
  uint16_t den = 1000;
  bool exact = true;  // false when a delay past 65535 ms had to be rounded
};
DelayFraction ApngDelay(int32_t milliseconds);

}  // namespace dorv::tools

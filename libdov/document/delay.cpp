#include <limits>

#include "libdov/document/document.h"

namespace dorv::frames {

int32_t DelayToMilliseconds(int32_t delay) {
  if (delay <= 0) return 0;
  const int64_t ms = int64_t{delay} * kMillisecondsPerDelayUnit;
  return ms > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                   : static_cast<int32_t>(ms);
}

int32_t MillisecondsToDelay(int32_t milliseconds) {
  if (milliseconds <= 0) return 0;
  // Rounded to the nearest unit.
  return static_cast<int32_t>((int64_t{milliseconds} + kMillisecondsPerDelayUnit / 2) /
                              kMillisecondsPerDelayUnit);
}

}  // namespace dorv::frames

#include "tools/anim_timing.h"

#include <algorithm>
#include <numeric>

namespace dorv::tools {

std::vector<uint16_t> GifDelays(std::span<const int32_t> milliseconds) {
  std::vector<uint16_t> out;
  out.reserve(milliseconds.size());
  int64_t endMs = 0, shownCs = 0;
  for (const int32_t ms : milliseconds) {
    endMs += std::max<int32_t>(ms, 0);
    const int64_t endCs = (endMs + 5) / 10;
    const int64_t cs = std::clamp<int64_t>(endCs - shownCs, 0, 65535);
    out.push_back(static_cast<uint16_t>(cs));
    shownCs += cs;
  }
  return out;
}

DelayFraction ApngDelay(int32_t milliseconds) {
  const int32_t ms = std::max<int32_t>(milliseconds, 0);
  const int32_t g = std::gcd(ms, 1000);
  const int32_t num = g == 0 ? 0 : ms / g, den = g == 0 ? 1000 : 1000 / g;
  if (num <= 65535) return {static_cast<uint16_t>(num), static_cast<uint16_t>(den), true};
  // Only whole seconds fit so long a delay; 65535 s at the most.
  const int32_t seconds = std::min<int32_t>((ms + 500) / 1000, 65535);
  return {static_cast<uint16_t>(seconds), 1, seconds * 1000 == ms};
}

}  // namespace dorv::tools

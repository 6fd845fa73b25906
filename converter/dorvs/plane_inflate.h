// Inflation of a plane blob whose exact size is not known in advance (block
// form): it stops at the largest size the plane can need, and memory grows
// only with what the stream really produces.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace dorv {

// Inflates at most maxOutput bytes; data past that is ignored, a stream that
// ends sooner gives a shorter result. Corrupt data raises EZlibError.
std::vector<uint8_t> InflatePrefix(std::span<const uint8_t> input, uint64_t maxOutput);

}  // namespace dorv

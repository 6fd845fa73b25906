// --frame lists such as "0-3,7,9-": frames in the order given.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dorv::tools {

// Frames from 0; "A-" runs to the last frame. Raises UsageError for text
// that is no list and std::runtime_error for a frame past the last.
std::vector<uint32_t> ParseFrameRanges(const std::string& text, uint32_t frameCount);

}  // namespace dorv::tools

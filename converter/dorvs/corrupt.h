// Refusal of damaged or hostile files. The text starts with the format's own
// "file is corrupt" message and names what was wrong.
#pragma once

#include <string>

#include "converter/core/errors.h"
#include "converter/core/messages.h"

namespace dorv {

// Raised by the blob readers when a plane holds fewer bytes than it needs.
inline constexpr const char* kPlaneTooShort = "ファイルが破壊されています (plane data too short)";

[[noreturn]] inline void ThrowCorrupt(const char* detail) {
  throw EFormatError(std::string(msg::kFileCorrupt) + " (" + detail + ")");
}

}  // namespace dorv

// JSON text for info's lines.
#pragma once

#include <string>

namespace dorv::tools {

// A JSON string literal, quotes included. Bytes that are not UTF-8 become
// U+FFFD, control characters are escaped.
std::string JsonString(const std::string& text);

}  // namespace dorv::tools

// Inputs read whole: a file, or standard input for "-".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dorv::tools {

// Raises std::runtime_error ("cannot open: ...", "is a folder, not a file").
std::vector<uint8_t> ReadInputBytes(const std::string& path);

}  // namespace dorv::tools

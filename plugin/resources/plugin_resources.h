// The module's property list ("PiPL" 16000) and scripting dictionary
// ("AETE" 16000), built from one description of the format.
#pragma once

#include <cstdint>
#include <vector>

namespace dorv::resources {

inline constexpr int kResourceId = 16000;
inline constexpr int kResourceLanguage = 1033;

std::vector<uint8_t> PropertyListResource();
std::vector<uint8_t> DictionaryResource();

}  // namespace dorv::resources

// The module's property list ("PiPL" 16000) and scripting dictionary
// ("AETE" 16000), built from one description of the format.
#pragma once

#include <cstdint>
#include <vector>

namespace dorv::resources {

inline constexpr int kResourceId = 16000;
inline constexpr int kResourceLanguage = 1033;

// The property list names the entry point under the key of the module's
// platform: 'wx86' in a 32-bit Windows module, '8664' in a 64-bit one.
enum class ModuleArch { Win32, Win64 };

std::vector<uint8_t> PropertyListResource(ModuleArch arch = ModuleArch::Win32);
std::vector<uint8_t> DictionaryResource();

}  // namespace dorv::resources

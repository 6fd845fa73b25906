// A palette frame's colours in the palette files of other programs.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace dorv::tools {

enum class PaletteFormat { Gimp, Act, Jasc, Hex };

// By the output's extension (.gpl, .act, .pal, .hex); raises UsageError.
PaletteFormat PaletteFormatFor(const std::string& path);

struct PaletteColours {
  std::string name;
  std::vector<std::array<uint8_t, 3>> colours;  // red, green, blue; 1 to 256
  int32_t transparent = -1;                     // an index, or -1
};

// The file's bytes. Photoshop's table keeps the count and the transparent
// index after its 256 entries.
std::vector<uint8_t> EncodePalette(const PaletteColours& palette, PaletteFormat format);

}  // namespace dorv::tools

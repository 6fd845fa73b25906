// dovtool's two ways through the converter: a container file read with
// ConvertRead, and a picture written with ConvertWrite.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace dorv::tools {

// What ConvertRead returned for a file.
struct DovPicture {
  int32_t version = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bpp = 0;  // 8 or 32
  int32_t frames = 0;
  int32_t bgColor = 0;
  bool notFillBG = false;
  int32_t transparent = -1;
  std::vector<uint8_t> pixels;         // rows top first, (bpp * width + 7) / 8 bytes each
  std::array<uint8_t, 1024> palette{};  // blue, green, red, reserved
  std::string messages;  // load errors shown while frames were still read
};

// Raises std::runtime_error with the reason (the converter's message when it
// gave one) when the file cannot be opened or yields no picture.
DovPicture ReadDov(const std::string& path);

// The picture as the host hands it to ConvertWrite.
struct HostPicture {
  int32_t width = 0;
  int32_t height = 0;
  int32_t planes = 0;
  int32_t depth = 0;
  int32_t imageMode = 0;
  std::vector<uint8_t> rows;  // (planes * depth * width + 7) / 8 bytes each
  std::array<uint8_t, 256> red{}, green{}, blue{};
  int32_t transparent = -1;
};

// Writes through a temporary file that replaces path only once the converter
// reported success. Raises std::runtime_error.
void WriteDov(const std::string& path, const HostPicture& picture, int32_t compType,
              int32_t quality);

}  // namespace dorv::tools

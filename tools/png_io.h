// PNG reading and writing for the command-line tools (libpng).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace dorv::tools {

enum class PngColor { Palette, Grey, GreyAlpha, RGB, RGBA };

// A PNG picture in its own terms. Reading normalises 16-bit samples to 8 bits,
// palette and grey pictures below 8 bits to one byte per pixel, and a tRNS
// chunk of a grey or RGB picture to an alpha channel; a 1-bit grey picture
// keeps bitDepth 1 (one bit per pixel, most significant bit first, 1 = white).
struct PngImage {
  uint32_t width = 0;
  uint32_t height = 0;
  PngColor color = PngColor::RGBA;
  int bitDepth = 8;                              // 8, or 1 for 1-bit grey
  std::vector<uint8_t> rows;                     // packed rows, top row first
  std::vector<std::array<uint8_t, 4>> palette;   // RGBA entries (alpha from tRNS)

  size_t Channels() const;
  size_t RowBytes() const;  // (width * channels * bitDepth + 7) / 8
};

// Raises std::runtime_error with a reason on any failure.
PngImage ReadPng(const std::string& path);
// Writes to a temporary file beside path and renames it, so a failure never
// leaves a partial or clobbered file. Raises std::runtime_error.
void WritePng(const std::string& path, const PngImage& image);

}  // namespace dorv::tools

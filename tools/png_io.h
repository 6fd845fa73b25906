// PNG reading and writing for the command-line tools (libpng).
#pragma once

#include <array>
#include <cstdint>
#include <span>
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
  // What reading left behind: the file's own sample depth (16 when samples
  // were reduced to 8 bits) and whether it carried an ICC profile.
  int sourceBitDepth = 8;
  bool hadIccProfile = false;

  size_t Channels() const;
  size_t RowBytes() const;  // (width * channels * bitDepth + 7) / 8
};

// Raise std::runtime_error with a reason on any failure.
PngImage DecodePng(std::span<const uint8_t> file);
std::vector<uint8_t> EncodePng(const PngImage& image);
// A file, or standard input for "-".
PngImage ReadPng(const std::string& path);
// Written as an OutputFile: a failure never leaves a partial or clobbered
// file. Raises std::runtime_error.
void WritePng(const std::string& path, const PngImage& image);

}  // namespace dorv::tools

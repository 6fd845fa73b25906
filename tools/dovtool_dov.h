// dovtool's two ways through the converter: a container file read with
// ConvertRead, and a picture written with ConvertWrite.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "libdov/document/document.h"

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
// gave one; "not a DorvStudio document" for a file that does not start as
// one) when the file cannot be opened or yields no picture. "-" reads
// standard input.
DovPicture ReadDov(const std::string& path);
DovPicture ReadDovBytes(const std::vector<uint8_t>& file);

// The reason a file that yielded nothing is given: the converter's message,
// or, for a file that does not start as a document, "not a DorvStudio
// document" (with the converter's message when it is one of the format's
// own).
std::string UnreadableReason(bool hasMagic, const std::string& converterMessage);

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

// Every frame through the whole-document library, failing for the same
// reasons as ReadDov.
frames::Document ReadWholeDocument(const std::vector<uint8_t>& file, const frames::ReadOptions& options);

class OutputFile;
// Writes the document to the output and commits it once the converter
// reported success. Raises std::runtime_error.
void WriteDov(OutputFile& output, const HostPicture& picture, int32_t compType, int32_t quality);

}  // namespace dorv::tools

// dovtool's two ways through libdov: a document's first frame as the host
// receives it, and a picture written as the host's save writes it.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/dov_document.h"

namespace dorv::tools {

// The first frame of a document, as the host receives it.
struct DovPicture {
  int32_t version = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bpp = 0;  // 8 or 32
  int32_t frames = 0;
  int32_t bgColor = 0;
  bool notFillBG = false;
  int32_t transparent = -1;
  std::vector<uint8_t> pixels;          // rows top first: indices, or red, green, blue, alpha
  std::array<uint8_t, 1024> palette{};  // red, green, blue, alpha (0 at the transparent index)
  std::string messages;  // load errors reported while frames were still read
};

// Raises std::runtime_error with the reason (libdov's message; "not a
// DorvStudio document" for a file that does not start as one) when the file
// cannot be opened or yields no picture. "-" reads standard input.
DovPicture ReadDov(const std::string& path);

// The reason a file that yielded nothing is given: libdov's message, or, for
// a file that does not start as a document, "not a DorvStudio document"
// (with the message when it is one of the format's own).
std::string UnreadableReason(bool hasMagic, const std::string& message);

// Every frame, failing for the same reasons as ReadDov.
frames::Document ReadWholeDocument(const std::vector<uint8_t>& file, const frames::ReadOptions& options);
// The first frame of a document read with its layers kept.
DovPicture FirstFrame(const frames::Document& document);

class OutputFile;
// Writes a one-frame document of the picture to the output and commits it.
// Raises std::runtime_error.
void WriteDov(OutputFile& output, const dov_picture& picture, dov_compression compression, int32_t quality);

}  // namespace dorv::tools

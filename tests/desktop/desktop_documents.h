// The documents the desktop plug-ins are tried on, and what libdov reads of
// each: the plug-ins must hand out exactly these frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace desktop_test {

struct Document {
  std::string name;
  std::vector<uint8_t> bytes;
};

// The samples, documents of every depth, frames of different sizes, a
// legacy file, a damaged animation, the hostile set and the kept fuzz
// inputs.
const std::vector<Document>& Documents();
const Document& Named(const std::string& name);

struct Frame {
  uint32_t width = 0, height = 0;
  bool indexed = false;
  int32_t delayMs = 0;
  std::vector<uint8_t> rgba;      // the composite as RGBA
  std::vector<uint8_t> indices;   // palette frames
  std::vector<uint8_t> palette;   // 256 x RGBA
};

struct Reading {
  bool read = false;  // false: libdov refuses the document
  std::string error;  // why, as libdov says
  uint32_t width = 0, height = 0;
  bool damaged = false;
  std::string messages;
  std::vector<Frame> frames;
};

Reading ReadWithLibdov(const std::vector<uint8_t>& bytes);

// A one-frame document as libdov's encoder writes it.
std::vector<uint8_t> Encode(int format, uint32_t width, uint32_t height, const uint8_t* pixels, size_t stride,
                            int compression, int quality, const std::vector<uint8_t>& paletteRgb = {},
                            int32_t transparent = -1);

std::string TempDir();

}  // namespace desktop_test

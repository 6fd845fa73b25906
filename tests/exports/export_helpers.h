// Calling the exports on temporary files, as the plug-in does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "converter/converts/exports.h"

#include "converter/converts/read_info.h"

namespace dorv::testing {

struct ReadResult {
  bool ok = false;
  uint8_t info[44] = {};
  std::vector<uint8_t> pixels;  // the resized block's bytes (its first keepBytes)
  size_t blockBytes = 0;        // the size of the block returned
  uint8_t palette[1024] = {};
  int32_t transparent = -2;
  std::string messages;  // what the converter showed the user
  TReadInfoView Info() const { return TReadInfoView(info); }
};

// keepBytes limits the bytes of the block copied into `pixels` (a picture
// that fills most of a 32-bit process cannot be copied whole).
ReadResult ReadThroughExport(const std::vector<uint8_t>& file, size_t keepBytes = SIZE_MAX);

struct WriteArgs {
  int32_t width = 1, height = 1, planes = 3, depth = 8;
  std::vector<uint8_t> pixels;
  std::vector<uint8_t> red = std::vector<uint8_t>(256), green = std::vector<uint8_t>(256),
                       blue = std::vector<uint8_t>(256);
  int32_t transparent = -1, compType = 0, quality = 70, code = 0, mode = 3;
};

struct WriteResult {
  bool ok = false;
  std::vector<uint8_t> file;
};

WriteResult WriteThroughExport(const WriteArgs& args);

}  // namespace dorv::testing

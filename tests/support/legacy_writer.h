// A writer of the older binary layout for the tests: versions 0 (no magic)
// and 100 to 107, each with the optional fields its version carries.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "support/dov_writer.h"

namespace dorv::testing {

struct LegacySpec {
  int32_t version = 107;  // 0 writes no magic
  // Frames, layers, background, NotFillBG and plane coding settings (for
  // 103 and later: compType, randomized/code, block size as in the stored
  // record; below 103 compType 1 means raw rows, anything else zlib).
  DocSpec doc;
  std::optional<int32_t> frameCount;     // a count that differs from the frames
  std::optional<int32_t> recordLength;   // the stored header record's length field
  int32_t extraRecordBytes = 0;          // bytes stored after the 40-byte record
  int32_t tableCount = 0;                // entries of each extra table (104+)
  std::optional<int32_t> tableCountField;  // a count field that lies
  std::optional<int32_t> nameLength;     // a name length that lies (first frame)
  bool recordNotFillBG = false;          // NotFillBG byte of the stored record
};

std::vector<uint8_t> WriteLegacy(const LegacySpec& layout);

}  // namespace dorv::testing

// The reader of the older binary layout (files that do not start "DorvX").
// The document reads the header first, takes its values, then the frames.
#pragma once

#include <cstdint>
#include <optional>

#include "converter/dorvs/header_info.h"

namespace dorv {

class TFrames;
class TStream;
struct TReadContext;

struct TLegacyHeader {
  THeaderInfo Header;  // all zero but Version below the header record's version
  int32_t Frames = 0;
  std::optional<int32_t> BGColor;  // where the file holds one
  bool NotFillBG = false;
};

TLegacyHeader ReadLegacyHeader(TStream& stream);
// Reads count frames into frames, as far as the file holds them.
void ReadLegacyFrames(TStream& stream, int32_t count, const TReadContext& ctx, TFrames& frames);

}  // namespace dorv

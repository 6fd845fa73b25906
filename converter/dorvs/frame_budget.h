// Refusal of a frame before anything is allocated for it: its size must stay
// within the surface cap, and the bytes left in the file must be able to hold
// the plane records of the layers it announces. A record can be no smaller
// than its coding allows (raw rows hold every byte of the plane, a zlib
// stream at least 1/2048 of what it inflates to), so a few bytes can never
// make the reader reserve and fill whole planes.
#pragma once

#include <cstdint>

namespace dorv {

struct THeaderInfo;

// Fewest bytes that the records of one layer of a width x height frame at
// depth take in the file: fieldBytes of layer fields before the records,
// the colour record and, from Version 100 on, the alpha record's length.
uint64_t MinLayerBytes(const THeaderInfo& header, int32_t width, int32_t height, int32_t depth,
                       uint64_t fieldBytes);

// Raises a "file is corrupt" error when the frame has more pixels than a
// surface may, or when layers of it cannot fit in bytesLeft.
void CheckFrameFits(const THeaderInfo& header, int32_t width, int32_t height, int32_t depth,
                    int64_t layers, int64_t bytesLeft, uint64_t fieldBytes = 0);

}  // namespace dorv

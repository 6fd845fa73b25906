// Reading one layer's plane records from the input: the length, the blob
// and its decoding, shared by the current and the legacy readers.
#pragma once

#include "converter/dorvs/plane_coding.h"
#include "converter/dorvs/read_context.h"

namespace dorv {

class TStream;

// The colour record (a length that must be positive and lie within the
// file, then the blob decoded into surface, in the current or old coding by
// the header's Version) and, with withAlpha, the alpha record, whose length
// of 0 or less means no alpha plane. Large current planes stored in blobs
// are decoded on two threads. What is read and what fails is as when the
// records are read one after the other: a failure of the colour plane
// comes first.
void ReadLayerRecords(const TReadContext& ctx, TStream& input, TDIBSurface& surface, bool withAlpha);

}  // namespace dorv

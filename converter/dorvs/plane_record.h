// Reading one layer's plane records from the input: the length, the blob
// and its decoding, shared by the current and the legacy readers.
#pragma once

#include "converter/dorvs/plane_coding.h"

namespace dorv {

class TStream;

// The colour record: a length that must be positive and lie within the
// file, then the blob decoded into surface (current or old coding by the
// header's Version).
void ReadColourRecord(const TPlaneContext& ctx, TStream& input, TDIBSurface& surface);
// The alpha record: a length of 0 or less means no alpha plane. Returns
// whether the surface got one.
bool ReadAlphaRecord(const TPlaneContext& ctx, TStream& input, TDIBSurface& surface);

}  // namespace dorv

// Reading one layer's plane records from the input: the length, the blob
// and its decoding, shared by the current and the legacy readers.
#pragma once

#include "converter/dorvs/plane_coding.h"
#include "converter/dorvs/read_context.h"

namespace dorv {

class TStream;

// The colour record: a length that must be positive and lie within the
// file, then the blob decoded into surface (current or old coding by the
// header's Version).
void ReadColourRecord(const TReadContext& ctx, TStream& input, TDIBSurface& surface);
// The alpha record: a length of 0 or less means no alpha plane. Returns
// whether the surface got one.
bool ReadAlphaRecord(const TReadContext& ctx, TStream& input, TDIBSurface& surface);
// The colour record and, with withAlpha, the alpha record of one layer of
// the current coding. Large planes stored in blobs are decoded on two
// threads. What is read and what fails is as when the records are read one
// after the other: a failure of the colour plane comes first.
void ReadLayerRecords(const TReadContext& ctx, TStream& input, TDIBSurface& surface, bool withAlpha);

}  // namespace dorv

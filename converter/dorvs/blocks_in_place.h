// A block-form plane rearranged inside the memory it was inflated into,
// which then becomes the plane: no second block of the plane's size is
// written, and no fresh memory is touched for it.
#pragma once

#include <cstdint>
#include <span>

#include "converter/core/runner.h"
#include "converter/dorvs/block_grid.h"

namespace dorv {

// buf (bufSize bytes) holds, from dataAt on, the stored blocks of a plane of
// whole-byte pixels, in plane order, each block's rows one after the other.
// stored[b] is nonzero for each stored block b. Moves them to plane rows,
// RowBytes apart from buf on, top row first. The blocks not stored and the
// bytes past a row's pixels become zero. Returns false, having written
// nothing, when the plane or the stored bytes do not fit in buf, when a
// move would overwrite stored bytes not yet moved, or when a block row holds
// more than the copy the moves go through.
bool PlaceBlocksInPlace(const TBlockGrid& g, std::span<const uint8_t> stored, uint8_t* buf, uint64_t bufSize,
                        uint64_t dataAt, const TRunner& runner = TRunner());

}  // namespace dorv

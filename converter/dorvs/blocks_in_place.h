// A block-form plane rearranged inside the memory it was inflated into,
// which then becomes the plane: no second block of the plane's size is
// written, and no fresh memory is touched for it.
#pragma once

#include <cstdint>
#include <span>

#include "converter/core/runner.h"
#include "converter/dorvs/block_grid.h"

namespace dorv {

// buf (bufSize bytes) holds, from dataAt on, the bytes of the stored blocks
// of a plane of whole-byte pixels, in plane order, each block's rows one
// after the other; stored[b] is nonzero for each stored block b. Moves them
// to plane rows, RowBytes apart from buf on, top row first, with the blocks
// not stored and the bytes past a row's pixels zero, and returns true. Or
// returns false, having written nothing, where the plane or the stored bytes
// do not fit in buf, where moving a block row in either direction would
// overwrite stored bytes not yet moved, or where a block row holds more than
// the copy the moves go through.
bool PlaceBlocksInPlace(const TBlockGrid& g, std::span<const uint8_t> stored, uint8_t* buf, uint64_t bufSize,
                        uint64_t dataAt, const TRunner& runner = TRunner());

}  // namespace dorv

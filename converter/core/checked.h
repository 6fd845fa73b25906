// Checked size arithmetic and the one capped allocation path. Every size that
// is derived from file data goes through these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "converter/core/errors.h"
#include "converter/core/limits.h"

namespace dorv {

// Multiplies or adds non-negative sizes; throws EOutOfMemory on overflow or
// when the result passes the allocation cap.
uint64_t CheckedMul(uint64_t a, uint64_t b);
uint64_t CheckedAdd(uint64_t a, uint64_t b);
// Converts a signed count to a size, refusing negative values.
uint64_t CheckedSize(int64_t n);

// Frees a block the way AllocateBlock got it.
struct BlockDeleter {
  size_t pagesBytes = 0;  // nonzero: the block is a page mapping of this size
  bool borrowed = false;  // the bytes belong to somebody else: nothing to free
  void operator()(uint8_t* p) const noexcept;
};
using Block = std::unique_ptr<uint8_t[], BlockDeleter>;

// Allocates a zero-filled block of n bytes (n may be 0). Large blocks come
// from the system as untouched zero pages (large pages where offered), so
// zero-filling costs nothing until the memory is written. Throws EOutOfMemory
// above the cap or on failure.
Block AllocateBlock(uint64_t n);

// As AllocateBlock, for a block that will be written whole (a picture's
// pixels, what a stream inflates into): where the system has large pages,
// a large block is laid on whole ones, whose first touch costs about a
// third of small pages'. (A coder's output room, written only in part,
// stays with AllocateBlock, which takes memory only as it is written.)
Block AllocateDenseBlock(uint64_t n);

// A block for bytes that are all copied in before they are read (n may be
// 0): no zero fill, and memory the process already has where it can be had.
// (Coders that write their output piecemeal run faster on AllocateBlock's
// pages.) Throws EOutOfMemory above the cap or on failure.
Block AllocateUnfilledBlock(uint64_t n);

// Bytes made or read into a block of their own: Size bytes in use of a
// block that may have been reserved larger (its untouched tail costs no
// memory when the block came as pages).
struct TByteBlock {
  Block Data;
  size_t Size = 0;
  std::span<const uint8_t> Bytes() const { return {Data.get(), Size}; }
};

}  // namespace dorv

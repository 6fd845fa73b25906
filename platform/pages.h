// Large zero-filled blocks straight from the system. Fresh memory is paid for
// page by page when first touched; where the system offers large pages the
// block asks for them, which makes that first touch many times cheaper.
#pragma once

#include <cstddef>

namespace platform {

// Blocks of at least this size are worth their own mapping.
inline constexpr size_t kLargeBlockBytes = size_t{1} << 20;

// Blocks below this size that need no zero fill are left to the C heap,
// which hands back memory the process already has (larger ones get pages).
inline constexpr size_t kHeapBlockBytes = size_t{32} << 20;

// Zero-filled memory of n bytes (n > 0), or nullptr when it cannot be had.
void* AllocatePages(size_t n);
// As AllocatePages, for memory that is to be written whole. Where the
// system has large pages, a block of at least one is mapped at a multiple
// of their size and for a whole number of them: a mapping that starts or
// ends inside one gets small pages, whose first touch costs about three
// times as much, while a block written only in part would take a whole
// large page for each one it touches. *mapped is set to the length to free
// the block with.
void* AllocateDensePages(size_t n, size_t* mapped);
// Whether PopulatePages does anything here.
#ifdef _WIN32
inline constexpr bool kPopulatesPages = false;
#else
inline constexpr bool kPopulatesPages = true;
#endif
// Takes the pages of [p, p + n) of private memory before they are first
// written, without changing what they hold (where the system cannot, it
// does nothing). Another thread may write the memory meanwhile: a thread
// that is filling fresh memory then finds its pages ready.
void PopulatePages(void* p, size_t n);
// Returns a block from AllocatePages (n: the size it was allocated with) or
// from AllocateDensePages (n: the length it set).
void FreePages(void* p, size_t n);

}  // namespace platform

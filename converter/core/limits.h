// Documented caps that make hostile input cheap to refuse. Real documents are
// far below them; anything above is refused before memory is reserved for it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dorv::limits {

// Pixels of one surface (2^28: e.g. 16384 x 16384). Fuzz builds lower it so
// that the largest legitimate picture stays within their time per input.
#ifdef DORV_FUZZ_MAX_SURFACE_PIXELS
inline constexpr uint64_t kMaxSurfacePixels = DORV_FUZZ_MAX_SURFACE_PIXELS;
#else
inline constexpr uint64_t kMaxSurfacePixels = uint64_t{1} << 28;
#endif
// Pixels, summed over a document, of frames that show their background only
// (no layers follow): such a frame costs a few header bytes, its composite
// a whole surface. One 4096 x 4096 frame fits, and never more than a surface.
inline constexpr uint64_t kMaxBackgroundOnlyPixels =
    kMaxSurfacePixels < (uint64_t{1} << 24) ? kMaxSurfacePixels : uint64_t{1} << 24;
// Bytes of one pixel block or any other single allocation (2 GiB - 1).
inline constexpr uint64_t kMaxAllocationBytes = (uint64_t{1} << 31) - 1;
// Decompressed header text (8 MiB: thousands of frames with palettes), and
// the tags it may hold; a header past either is refused before its tree is
// built, which costs far more memory than the text.
inline constexpr uint64_t kMaxHeaderTextBytes = uint64_t{8} << 20;
inline constexpr uint64_t kMaxHeaderTags = uint64_t{1} << 18;
// Width or height of a surface.
inline constexpr int32_t kMaxDimension = 1 << 20;

// Sizes are checked in 64 bits against these caps and only then converted
// to size_t and pointer offsets, so the caps must hold in a 32-bit process.
static_assert(kMaxAllocationBytes <= SIZE_MAX && kMaxAllocationBytes <= PTRDIFF_MAX);
// The largest surface (32 bits a pixel, so no row padding) is one allocation.
static_assert(kMaxSurfacePixels * 4 <= kMaxAllocationBytes);

}  // namespace dorv::limits

// Documented caps that make hostile input cheap to refuse. Real documents are
// far below them; anything above is refused before memory is reserved for it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dorv::limits {

// Pixels of one surface (2^28: e.g. 16384 x 16384).
inline constexpr uint64_t kMaxSurfacePixels = uint64_t{1} << 28;
// Bytes of one pixel block or any other single allocation (2 GiB - 1).
inline constexpr uint64_t kMaxAllocationBytes = (uint64_t{1} << 31) - 1;
// Decompressed header text (64 MiB).
inline constexpr uint64_t kMaxHeaderTextBytes = uint64_t{64} << 20;
// Width or height of a surface.
inline constexpr int32_t kMaxDimension = 1 << 20;

}  // namespace dorv::limits

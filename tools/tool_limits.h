// dovtool's own caps on what it reads: inputs and pictures past them are
// refused before memory is reserved for them. They match what libdov takes.
#pragma once

#include <cstdint>

namespace dorv::tools::limits {

// Bytes of one input read whole (2 GiB - 1).
inline constexpr uint64_t kMaxAllocationBytes = (uint64_t{1} << 31) - 1;
// Width or height of a picture.
inline constexpr int32_t kMaxDimension = 1 << 20;
// Pixels of one picture: libdov's default limit on a frame.
inline constexpr uint64_t kMaxSurfacePixels = uint64_t{1} << 28;

}  // namespace dorv::tools::limits

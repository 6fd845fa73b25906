// A document's thumbnail: its bytes in, the first frame fitted to a square
// out, as dovtool's thumbnail command makes it.
#pragma once

#include <cstdint>
#include <span>

#include "tools/dov_document.h"

namespace dorv::thumbs {

namespace frames = tools::frames;

// Thumbnails are at most this many pixels a side, as dovtool's are.
inline constexpr int32_t kMaxThumbnailSize = 4096;

// The first frame fitted into size x size (1 to kMaxThumbnailSize) with its
// aspect kept, straight RGBA. A damaged document gives what was read of it;
// a document without a frame raises frames::FramesError.
frames::RgbaImage MakeThumbnail(std::span<const uint8_t> bytes, int32_t size);

}  // namespace dorv::thumbs

#include "thumbs/thumb_source.h"

#include "tools/thumbnail_scale.h"

namespace dorv::thumbs {

frames::RgbaImage MakeThumbnail(std::span<const uint8_t> bytes, int32_t size) {
  if (size < 1 || size > kMaxThumbnailSize)
    throw frames::FramesError(DOV_ERROR_INVALID_ARGUMENT, "no such thumbnail size");
  // Only the first frame's composite is wanted, and it is taken as RGBA.
  const frames::Document document = frames::ReadDocument(bytes, {.Composites = false, .Layers = true});
  if (document.Frames.empty()) throw frames::FramesError(DOV_ERROR_CORRUPT, "no picture in the file");
  // Palette pictures are pixel art: reduced by nearest neighbour.
  return tools::FitThumbnail(frames::FrameRgba(document.decoder.get(), 0), size, document.Frames.front().Indexed);
}

}  // namespace dorv::thumbs

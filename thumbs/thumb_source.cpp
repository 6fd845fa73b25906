#include "thumbs/thumb_source.h"

#include "tools/thumbnail_scale.h"

namespace dorv::thumbs {

frames::RgbaImage MakeThumbnail(std::span<const uint8_t> bytes, int32_t size) {
  if (size < 1 || size > kMaxThumbnailSize) throw frames::FramesError("no such thumbnail size");
  // Layers are not kept: only the first frame's composite is wanted.
  const frames::Document document = frames::ReadDocument(bytes, {.Composites = true, .Layers = false});
  if (document.Frames.empty()) throw frames::FramesError("no picture in the file");
  const frames::Composite& first = document.Frames.front().Picture;
  // Palette pictures are pixel art: reduced by nearest neighbour.
  return tools::FitThumbnail(frames::CompositeToRgba(first), size, first.Bpp == 8);
}

}  // namespace dorv::thumbs

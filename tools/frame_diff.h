// The part of a frame that differs from the frame before it, so that an
// animation stores only what changes.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/anim_frames.h"
#include "tools/sheet_layout.h"

namespace dorv::tools {

// The box of frame `cur` whose pixels differ from `prev`, both on a canvas of
// w x h; the whole canvas when the two are of other sizes or kinds (other
// palettes, indices against colours); a single pixel when nothing differs.
Box ChangedBox(const frames::Composite& prev, const frames::Composite& cur, int32_t w, int32_t h);

// Each frame's box on the canvas: the whole canvas for the first frame and
// wherever partial(i) says frame i may not be drawn over frame i - 1.
template <typename Partial>
std::vector<Box> FrameBoxes(const std::vector<AnimPicture>& frames, int32_t w, int32_t h, Partial partial) {
  std::vector<Box> boxes;
  for (size_t i = 0; i < frames.size(); ++i) {
    const Box whole{0, 0, std::min(frames[i].picture.Width, w), std::min(frames[i].picture.Height, h)};
    boxes.push_back(i > 0 && partial(i) ? ChangedBox(frames[i - 1].picture, frames[i].picture, w, h) : whole);
  }
  return boxes;
}

}  // namespace dorv::tools

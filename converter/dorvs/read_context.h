// What reading a frame and its layers is given by the document being read.
#pragma once

#include <cstdint>
#include <functional>

namespace dorv {

class TBackgroundBudget;
class TDorvFrameList;
struct THeaderInfo;

// Asked for the memory of the first frame's bottom layer once its size and
// depth are known: zero-filled rows as a surface of that size and depth
// lays them out, which must outlive the document, or null for the layer's
// own. The frame's composite may come to share them.
using TLayerPixels = std::function<uint8_t*(int32_t width, int32_t height, int32_t depth)>;

struct TReadContext {
  const THeaderInfo& Header;
  // Its background and code, and the frames read so far (block copies).
  const TDorvFrameList& Document;
  // Only while the first frame is read, and only when the caller asked.
  const TLayerPixels* FirstLayerPixels = nullptr;
  // Charged with each frame that shows its background only, for the whole load.
  TBackgroundBudget* BackgroundOnly = nullptr;
};

}  // namespace dorv

// What every part of a read is handed. The caller's runner and rows for the
// first layer, the header and the document's own values, and the frames
// read so far.
#pragma once

#include <cstdint>
#include <functional>

#include "converter/core/runner.h"

namespace dorv {

class TBackgroundBudget;
class TFrames;
struct THeaderInfo;

// Asked for the memory of the first frame's bottom layer once its size and
// depth are known. It returns zero-filled rows laid out as a surface of that
// size and depth lays them out, or null for the layer's own memory. The
// rows must outlive the document; the frame's composite may share them.
using TLayerPixels = std::function<uint8_t*(int32_t width, int32_t height, int32_t depth)>;

struct TReadContext {
  const THeaderInfo& Header;
  const TRunner& Runner;
  int32_t Code = 0;  // the document's code, for scrambled planes
  int32_t BGColor = 0;
  bool NotFillBG = false;
  // The frames read so far, the one being read included (block copies).
  const TFrames& Frames;
  // Only while the first frame is read, and only when the caller asked.
  const TLayerPixels* FirstLayerPixels = nullptr;
  // Charged with each frame that shows its background only, for the whole load.
  TBackgroundBudget* BackgroundOnly = nullptr;
};

}  // namespace dorv

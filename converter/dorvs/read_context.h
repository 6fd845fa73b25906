// What every part of a read is handed. The caller's runner and rows for the
// first layer, the header and the document's own values, and the frames
// read so far.
#pragma once

#include <cstdint>

#include "converter/core/runner.h"
#include "converter/dorvs/caller_rows.h"

namespace dorv {

class TBackgroundBudget;
class TFrames;
struct THeaderInfo;

struct TReadContext {
  const THeaderInfo& Header;
  const TRunner& Runner;
  int32_t Code = 0;  // the document's code, for scrambled planes
  int32_t BGColor = 0;
  bool NotFillBG = false;
  // The frames read so far, the one being read included (block copies).
  const TFrames& Frames;
  // Only while the first frame is read, and only when the caller has them.
  const TCallerRows* Rows = nullptr;
  // Charged with each frame that shows its background only, for the whole load.
  TBackgroundBudget* BackgroundOnly = nullptr;
};

}  // namespace dorv

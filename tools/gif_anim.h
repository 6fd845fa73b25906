// Animated GIF through giflib.
#pragma once

#include <vector>

#include "tools/anim_frames.h"

namespace dorv::tools {

// Every frame on a canvas of the first frame's size (larger frames are cut),
// looping for ever, delays in centiseconds with the rounding carried on.
// Palette frames keep their palettes (a local table where a frame's
// differs from the first's) and transparent index. Colour frames share one
// exact table when all of them hold at most 256 colours with the clear one;
// else each frame has its own, reduced where it holds more (with a
// warning). Alpha is kept where it is 0; partial alpha is warned about and
// shown opaque. The editor's disposal is kept; a frame without one (0) is
// cleared after it is shown when the next frame is clear where it is not,
// so that it does not show through. Raises std::runtime_error.
EncodedAnimation EncodeGif(const std::vector<AnimPicture>& frames);

}  // namespace dorv::tools

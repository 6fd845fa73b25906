// Animated PNG, written chunk by chunk with zlib (libpng writes no APNG).
#pragma once

#include <vector>

#include "tools/anim_frames.h"

namespace dorv::tools {

// Every frame on a canvas of the first frame's size (larger frames are cut),
// looping for ever, each frame replacing what it covers, delays as exact
// fractions of a second. One palette for the file when every frame is a
// palette picture with the same colours and transparent index, else RGBA.
// Raises std::runtime_error.
EncodedAnimation EncodeApng(const std::vector<AnimPicture>& frames);

}  // namespace dorv::tools

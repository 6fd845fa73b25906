// What a save is asked for, and where it may take the first frame's rows
// from when the saver holds the pixels in another layout than the
// surface's stores.
#pragma once

#include <cstdint>

#include "converter/core/comp_type.h"
#include "converter/dorvs/caller_rows.h"

namespace dorv {

struct TSaveOptions {
  int32_t CompType = kCompZlib;
  int32_t CompLevel = 0;
  const TCallerRows* Rows = nullptr;
};

}  // namespace dorv

// What every part of a save is handed: the header written, the document's
// code, the caller's runner, and the caller's rows for the first frame.
#pragma once

#include <cstdint>

#include "converter/core/runner.h"

namespace dorv {

struct TCallerRows;
struct THeaderInfo;

struct TSaveContext {
  const THeaderInfo& Header;
  int32_t Code = 0;
  const TRunner& Runner;
  // The first frame's rows in the caller's layout, where the caller has them.
  const TCallerRows* Rows = nullptr;
};

}  // namespace dorv

// What a save is given. The caller asks for a coding and may hand its own
// rows for the first frame; every part of the save is then handed the
// header written, the document's code, the runner and those rows.
#pragma once

#include <cstdint>

#include "converter/core/comp_type.h"
#include "converter/core/runner.h"
#include "converter/dorvs/caller_rows.h"

namespace dorv {

struct THeaderInfo;

struct TSaveOptions {
  int32_t CompType = kCompZlib;
  int32_t CompLevel = 0;
  const TCallerRows* Rows = nullptr;
};

struct TSaveContext {
  const THeaderInfo& Header;
  int32_t Code = 0;
  const TRunner& Runner;
  const TCallerRows* Rows = nullptr;  // the first frame's only
};

}  // namespace dorv

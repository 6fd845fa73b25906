// What a save is asked for, and where it may take a layer's rows from when
// the saver holds the pixels in another layout than the surface's stores.
#pragma once

#include <cstdint>
#include <functional>

#include "converter/core/comp_type.h"

namespace dorv {

struct TJpegRows;

// Fills stored row y of a plane (its RowBytes bytes, padding included).
using TStoredRow = std::function<void(int32_t y, uint8_t* row)>;

// The first frame's rows in the caller's layout. The surface's stores are
// then left unfilled where a plane is made from these instead.
struct TCallerRows {
  // A JPEG colour plane is coded from these.
  const TJpegRows* Jpeg = nullptr;
  // Raw planes stored in order are made from these as the file is written.
  TStoredRow Colour, Alpha;
};

struct TSaveOptions {
  int32_t CompType = kCompZlib;
  int32_t CompLevel = 0;
  const TCallerRows* Rows = nullptr;
};

}  // namespace dorv

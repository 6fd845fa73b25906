// A document as the host holds it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "plugin/host_api.h"

namespace dorv::host {

// Interleaved rows, top row first: each pixel's planes side by side (one
// byte each at depth 8), or packed bits at depth 1 (1 = black in bitmap
// mode). A transparency plane, when there is one, is the last plane.
struct HostDocument {
  int16_t mode = host_api::plugInModeRGBColor;
  int32_t width = 0;
  int32_t height = 0;
  int16_t depth = 8;
  int16_t planes = 3;
  std::vector<uint8_t> pixels;
  std::array<uint8_t, 256> red{};
  std::array<uint8_t, 256> green{};
  std::array<uint8_t, 256> blue{};
  int32_t transparentIndex = -1;
  int32_t transparencyPlane = -1;  // set by an open; -1 when there is none

  std::size_t RowBytes() const {
    return (static_cast<std::size_t>(depth) * static_cast<std::size_t>(planes) *
                static_cast<std::size_t>(width) +
            7) /
           8;
  }
  std::size_t ImageBytes() const { return RowBytes() * static_cast<std::size_t>(height); }
};

}  // namespace dorv::host

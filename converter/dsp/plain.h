// The plain kernels that the SSSE3 ones finish their rows with: each starts
// at pixel `from` and leaves the pixels before it alone.
#pragma once

#include <cstddef>
#include <cstdint>

#include "converter/dsp/kernels.h"

namespace dorv::dsp::plain {

void BgrToBgra(const uint8_t* bgr, uint8_t* bgra, size_t from, size_t width);
void BgrAlphaToBgra(const uint8_t* bgr, const uint8_t* alpha, uint8_t* bgra, size_t from, size_t width);
void RgbToBgr(const uint8_t* rgb, uint8_t* bgr, size_t from, size_t width);
// Four bytes a source pixel; all is ANDed with each alpha value and returned.
uint8_t RgbaToBgrAlpha4(const uint8_t* rgba, uint8_t* bgr, uint8_t* alpha, size_t from, size_t width,
                        uint8_t all);

}  // namespace dorv::dsp::plain

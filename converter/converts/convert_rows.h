// Row kernels of the two conversion entry points: host layouts to surface
// rows and composites to the pixel block.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dorv {

// Surface rows to the pixel block (B, G, R, A per pixel).
void BgrToBgra(const uint8_t* bgr, uint8_t* bgra, size_t width);                 // A = 255
void BgrAlphaToBgra(const uint8_t* bgr, const uint8_t* alpha, uint8_t* bgra, size_t width);
void BgrxAlphaToBgra(const uint8_t* bgrx, const uint8_t* alpha, uint8_t* bgra, size_t width);
void SetFourthBytes(uint8_t* bgra, uint8_t value, size_t width);
void CopyAlphaToFourthBytes(const uint8_t* alpha, uint8_t* bgra, size_t width);

// Host rows to surface rows.
void RgbToBgr(const uint8_t* rgb, uint8_t* bgr, size_t width);
// step: bytes per source pixel (4 or more; the first four are R, G, B, A).
// A pixel with alpha 0 is stored black. Both kernels with alpha return the
// AND of the row's alpha values (255: the row is opaque).
uint8_t RgbaToBgrAlpha(const uint8_t* rgba, size_t step, uint8_t* bgr, uint8_t* alpha, size_t width);
// The alpha values alone (the fourth of step bytes); returns their AND.
uint8_t RgbaToAlpha(const uint8_t* rgba, size_t step, uint8_t* alpha, size_t width);
// The first pixel of a four-byte RGBA row whose alpha is 0; width if none.
size_t FirstClearPixel(const uint8_t* rgba, size_t width);
// A four-byte RGBA row as a JPEG coder reads it (the fourth byte ignored),
// given its first clear pixel: the row itself when there is none, else a
// copy in scratch (4 x width bytes) in which the clear pixels are black.
const uint8_t* RgbaClearedBlack(const uint8_t* rgba, uint8_t* scratch, size_t width, size_t firstClear);
// The AND of the row's alpha values, reading only.
uint8_t RgbaAlphaAnd(const uint8_t* rgba, size_t step, size_t width);
// Grey and alpha: a pixel with alpha 0 keeps its colour bytes.
uint8_t GreyAlphaToBgrAlpha(const uint8_t* ga, uint8_t* bgr, uint8_t* alpha, size_t width);

}  // namespace dorv

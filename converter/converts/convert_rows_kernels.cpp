#include "converter/converts/convert_rows.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "converter/converts/convert_rows_ssse3.h"

namespace dorv {

void BgrToBgra(const uint8_t* bgr, uint8_t* bgra, size_t width) {
  for (size_t i = ssse3::Available() ? ssse3::BgrToBgra(bgr, bgra, width) : 0; i < width; ++i) {
    bgra[4 * i] = bgr[3 * i];
    bgra[4 * i + 1] = bgr[3 * i + 1];
    bgra[4 * i + 2] = bgr[3 * i + 2];
    bgra[4 * i + 3] = 255;
  }
}

void BgrAlphaToBgra(const uint8_t* bgr, const uint8_t* alpha, uint8_t* bgra, size_t width) {
  for (size_t i = ssse3::Available() ? ssse3::BgrAlphaToBgra(bgr, alpha, bgra, width) : 0; i < width; ++i) {
    bgra[4 * i] = bgr[3 * i];
    bgra[4 * i + 1] = bgr[3 * i + 1];
    bgra[4 * i + 2] = bgr[3 * i + 2];
    bgra[4 * i + 3] = alpha[i];
  }
}

void BgrxAlphaToBgra(const uint8_t* bgrx, const uint8_t* alpha, uint8_t* bgra, size_t width) {
  for (size_t i = 0; i < width; ++i) {
    bgra[4 * i] = bgrx[4 * i];
    bgra[4 * i + 1] = bgrx[4 * i + 1];
    bgra[4 * i + 2] = bgrx[4 * i + 2];
    bgra[4 * i + 3] = alpha[i];
  }
}

void SetFourthBytes(uint8_t* bgra, uint8_t value, size_t width) {
  for (size_t i = 0; i < width; ++i) bgra[4 * i + 3] = value;
}

void CopyAlphaToFourthBytes(const uint8_t* alpha, uint8_t* bgra, size_t width) {
  for (size_t i = 0; i < width; ++i) bgra[4 * i + 3] = alpha[i];
}

void RgbToBgr(const uint8_t* rgb, uint8_t* bgr, size_t width) {
  for (size_t i = ssse3::Available() ? ssse3::RgbToBgr(rgb, bgr, width) : 0; i < width; ++i) {
    bgr[3 * i] = rgb[3 * i + 2];
    bgr[3 * i + 1] = rgb[3 * i + 1];
    bgr[3 * i + 2] = rgb[3 * i];
  }
}

namespace {

template <size_t kStep>
uint8_t RgbaToBgrAlphaStep(const uint8_t* rgba, size_t step, uint8_t* bgr, uint8_t* alpha, size_t width) {
  if constexpr (kStep != 0) step = kStep;
  uint8_t all = 0xFF;
  size_t start = 0;
  if constexpr (kStep == 4) start = ssse3::Available() ? ssse3::RgbaToBgrAlpha(rgba, bgr, alpha, width, all) : 0;
  for (size_t i = start; i < width; ++i) {
    const uint8_t* p = rgba + step * i;
    const uint8_t keep = p[3] > 0 ? 0xFF : 0;
    alpha[i] = p[3];
    all &= p[3];
    bgr[3 * i] = p[2] & keep;
    bgr[3 * i + 1] = p[1] & keep;
    bgr[3 * i + 2] = p[0] & keep;
  }
  return all;
}

}  // namespace

uint8_t RgbaToBgrAlpha(const uint8_t* rgba, size_t step, uint8_t* bgr, uint8_t* alpha, size_t width) {
  // Four bytes a pixel is the usual host layout; the loop is then vectorised.
  return step == 4 ? RgbaToBgrAlphaStep<4>(rgba, step, bgr, alpha, width)
                   : RgbaToBgrAlphaStep<0>(rgba, step, bgr, alpha, width);
}

namespace {
template <size_t kStep>
uint8_t RgbaToAlphaStep(const uint8_t* rgba, size_t step, uint8_t* alpha, size_t width) {
  if constexpr (kStep != 0) step = kStep;
  uint8_t all = 0xFF;
  for (size_t i = 0; i < width; ++i) {
    alpha[i] = rgba[step * i + 3];
    all &= alpha[i];
  }
  return all;
}

template <size_t kStep>
uint8_t RgbaAlphaAndStep(const uint8_t* rgba, size_t step, size_t width) {
  if constexpr (kStep != 0) step = kStep;
  uint8_t all = 0xFF;
  for (size_t i = 0; i < width; ++i) all &= rgba[step * i + 3];
  return all;
}
}  // namespace

size_t FirstClearPixel(const uint8_t* rgba, size_t width) {
  // 64 pixels at a time (a minimum the compiler does in vector registers).
  constexpr size_t kPiece = 64;
  for (size_t at = 0; at < width; at += kPiece) {
    const size_t n = std::min(kPiece, width - at);
    uint8_t least = 0xFF;
    for (size_t i = 0; i < n; ++i) least = std::min(least, rgba[4 * (at + i) + 3]);
    if (least != 0) continue;
    for (size_t i = 0;; ++i)
      if (rgba[4 * (at + i) + 3] == 0) return at + i;
  }
  return width;
}

const uint8_t* RgbaClearedBlack(const uint8_t* rgba, uint8_t* scratch, size_t width, size_t firstClear) {
  if (firstClear >= width) return rgba;
  std::memcpy(scratch, rgba, 4 * firstClear);
  // Whole pixels at a time: a clear one keeps its fourth byte only.
  constexpr uint32_t kFourth = std::endian::native == std::endian::little ? 0xFF000000u : 0x000000FFu;
  for (size_t i = firstClear; i < width; ++i) {
    uint32_t px;
    std::memcpy(&px, rgba + 4 * i, 4);
    px &= (px & kFourth) == 0 ? kFourth : 0xFFFFFFFFu;
    std::memcpy(scratch + 4 * i, &px, 4);
  }
  return scratch;
}

uint8_t RgbaAlphaAnd(const uint8_t* rgba, size_t step, size_t width) {
  return step == 4 ? RgbaAlphaAndStep<4>(rgba, step, width) : RgbaAlphaAndStep<0>(rgba, step, width);
}

uint8_t RgbaToAlpha(const uint8_t* rgba, size_t step, uint8_t* alpha, size_t width) {
  return step == 4 ? RgbaToAlphaStep<4>(rgba, step, alpha, width) : RgbaToAlphaStep<0>(rgba, step, alpha, width);
}

uint8_t GreyAlphaToBgrAlpha(const uint8_t* ga, uint8_t* bgr, uint8_t* alpha, size_t width) {
  uint8_t all = 0xFF;
  for (size_t i = 0; i < width; ++i) {
    alpha[i] = ga[2 * i + 1];
    all &= ga[2 * i + 1];
    if (ga[2 * i + 1] > 0) bgr[3 * i] = bgr[3 * i + 1] = bgr[3 * i + 2] = ga[2 * i];
  }
  return all;
}

}  // namespace dorv

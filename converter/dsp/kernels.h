// The pixel-row kernels, one table of them. Each works on one row segment;
// callers take the table once per operation and run a kernel per row. The
// table is chosen once per process: plain C++ built for auto-vectorisation,
// or with SSSE3 shuffles where the processor has them. Both give the same
// bytes, as the formulas next to each entry say.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dorv::dsp {

struct TKernels {
  // Drawing between surfaces: n pixels, destination first.
  // Fills n pixels with a value (Fill24: its low three bytes).
  void (*Fill16)(uint8_t* dst, int32_t n, uint16_t value);
  void (*Fill24)(uint8_t* dst, int32_t n, uint32_t value);
  void (*Fill32)(uint8_t* dst, int32_t n, uint32_t value);
  // Copies the source pixels that differ from the key.
  void (*Keyed8)(uint8_t* dst, const uint8_t* src, int32_t n, uint8_t key);
  void (*Keyed16)(uint8_t* dst, const uint8_t* src, int32_t n, uint16_t key);
  void (*Keyed24)(uint8_t* dst, const uint8_t* src, int32_t n, uint32_t key);
  void (*Keyed32)(uint8_t* dst, const uint8_t* src, int32_t n, uint32_t key);
  // Constant opacity o (1 to 254); with key >= 0 the source pixels equal to
  // the key are left out.
  // 32 bits: Blue, Green, Red each (d * (255 - o) + s * o) >> 8, the fourth
  // byte 0. This is the 0xFF00FF / 0xFF00 formula taken byte by byte.
  void (*Blend32)(uint8_t* dst, const uint8_t* src, int32_t n, uint32_t opacity, int64_t key);
  // 24 bits: each byte (d * (255 - o) + s * o) / 255, truncated.
  void (*Blend24)(uint8_t* dst, const uint8_t* src, int32_t n, uint32_t opacity, int64_t key);
  // 16 bits: per channel mask M, ((d & M) * (255 - o) + (s & M) * o) / 255 & M.
  void (*Blend16)(uint8_t* dst, const uint8_t* src, int32_t n, uint32_t opacity, int64_t key,
                  const uint32_t masks[3]);
  // 8 bits through a per-pixel mask (0 or 0xFF): masked pixels not equal to
  // the key are copied.
  void (*Dither8)(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int32_t n, int64_t key);

  // Per-pixel alpha a from the source's alpha plane.
  // 32 bits: a = 0 keeps, a = 255 copies the word, else the 32-bit blend.
  void (*Alpha32)(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int32_t n);
  // 24 bits with per-byte weights w (three a pixel, from ExpandWeights24):
  // w = 0 keeps; w = 255 copies when copyFull; else (d * (255 - w) + s * w) >> 8.
  void (*ExpandWeights24)(uint8_t* weights, const uint8_t* alpha, int32_t n, const uint8_t table[256]);
  void (*Alpha24)(uint8_t* dst, const uint8_t* src, const uint8_t* weights, int32_t n, bool copyFull);
  // 16 bits: a = 0 keeps, a = 255 copies, else per mask ((d&M)*(255-a)+(s&M)*a) >> 8 & M.
  void (*Alpha16)(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int32_t n, const uint32_t masks[3]);
  // 8 bits: copies the pixels whose alpha is 128 or more.
  void (*Alpha8)(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int32_t n);

  // To 32 bits through tables that also set the fourth byte.
  void (*Index8To32)(uint8_t* dst, const uint8_t* src, int32_t n, const uint32_t lut[256]);
  // lut: 256 rows of 8 entries (1 bit) or 2 entries (4 bits), one a byte.
  void (*Bits1To32)(uint8_t* dst, const uint8_t* src, int32_t n, const uint32_t* lut);
  void (*Bits4To32)(uint8_t* dst, const uint8_t* src, int32_t n, const uint32_t* lut);
  void (*Word16To32)(uint8_t* dst, const uint8_t* src, int32_t n, const uint32_t* lut);
  // Each word with its fourth byte 0xFF.
  void (*Opaque32)(uint8_t* dst, const uint8_t* src, int32_t n);

  // Between layouts: source first, width pixels.
  // To Blue, Green, Red, A: A is 255 (BgrToBgra) or the alpha row's value.
  // BgrxAlphaToBgra drops the source's fourth byte. The next two set A alone.
  void (*BgrToBgra)(const uint8_t* bgr, uint8_t* bgra, size_t width);
  void (*BgrAlphaToBgra)(const uint8_t* bgr, const uint8_t* alpha, uint8_t* bgra, size_t width);
  void (*BgrxAlphaToBgra)(const uint8_t* bgrx, const uint8_t* alpha, uint8_t* bgra, size_t width);
  void (*SetFourthBytes)(uint8_t* bgra, uint8_t value, size_t width);
  void (*CopyAlphaToFourthBytes)(const uint8_t* alpha, uint8_t* bgra, size_t width);
  void (*RgbToBgr)(const uint8_t* rgb, uint8_t* bgr, size_t width);
  // step: bytes a source pixel (4 or more; the first four are R, G, B, A).
  // A pixel with alpha 0 is stored black. Returns the AND of the row's
  // alpha values (255: the row is opaque).
  uint8_t (*RgbaToBgrAlpha)(const uint8_t* rgba, size_t step, uint8_t* bgr, uint8_t* alpha, size_t width);
  // The alpha values alone (the fourth of step bytes); returns their AND.
  uint8_t (*RgbaToAlpha)(const uint8_t* rgba, size_t step, uint8_t* alpha, size_t width);
  // The AND of the row's alpha values, reading only.
  uint8_t (*RgbaAlphaAnd)(const uint8_t* rgba, size_t step, size_t width);
  // The first pixel of a four-byte RGBA row whose alpha is 0; width if none.
  size_t (*FirstClearPixel)(const uint8_t* rgba, size_t width);
  // A four-byte RGBA row as a JPEG coder reads it, given its first clear
  // pixel: the row itself when there is none, else a copy in scratch
  // (4 x width bytes) in which the clear pixels are black.
  const uint8_t* (*RgbaClearedBlack)(const uint8_t* rgba, uint8_t* scratch, size_t width, size_t firstClear);
  // Grey and alpha: a pixel with alpha 0 keeps its colour bytes. Returns the
  // AND of the alpha values.
  uint8_t (*GreyAlphaToBgrAlpha)(const uint8_t* ga, uint8_t* bgr, uint8_t* alpha, size_t width);
};

// The table of this process, chosen on the first call (thread-safe).
const TKernels& Kernels();

// Both forms, for tests that compare them. Ssse3Kernels is null where this
// processor or this build has no SSSE3.
const TKernels& PlainKernels();
const TKernels* Ssse3Kernels();

}  // namespace dorv::dsp

// Row kernels of the drawing and conversion operations. Each works on one row
// segment of n pixels; callers pick the kernel once per call and run it per
// row. They are built with auto-vectorisation and give exactly the results of
// the per-pixel formulas next to each declaration.
#pragma once

#include <cstdint>

namespace dorv::kernels {

// Fills n pixels with a value.
void Fill16(uint8_t* dst, int32_t n, uint16_t value);
void Fill24(uint8_t* dst, int32_t n, uint32_t value);  // exactly 3 bytes per pixel
void Fill32(uint8_t* dst, int32_t n, uint32_t value);

// Copies the source pixels that differ from the key.
void Keyed8(uint8_t* dst, const uint8_t* src, int32_t n, uint8_t key);
void Keyed16(uint8_t* dst, const uint8_t* src, int32_t n, uint16_t key);
void Keyed24(uint8_t* dst, const uint8_t* src, int32_t n, uint32_t key);
void Keyed32(uint8_t* dst, const uint8_t* src, int32_t n, uint32_t key);

// Constant opacity o (1 to 254), keyed when key >= 0 (source pixels equal to
// the key are left out).
// 32 bits: each of Blue, Green, Red = (d * (255 - o) + s * o) >> 8; the fourth
// byte becomes 0. This is the 0xFF00FF / 0xFF00 two-multiplication formula
// taken byte by byte.
void Blend32(uint8_t* dst, const uint8_t* src, int32_t n, uint32_t opacity, int64_t key);
// 24 bits: each byte (d * (255 - o) + s * o) / 255, truncated.
void Blend24(uint8_t* dst, const uint8_t* src, int32_t n, uint32_t opacity, int64_t key);
// 16 bits: per channel mask M, ((d & M) * (255 - o) + (s & M) * o) / 255 & M.
void Blend16(uint8_t* dst, const uint8_t* src, int32_t n, uint32_t opacity, int64_t key,
             const uint32_t masks[3]);
// 8 bits through a per-pixel mask (0 or 0xFF): masked pixels not equal to the
// key are copied.
void Dither8(uint8_t* dst, const uint8_t* src, const uint8_t* mask, int32_t n, int64_t key);

// Per-pixel alpha a from the source alpha plane.
// 32 bits: a = 0 keeps, a = 255 copies the word, else the 32-bit blend with a.
void Alpha32(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int32_t n);
// 24 bits with per-byte weights w (3 per pixel, prepared by ExpandWeights24):
// w = 0 keeps; w = 255 copies when copyFull; else (d * (255 - w) + s * w) >> 8.
void ExpandWeights24(uint8_t* weights, const uint8_t* alpha, int32_t n, const uint8_t table[256]);
void Alpha24(uint8_t* dst, const uint8_t* src, const uint8_t* weights, int32_t n, bool copyFull);
// 16 bits: a = 0 keeps, a = 255 copies, else per mask ((d&M)*(255-a)+(s&M)*a) >> 8 & M.
void Alpha16(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int32_t n,
             const uint32_t masks[3]);
// 8 bits: copies the pixels whose alpha is 128 or more.
void Alpha8(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int32_t n);

// Conversions to 32 bits with the fourth byte set by the tables.
void Index8To32(uint8_t* dst, const uint8_t* src, int32_t n, const uint32_t lut[256]);
// lut: 256 rows of 8 entries (1 bit) or 2 entries (4 bits), one row per byte.
void Bits1To32(uint8_t* dst, const uint8_t* src, int32_t n, const uint32_t* lut);
void Bits4To32(uint8_t* dst, const uint8_t* src, int32_t n, const uint32_t* lut);
void Word16To32(uint8_t* dst, const uint8_t* src, int32_t n, const uint32_t* lut);
// Blue, Green, Red, then the fourth byte 0xFF.
void Rgb24To32(uint8_t* dst, const uint8_t* src, int32_t n);
void Opaque32(uint8_t* dst, const uint8_t* src, int32_t n);

}  // namespace dorv::kernels

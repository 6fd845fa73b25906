// The plain kernels. Built with -O3 -ftree-vectorize: the loops are written
// so that the compiler can vectorise them (plain index loops, no aliasing
// between rows, byte arithmetic in 16-bit lanes where the formula allows).
// Every kernel is integer arithmetic, so its results do not depend on how it
// is compiled.
#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

#include "converter/core/little_endian.h"
#include "converter/dsp/kernels.h"

namespace dorv::dsp {
namespace {

using u16a = uint16_t __attribute__((may_alias));
using u32a = uint32_t __attribute__((may_alias));

// x / 255 for 0 <= x <= 65025, without a division.
inline uint32_t Div255(uint32_t x) { return (x + 1 + (x >> 8)) >> 8; }

// The 32-bit blend of one word: Blue and Red in one multiplication, Green in
// a second; the fourth byte drops out.
inline uint32_t BlendWord(uint32_t d, uint32_t s, uint32_t o) {
  const uint32_t io = 255 - o;
  const uint32_t rb = (((d & 0xFF00FFu) * io + (s & 0xFF00FFu) * o) >> 8) & 0xFF00FFu;
  const uint32_t g = (((d & 0xFF00u) * io + (s & 0xFF00u) * o) >> 8) & 0xFF00u;
  return rb | g;
}

// Fill16 and Fill32: one word a pixel.
template <class Word, class Value>
void FillWords(uint8_t* dst, int32_t n, Value value) {
  auto* d = reinterpret_cast<Word*>(dst);
  for (int32_t i = 0; i < n; ++i) d[i] = value;
}

void Fill24(uint8_t* dst, int32_t n, uint32_t value) {
  const auto b = static_cast<uint8_t>(value), g = static_cast<uint8_t>(value >> 8),
             r = static_cast<uint8_t>(value >> 16);
  for (int32_t i = 0; i < n; ++i) {
    dst[3 * i] = b;
    dst[3 * i + 1] = g;
    dst[3 * i + 2] = r;
  }
}

// Keyed8, Keyed16 and Keyed32: one word a pixel.
template <class Word, class Key>
void KeyedWords(uint8_t* __restrict dst, const uint8_t* __restrict src, int32_t n, Key key) {
  auto* d = reinterpret_cast<Word*>(dst);
  const auto* s = reinterpret_cast<const Word*>(src);
  for (int32_t i = 0; i < n; ++i) d[i] = s[i] != key ? s[i] : d[i];
}

void Keyed24(uint8_t* __restrict dst, const uint8_t* __restrict src, int32_t n, uint32_t key) {
  for (int32_t i = 0; i < n; ++i) {
    if (le::Load24(src + 3 * i) != key) {
      dst[3 * i] = src[3 * i];
      dst[3 * i + 1] = src[3 * i + 1];
      dst[3 * i + 2] = src[3 * i + 2];
    }
  }
}

void Blend32(uint8_t* __restrict dst, const uint8_t* __restrict src, int32_t n, uint32_t opacity,
             int64_t key) {
  if (key >= 0) {
    auto* d = reinterpret_cast<u32a*>(dst);
    const auto* s = reinterpret_cast<const u32a*>(src);
    const auto k = static_cast<uint32_t>(key);
    for (int32_t i = 0; i < n; ++i) d[i] = s[i] != k ? BlendWord(d[i], s[i], opacity) : d[i];
    return;
  }
  // Four pixels (16 bytes) at a time in 16-bit lanes; the weights of every
  // fourth byte are 0, which gives the fourth byte 0 as the word formula does.
  uint16_t wd[16], ws[16];
  for (int j = 0; j < 16; ++j) {
    const bool fourth = (j & 3) == 3;
    wd[j] = static_cast<uint16_t>(fourth ? 0 : 255 - opacity);
    ws[j] = static_cast<uint16_t>(fourth ? 0 : opacity);
  }
  const int32_t blocks = n / 4;
  for (int32_t b = 0; b < blocks; ++b) {
    uint8_t* dp = dst + 16 * b;
    const uint8_t* sp = src + 16 * b;
    for (int j = 0; j < 16; ++j)
      dp[j] = static_cast<uint8_t>((dp[j] * wd[j] + sp[j] * ws[j]) >> 8);
  }
  auto* d = reinterpret_cast<u32a*>(dst);
  const auto* s = reinterpret_cast<const u32a*>(src);
  for (int32_t i = blocks * 4; i < n; ++i) d[i] = BlendWord(d[i], s[i], opacity);
}

void Blend24(uint8_t* __restrict dst, const uint8_t* __restrict src, int32_t n, uint32_t opacity,
             int64_t key) {
  const auto o = static_cast<uint16_t>(opacity), io = static_cast<uint16_t>(255 - opacity);
  if (key >= 0) {
    const auto k = static_cast<uint32_t>(key) & 0xFFFFFFu;
    for (int32_t i = 0; i < n; ++i) {
      if (le::Load24(src + 3 * i) == k) continue;
      for (int c = 0; c < 3; ++c) {
        uint8_t& dv = dst[3 * i + c];
        dv = static_cast<uint8_t>(Div255(dv * io + src[3 * i + c] * o));
      }
    }
    return;
  }
  const int32_t bytes = 3 * n;
  for (int32_t i = 0; i < bytes; ++i) {
    const auto x = static_cast<uint16_t>(dst[i] * io + src[i] * o);
    dst[i] = static_cast<uint8_t>((x + 1 + (x >> 8)) >> 8);
  }
}

void Blend16(uint8_t* __restrict dst, const uint8_t* __restrict src, int32_t n, uint32_t opacity,
             int64_t key, const uint32_t masks[3]) {
  auto* d = reinterpret_cast<u16a*>(dst);
  const auto* s = reinterpret_cast<const u16a*>(src);
  const uint32_t m0 = masks[0], m1 = masks[1], m2 = masks[2], io = 255 - opacity;
  const bool keyed = key >= 0;
  const auto k = static_cast<uint32_t>(key) & 0xFFFFu;
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t dv = d[i], sv = s[i];
    const uint32_t v = ((((dv & m0) * io + (sv & m0) * opacity) / 255) & m0) |
                       ((((dv & m1) * io + (sv & m1) * opacity) / 255) & m1) |
                       ((((dv & m2) * io + (sv & m2) * opacity) / 255) & m2);
    d[i] = static_cast<uint16_t>((keyed && sv == k) ? dv : v);
  }
}

void Dither8(uint8_t* __restrict dst, const uint8_t* __restrict src, const uint8_t* __restrict mask,
             int32_t n, int64_t key) {
  if (key >= 0) {
    const auto k = static_cast<uint8_t>(key);
    for (int32_t i = 0; i < n; ++i) dst[i] = (mask[i] && src[i] != k) ? src[i] : dst[i];
    return;
  }
  for (int32_t i = 0; i < n; ++i) dst[i] = static_cast<uint8_t>((src[i] & mask[i]) | (dst[i] & ~mask[i]));
}

void Alpha32(uint8_t* __restrict dst, const uint8_t* __restrict src, const uint8_t* __restrict alpha,
             int32_t n) {
  auto* d = reinterpret_cast<u32a*>(dst);
  const auto* s = reinterpret_cast<const u32a*>(src);
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t a = alpha[i], dv = d[i], sv = s[i];
    const uint32_t blended = BlendWord(dv, sv, a);
    d[i] = a == 0 ? dv : a == 255 ? sv : blended;
  }
}

void ExpandWeights24(uint8_t* __restrict weights, const uint8_t* __restrict alpha, int32_t n,
                     const uint8_t table[256]) {
  // Four pixels give twelve weight bytes: three 32-bit stores built from the
  // pixels' weights w * 0x010101.
  uint32_t triple[256];
  for (int a = 0; a < 256; ++a) triple[a] = table[a] * 0x010101u;
  const int32_t groups = n / 4;
  for (int32_t g = 0; g < groups; ++g) {
    const uint32_t t0 = triple[alpha[4 * g]], t1 = triple[alpha[4 * g + 1]],
                   t2 = triple[alpha[4 * g + 2]], t3 = triple[alpha[4 * g + 3]];
    const uint32_t w0 = t0 | (t1 << 24), w1 = (t1 >> 8) | (t2 << 16), w2 = (t2 >> 16) | (t3 << 8);
    std::memcpy(weights + 12 * g, &w0, 4);
    std::memcpy(weights + 12 * g + 4, &w1, 4);
    std::memcpy(weights + 12 * g + 8, &w2, 4);
  }
  for (int32_t i = groups * 4; i < n; ++i) {
    const uint8_t w = table[alpha[i]];
    weights[3 * i] = w;
    weights[3 * i + 1] = w;
    weights[3 * i + 2] = w;
  }
}

// The choice of copyFull is a constant in the loop, so that it vectorises.
template <bool kCopyFull>
void WeightedBytes(uint8_t* __restrict dst, const uint8_t* __restrict src, const uint8_t* __restrict weights,
                   int32_t bytes) {
  // All arithmetic in 16-bit lanes: d * (255 - w) + s * w is at most 65025.
  for (int32_t i = 0; i < bytes; ++i) {
    const uint16_t w = weights[i], dv = dst[i], sv = src[i];
    const auto sum = static_cast<uint16_t>(static_cast<uint16_t>(dv * static_cast<uint16_t>(255 - w)) +
                                           static_cast<uint16_t>(sv * w));
    const auto blended = static_cast<uint8_t>(sum >> 8);
    dst[i] = w == 0 ? dst[i] : kCopyFull && w == 255 ? src[i] : blended;
  }
}

void Alpha24(uint8_t* __restrict dst, const uint8_t* __restrict src, const uint8_t* __restrict weights,
             int32_t n, bool copyFull) {
  if (copyFull)
    WeightedBytes<true>(dst, src, weights, 3 * n);
  else
    WeightedBytes<false>(dst, src, weights, 3 * n);
}

void Alpha16(uint8_t* __restrict dst, const uint8_t* __restrict src, const uint8_t* __restrict alpha,
             int32_t n, const uint32_t masks[3]) {
  auto* d = reinterpret_cast<u16a*>(dst);
  const auto* s = reinterpret_cast<const u16a*>(src);
  const uint32_t m0 = masks[0], m1 = masks[1], m2 = masks[2];
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t a = alpha[i], ia = 255 - a, dv = d[i], sv = s[i];
    const uint32_t v = ((((dv & m0) * ia + (sv & m0) * a) >> 8) & m0) |
                       ((((dv & m1) * ia + (sv & m1) * a) >> 8) & m1) |
                       ((((dv & m2) * ia + (sv & m2) * a) >> 8) & m2);
    d[i] = static_cast<uint16_t>(a == 0 ? dv : a == 255 ? sv : v);
  }
}

void Alpha8(uint8_t* __restrict dst, const uint8_t* __restrict src, const uint8_t* __restrict alpha,
            int32_t n) {
  for (int32_t i = 0; i < n; ++i) dst[i] = alpha[i] >= 128 ? src[i] : dst[i];
}

// Index8To32 and Word16To32: one table entry a source word.
template <class Word>
void WordsTo32(uint8_t* __restrict dst, const uint8_t* __restrict src, int32_t n, const uint32_t* lut) {
  auto* d = reinterpret_cast<u32a*>(dst);
  const auto* s = reinterpret_cast<const Word*>(src);
  for (int32_t i = 0; i < n; ++i) d[i] = lut[s[i]];
}

// Bits1To32 and Bits4To32: kPixels pixels a source byte, kPixels entries a
// table row.
template <int32_t kPixels>
void BitsTo32(uint8_t* __restrict dst, const uint8_t* __restrict src, int32_t n, const uint32_t* lut) {
  const int32_t whole = n / kPixels;
  constexpr int32_t kBytes = 4 * kPixels;
  for (int32_t b = 0; b < whole; ++b) std::memcpy(dst + kBytes * b, lut + kPixels * src[b], kBytes);
  if (n % kPixels) std::memcpy(dst + kBytes * whole, lut + kPixels * src[whole], 4 * size_t(n % kPixels));
}

void Opaque32(uint8_t* __restrict dst, const uint8_t* __restrict src, int32_t n) {
  auto* d = reinterpret_cast<u32a*>(dst);
  const auto* s = reinterpret_cast<const u32a*>(src);
  for (int32_t i = 0; i < n; ++i) d[i] = s[i] | 0xFF000000u;
}

// BgrToBgra, BgrAlphaToBgra and BgrxAlphaToBgra: kStep bytes a source
// pixel, the fourth byte from the alpha row or 255 without one.
template <size_t kStep, bool kAlpha>
void ToBgra(const uint8_t* bgr, const uint8_t* alpha, uint8_t* bgra, size_t width) {
  for (size_t i = 0; i < width; ++i) {
    bgra[4 * i] = bgr[kStep * i];
    bgra[4 * i + 1] = bgr[kStep * i + 1];
    bgra[4 * i + 2] = bgr[kStep * i + 2];
    bgra[4 * i + 3] = kAlpha ? alpha[i] : 255;
  }
}

void BgrToBgra(const uint8_t* bgr, uint8_t* bgra, size_t width) {
  ToBgra<3, false>(bgr, nullptr, bgra, width);
}

void SetFourthBytes(uint8_t* bgra, uint8_t value, size_t width) {
  for (size_t i = 0; i < width; ++i) bgra[4 * i + 3] = value;
}

void CopyAlphaToFourthBytes(const uint8_t* alpha, uint8_t* bgra, size_t width) {
  for (size_t i = 0; i < width; ++i) bgra[4 * i + 3] = alpha[i];
}

void RgbToBgr(const uint8_t* rgb, uint8_t* bgr, size_t width) {
  for (size_t i = 0; i < width; ++i) {
    bgr[3 * i] = rgb[3 * i + 2];
    bgr[3 * i + 1] = rgb[3 * i + 1];
    bgr[3 * i + 2] = rgb[3 * i];
  }
}

// Runs a row with its step as a constant where it is the usual four bytes,
// so that the compiler can vectorise that layout.
template <class Row>
uint8_t WithStep(size_t step, Row&& row) {
  return step == 4 ? row(std::integral_constant<size_t, 4>{}) : row(step);
}

uint8_t RgbaToBgrAlpha(const uint8_t* rgba, size_t step, uint8_t* bgr, uint8_t* alpha, size_t width) {
  return WithStep(step, [&](auto stride) {
    uint8_t all = 0xFF;
    for (size_t i = 0; i < width; ++i) {
      const uint8_t* p = rgba + stride * i;
      const uint8_t keep = p[3] > 0 ? 0xFF : 0;
      alpha[i] = p[3];
      all &= p[3];
      bgr[3 * i] = p[2] & keep;
      bgr[3 * i + 1] = p[1] & keep;
      bgr[3 * i + 2] = p[0] & keep;
    }
    return all;
  });
}

uint8_t RgbaToAlpha(const uint8_t* rgba, size_t step, uint8_t* alpha, size_t width) {
  return WithStep(step, [&](auto stride) {
    uint8_t all = 0xFF;
    for (size_t i = 0; i < width; ++i) {
      alpha[i] = rgba[stride * i + 3];
      all &= alpha[i];
    }
    return all;
  });
}

uint8_t RgbaAlphaAnd(const uint8_t* rgba, size_t step, size_t width) {
  return WithStep(step, [&](auto stride) {
    uint8_t all = 0xFF;
    for (size_t i = 0; i < width; ++i) all &= rgba[stride * i + 3];
    return all;
  });
}

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

uint8_t GreyAlphaToBgrAlpha(const uint8_t* ga, uint8_t* bgr, uint8_t* alpha, size_t width) {
  uint8_t all = 0xFF;
  for (size_t i = 0; i < width; ++i) {
    alpha[i] = ga[2 * i + 1];
    all &= ga[2 * i + 1];
    if (ga[2 * i + 1] > 0) bgr[3 * i] = bgr[3 * i + 1] = bgr[3 * i + 2] = ga[2 * i];
  }
  return all;
}

}  // namespace

const TKernels& PlainKernels() {
  static constexpr TKernels kPlain{
      .Fill16 = FillWords<u16a, uint16_t>, .Fill24 = Fill24, .Fill32 = FillWords<u32a, uint32_t>,
      .Keyed8 = KeyedWords<uint8_t, uint8_t>, .Keyed16 = KeyedWords<u16a, uint16_t>, .Keyed24 = Keyed24,
      .Keyed32 = KeyedWords<u32a, uint32_t>, .Blend32 = Blend32, .Blend24 = Blend24, .Blend16 = Blend16,
      .Dither8 = Dither8, .Alpha32 = Alpha32, .ExpandWeights24 = ExpandWeights24, .Alpha24 = Alpha24,
      .Alpha16 = Alpha16, .Alpha8 = Alpha8, .Index8To32 = WordsTo32<uint8_t>, .Bits1To32 = BitsTo32<8>,
      .Bits4To32 = BitsTo32<2>, .Word16To32 = WordsTo32<u16a>, .Opaque32 = Opaque32, .BgrToBgra = BgrToBgra,
      .BgrAlphaToBgra = ToBgra<3, true>, .BgrxAlphaToBgra = ToBgra<4, true>, .SetFourthBytes = SetFourthBytes,
      .CopyAlphaToFourthBytes = CopyAlphaToFourthBytes, .RgbToBgr = RgbToBgr,
      .RgbaToBgrAlpha = RgbaToBgrAlpha, .RgbaToAlpha = RgbaToAlpha, .RgbaAlphaAnd = RgbaAlphaAnd,
      .FirstClearPixel = FirstClearPixel, .RgbaClearedBlack = RgbaClearedBlack,
      .GreyAlphaToBgrAlpha = GreyAlphaToBgrAlpha,
  };
  return kPlain;
}

}  // namespace dorv::dsp

// The three-byte row kernels with SSSE3 byte shuffles. Each gives the same
// bytes as the plain kernel. The last pixels of a row, where a 16-byte load
// or store would pass its end, are left to the plain kernel.
#include "converter/dsp/kernels.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <tmmintrin.h>

#include <cstring>

#define DORV_SSSE3 __attribute__((target("ssse3")))

namespace dorv::dsp {
namespace {

constexpr char Z = static_cast<char>(0x80);  // shuffle index that gives 0

DORV_SSSE3 inline __m128i Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
DORV_SSSE3 inline void Store(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Five pixels a step: 15 of the 16 bytes stored are theirs, the 16th is
// the first byte of the next step.
DORV_SSSE3 void RgbToBgr(const uint8_t* rgb, uint8_t* bgr, size_t width) {
  const __m128i swap = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  size_t i = 0;
  for (; i + 6 <= width; i += 5) Store(bgr + 3 * i, _mm_shuffle_epi8(Load(rgb + 3 * i), swap));
  PlainKernels().RgbToBgr(rgb + 3 * i, bgr + 3 * i, width - i);
}

DORV_SSSE3 void BgrToBgra(const uint8_t* bgr, uint8_t* bgra, size_t width) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, Z, 3, 4, 5, Z, 6, 7, 8, Z, 9, 10, 11, Z);
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  size_t i = 0;
  for (; i + 6 <= width; i += 4)
    Store(bgra + 4 * i, _mm_or_si128(_mm_shuffle_epi8(Load(bgr + 3 * i), spread), opaque));
  PlainKernels().BgrToBgra(bgr + 3 * i, bgra + 4 * i, width - i);
}

DORV_SSSE3 void BgrAlphaToBgra(const uint8_t* bgr, const uint8_t* alpha, uint8_t* bgra, size_t width) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, Z, 3, 4, 5, Z, 6, 7, 8, Z, 9, 10, 11, Z);
  const __m128i fourth = _mm_setr_epi8(Z, Z, Z, 0, Z, Z, Z, 1, Z, Z, Z, 2, Z, Z, Z, 3);
  size_t i = 0;
  for (; i + 6 <= width; i += 4) {
    int32_t a;
    std::memcpy(&a, alpha + i, 4);
    const __m128i colour = _mm_shuffle_epi8(Load(bgr + 3 * i), spread);
    Store(bgra + 4 * i, _mm_or_si128(colour, _mm_shuffle_epi8(_mm_cvtsi32_si128(a), fourth)));
  }
  PlainKernels().BgrAlphaToBgra(bgr + 3 * i, alpha + i, bgra + 4 * i, width - i);
}

// Four pixels a step; a pixel with alpha 0 becomes black. The 16 bytes
// stored hold 12 of colour; the next step overwrites the rest. Other steps
// than four bytes a pixel are the plain kernel's.
DORV_SSSE3 uint8_t RgbaToBgrAlpha(const uint8_t* rgba, size_t step, uint8_t* bgr, uint8_t* alpha, size_t width) {
  if (step != 4) return PlainKernels().RgbaToBgrAlpha(rgba, step, bgr, alpha, width);
  const __m128i toBgr = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, Z, Z, Z, Z);
  const __m128i toAlpha = _mm_setr_epi8(3, 7, 11, 15, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z);
  const __m128i zero = _mm_setzero_si128();
  __m128i seen = _mm_set1_epi8(static_cast<char>(0xFF));
  size_t i = 0;
  for (; i + 6 <= width; i += 4) {
    const __m128i v = Load(rgba + 4 * i);
    const __m128i clear = _mm_cmpeq_epi32(_mm_srli_epi32(v, 24), zero);
    Store(bgr + 3 * i, _mm_shuffle_epi8(_mm_andnot_si128(clear, v), toBgr));
    const int32_t a = _mm_cvtsi128_si32(_mm_shuffle_epi8(v, toAlpha));
    std::memcpy(alpha + i, &a, 4);
    seen = _mm_and_si128(seen, v);
  }
  uint8_t lanes[16];
  Store(lanes, seen);
  const auto all = static_cast<uint8_t>(lanes[3] & lanes[7] & lanes[11] & lanes[15]);
  return static_cast<uint8_t>(all & PlainKernels().RgbaToBgrAlpha(rgba + 4 * i, 4, bgr + 3 * i, alpha + i, width - i));
}

}  // namespace

const TKernels* Ssse3Kernels() {
  static const TKernels table = [] {
    TKernels k = PlainKernels();
    k.RgbToBgr = RgbToBgr;
    k.BgrToBgra = BgrToBgra;
    k.BgrAlphaToBgra = BgrAlphaToBgra;
    k.RgbaToBgrAlpha = RgbaToBgrAlpha;
    return k;
  }();
  static const bool available = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
  }();
  return available ? &table : nullptr;
}

}  // namespace dorv::dsp

#else

namespace dorv::dsp {

const TKernels* Ssse3Kernels() { return nullptr; }

}  // namespace dorv::dsp

#endif

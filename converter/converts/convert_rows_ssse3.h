// SSSE3 versions of the three-byte row kernels. Each works from the start of
// the row and returns how many pixels it did; the plain kernel does the rest.
#pragma once

#include <cstddef>
#include <cstdint>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define DORV_HAVE_SSSE3_KERNELS 1
#else
#define DORV_HAVE_SSSE3_KERNELS 0
#endif

namespace dorv::ssse3 {

#if DORV_HAVE_SSSE3_KERNELS
// Whether this processor has SSSE3 (asked once).
bool Available();
size_t RgbToBgr(const uint8_t* rgb, uint8_t* bgr, size_t width);
size_t BgrToBgra(const uint8_t* bgr, uint8_t* bgra, size_t width);
size_t BgrAlphaToBgra(const uint8_t* bgr, const uint8_t* alpha, uint8_t* bgra, size_t width);
// Four bytes a source pixel; all is ANDed with the alpha values done.
size_t RgbaToBgrAlpha(const uint8_t* rgba, uint8_t* bgr, uint8_t* alpha, size_t width, uint8_t& all);
#else
inline bool Available() { return false; }
inline size_t RgbToBgr(const uint8_t*, uint8_t*, size_t) { return 0; }
inline size_t BgrToBgra(const uint8_t*, uint8_t*, size_t) { return 0; }
inline size_t BgrAlphaToBgra(const uint8_t*, const uint8_t*, uint8_t*, size_t) { return 0; }
inline size_t RgbaToBgrAlpha(const uint8_t*, uint8_t*, uint8_t*, size_t, uint8_t&) { return 0; }
#endif

}  // namespace dorv::ssse3

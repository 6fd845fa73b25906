// Documents whose pictures need more memory than a 32-bit process has, made
// without holding their pixels: a plane of one repeated byte is coded as a
// zlib stream a megabyte at a time, so a 1 GiB plane takes about a
// megabyte of the test's own memory. A 64-bit process reads these documents
// in full; a 32-bit one (2 GiB of address space for everything) cannot.
#pragma once

#include <cstdint>
#include <vector>

#include "support/dov_writer.h"

namespace dorv::testing {

// Whether this test runs as 32-bit code (4-byte pointers and size_t).
constexpr bool kIs32BitProcess = sizeof(void*) == 4;

// A standard zlib stream that inflates to `bytes` bytes of `value`.
std::vector<uint8_t> ZlibOfRepeatedByte(uint64_t bytes, uint8_t value);

// A zlib-coded document of one frame of width x height at depth bpp (8 or
// more) with `layers` layers, each layer's colour plane every byte `value`
// (palette frames get a palette of grey entries) and, with alpha, an alpha
// plane of every byte `alphaValue`.
DocSpec LargeZlibDocument(int32_t width, int32_t height, int32_t bpp, int layers, uint8_t value,
                          bool alpha = false, uint8_t alphaValue = 255);

}  // namespace dorv::testing

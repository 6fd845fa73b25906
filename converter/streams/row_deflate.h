// A fast zlib coder for picture rows. It looks for matches only where flat
// pictures and masks repeat themselves: the row above and the pixels beside
// it, the pixel to the left, and the last few places where the same four
// bytes were seen; what is left is coded as Huffman literals, or stored where
// coding would not make it smaller. Where nothing has matched for a while
// (noise) it looks less often. The output is a standard zlib stream
// (RFC 1950 / 1951) that any inflater reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "converter/core/checked.h"
#include "converter/core/runner.h"

namespace dorv {

struct TRowShape {
  size_t RowBytes = 0;    // distance to the row above (0: no row matches)
  size_t PixelBytes = 1;  // distance to the pixel to the left
};

// Input that is still being made: called with a count of bytes from the
// start, it returns once those bytes are there (or throws). The coder asks
// before it reads further.
using TInputReady = std::function<void(size_t bytes)>;

// Large inputs are coded in two parts, on two threads where threads are on,
// when twoParts is set; the stream is the same either way apart from the
// seam between them.
TByteBlock RowDeflate(std::span<const uint8_t> input, TRowShape shape, bool twoParts,
                      const TInputReady& ready = {}, const TRunner& runner = TRunner());

}  // namespace dorv

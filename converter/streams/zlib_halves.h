// Large zlib streams made of two halves that can be inflated at once on two
// threads. The stream stays one standard zlib stream (RFC 1950 / 1951) that
// any inflater reads from the start: the first half's blocks are followed by
// two empty stored blocks (the seam, which ends on a byte boundary) and the
// second half's blocks, which never look back past the seam. A reader that
// finds the seam inflates the halves side by side; one that does not reads
// the stream as any other. Only where libdeflate is present.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "converter/core/checked.h"
#include "converter/core/runner.h"

namespace dorv {

// Inputs of at least this size are coded in halves.
inline constexpr size_t kHalvesBytes = size_t{4} << 20;
// Where the second half starts in n bytes of input (both sides agree on it).
constexpr size_t HalvesSplit(size_t n) { return n / 2 / 65536 * 65536; }

// Whether streams are coded and read in halves here (libdeflate present).
bool HalvesAvailable();

// Codes input (at least kHalvesBytes) at libdeflate's level, the halves on
// two threads.
TByteBlock CompressInHalves(std::span<const uint8_t> input, int level, const TRunner& runner = TRunner());

// Inflates a stream coded in halves into exactly out, the halves on two
// threads, and returns true once every byte and the checksum are found
// right; returns false (out then holds no meaning) for any stream that is
// not such a stream, is damaged or makes another size: it is then inflated
// as any other, which reports what is wrong with it.
bool InflateHalves(std::span<const uint8_t> input, std::span<uint8_t> out, const TRunner& runner = TRunner());

}  // namespace dorv

// Adler-32 (RFC 1950) of large buffers, and the join of two checksums.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace dorv {

// The Adler-32 of the bytes that came before (1 for none), continued over
// bytes.
uint32_t Adler32(uint32_t adler, std::span<const uint8_t> bytes);
// The Adler-32 of two pieces one after the other, from theirs.
uint32_t JoinAdler32(uint32_t first, uint32_t second, uint64_t secondBytes);

}  // namespace dorv

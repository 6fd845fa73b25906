// Code lengths of a length-limited Huffman code, as deflate sends them.
#pragma once

#include <cstdint>

namespace dorv {

inline constexpr int kMaxCodeBits = 15;

// Lengths (0 for an unused symbol) of a prefix code for the n symbols with
// the given frequencies, none longer than maxBits (at most kMaxCodeBits).
// With two or more symbols in use the code is complete: every bit string
// starts a code, as inflaters require.
void HuffmanLengths(const uint32_t* freq, int n, int maxBits, uint8_t* lengths);

}  // namespace dorv

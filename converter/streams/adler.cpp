#include "converter/streams/adler.h"

#include <zlib.h>

#include <algorithm>

#include "converter/streams/fast_deflate.h"

namespace dorv {

uint32_t Adler32(uint32_t adler, std::span<const uint8_t> bytes) {
  if (FastDeflateAvailable()) return FastAdler32(adler, bytes);
  uLong a = adler;
  for (size_t at = 0; at < bytes.size();) {  // zlib counts in 32 bits
    const uInt piece = static_cast<uInt>(std::min<size_t>(bytes.size() - at, size_t{1} << 30));
    a = adler32(a, bytes.data() + at, piece);
    at += piece;
  }
  return static_cast<uint32_t>(a);
}

uint32_t JoinAdler32(uint32_t first, uint32_t second, uint64_t secondBytes) {
  return static_cast<uint32_t>(adler32_combine(first, second, static_cast<z_off_t>(secondBytes)));
}

}  // namespace dorv

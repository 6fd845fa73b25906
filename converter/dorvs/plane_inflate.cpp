#include "converter/dorvs/plane_inflate.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

#include "converter/core/checked.h"
#include "converter/core/errors.h"

namespace dorv {

std::vector<uint8_t> InflatePrefix(std::span<const uint8_t> input, uint64_t maxOutput) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) throw EZlibError(zError(Z_MEM_ERROR));
  struct Ender {
    z_stream* z;
    ~Ender() { inflateEnd(z); }
  } ender{&z};

  std::vector<uint8_t> out;
  const uint64_t cap = std::min<uint64_t>(maxOutput, limits::kMaxAllocationBytes);
  size_t inPos = 0;
  int rc = Z_OK;
  while (out.size() < cap && rc != Z_STREAM_END) {
    size_t grow = std::min<uint64_t>(cap - out.size(), std::max<size_t>(out.size(), 1 << 16));
    size_t at = out.size();
    out.resize(at + grow);
    z.next_out = out.data() + at;
    z.avail_out = static_cast<uInt>(std::min<size_t>(grow, UINT_MAX));
    const size_t inChunk = std::min<size_t>(input.size() - inPos, UINT_MAX);
    z.next_in = const_cast<Bytef*>(input.data() + inPos);
    z.avail_in = static_cast<uInt>(inChunk);
    rc = inflate(&z, Z_NO_FLUSH);
    inPos += inChunk - z.avail_in;
    out.resize(at + (grow - z.avail_out));
    if (rc == Z_BUF_ERROR && z.avail_in == 0 && inPos == input.size()) break;  // input ended
    if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
      throw EZlibError(zError(rc));
  }
  return out;
}

}  // namespace dorv

#include "support/large_docs.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

namespace dorv::testing {
namespace {

constexpr uint64_t kChunk = uint64_t{1} << 20;

// The deflate blocks of n bytes of value, byte-aligned and referring to
// nothing before them (a full flush from a fresh stream), without the zlib
// header.
std::vector<uint8_t> Blocks(uint64_t n, uint8_t value) {
  std::vector<uint8_t> in(static_cast<size_t>(n), value);
  z_stream z{};
  if (deflateInit(&z, Z_BEST_COMPRESSION) != Z_OK) throw std::runtime_error("deflateInit");
  std::vector<uint8_t> out(static_cast<size_t>(deflateBound(&z, static_cast<uLong>(n))) + 64);
  z.next_in = in.data();
  z.avail_in = static_cast<uInt>(n);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&z, Z_FULL_FLUSH);
  const size_t made = out.size() - z.avail_out;
  deflateEnd(&z);
  if (rc != Z_OK || z.avail_in != 0 || made < 2) throw std::runtime_error("deflate");
  return std::vector<uint8_t>(out.begin() + 2, out.begin() + static_cast<std::ptrdiff_t>(made));
}

}  // namespace

std::vector<uint8_t> ZlibOfRepeatedByte(uint64_t bytes, uint8_t value) {
  std::vector<uint8_t> out{0x78, 0xDA};  // zlib header: deflate, 32 KiB window, best level
  uLong adler = adler32(0, nullptr, 0);
  const std::vector<uint8_t> chunk(static_cast<size_t>(std::min(bytes, kChunk)), value);
  const uLong chunkAdler = adler32(adler32(0, nullptr, 0), chunk.data(), static_cast<uInt>(chunk.size()));
  const std::vector<uint8_t> whole = bytes >= kChunk ? Blocks(kChunk, value) : std::vector<uint8_t>{};
  uint64_t left = bytes;
  for (; left >= kChunk; left -= kChunk) {
    out.insert(out.end(), whole.begin(), whole.end());
    adler = adler32_combine(adler, chunkAdler, static_cast<z_off_t>(kChunk));
  }
  if (left > 0) {
    const std::vector<uint8_t> tail = Blocks(left, value);
    out.insert(out.end(), tail.begin(), tail.end());
    adler = adler32(adler, chunk.data(), static_cast<uInt>(left));
  }
  out.push_back(0x03);  // an empty final block (fixed codes, end of block)
  out.push_back(0x00);
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(adler >> shift));
  return out;
}

DocSpec LargeZlibDocument(int32_t width, int32_t height, int32_t bpp, int layers, uint8_t value,
                          bool alpha, uint8_t alphaValue) {
  DocSpec d;
  d.compType = 0;
  FrameSpec f;
  f.width = width;
  f.height = height;
  f.bpp = bpp;
  if (bpp <= 8) {
    f.palette.resize(256);
    for (uint32_t i = 0; i < 256; ++i) f.palette[i] = i * 0x010101u;
  }
  const uint64_t h = static_cast<uint64_t>(height);
  const std::vector<uint8_t> colour =
      ZlibOfRepeatedByte(static_cast<uint64_t>(StoredRowBytes(width, bpp)) * h, value);
  std::vector<uint8_t> alphaBlob;
  if (alpha) alphaBlob = ZlibOfRepeatedByte(static_cast<uint64_t>(StoredRowBytes(width, 8)) * h, alphaValue);
  for (int i = 0; i < layers; ++i) {
    LayerSpec l;
    l.colourBlob = colour;
    if (alpha) {
      l.alphaBlob = alphaBlob;
      l.alphaOn = true;
    }
    f.layers.push_back(std::move(l));
  }
  d.frames.push_back(std::move(f));
  return d;
}

}  // namespace dorv::testing

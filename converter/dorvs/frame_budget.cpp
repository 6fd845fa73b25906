#include "converter/dorvs/frame_budget.h"

#include "converter/core/limits.h"
#include "converter/dorvs/corrupt.h"
#include "converter/dorvs/header_info.h"

namespace dorv {
namespace {

// Deflate codes at best 258 bytes in 2 bits; the margin keeps the bound safe.
constexpr uint64_t kMaxInflateRatio = 2048;

// Stored bits per pixel, or 0 for a depth that surfaces refuse anyway.
uint64_t StoredBits(int32_t depth) {
  switch (depth) {
    case 1: case 4: case 8: case 16: case 24: case 32: return static_cast<uint64_t>(depth);
    case 15: return 16;
    default: return 0;
  }
}

}  // namespace

uint64_t MinLayerBytes(const THeaderInfo& header, int32_t width, int32_t height, int32_t depth,
                       uint64_t fieldBytes) {
  const uint64_t w = width > 0 ? static_cast<uint64_t>(width) : 0;
  const uint64_t h = height > 0 ? static_cast<uint64_t>(height) : 0;
  const uint64_t bits = StoredBits(depth);
  // Within the pixel cap, which CheckFrameFits tests first, this stays small.
  const uint64_t planeBytes = ((w * bits + 31) / 32) * 4 * h;

  uint64_t colour = 1;  // a colour record is never empty
  if (header.Version < kVersionCurrentCoding) {
    colour = planeBytes / kMaxInflateRatio;  // raw rows, or a zlib stream of them
  } else if (header.CompType == kCompJpeg) {
    colour = 1;  // a JPEG file; its size is checked against the frame when decoded
  } else {
    uint64_t p = planeBytes;
    if (UsesBlocks(header)) {
      const uint64_t bw = static_cast<uint64_t>(header.BlockWidth);
      const uint64_t bh = static_cast<uint64_t>(header.BlockHeight);
      p = ((w + bw - 1) / bw) * ((h + bh - 1) / bh) * 8;  // the table alone
    }
    colour = header.CompType == kCompZlib ? p / kMaxInflateRatio : p;
  }
  if (colour == 0) colour = 1;
  return fieldBytes + 4 + colour + (header.Version >= kVersionAlphaRecords ? 4 : 0);
}

void CheckFrameFits(const THeaderInfo& header, int32_t width, int32_t height, int32_t depth,
                    int64_t layers, int64_t bytesLeft, uint64_t fieldBytes) {
  if (width > 0 && height > 0 &&
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > limits::kMaxSurfacePixels)
    ThrowCorrupt("frame larger than the pixel limit");
  if (layers <= 0) return;
  const uint64_t each = MinLayerBytes(header, width, height, depth, fieldBytes);
  const uint64_t left = bytesLeft > 0 ? static_cast<uint64_t>(bytesLeft) : 0;
  if (static_cast<uint64_t>(layers) > left / each) ThrowCorrupt("layers run past the end of the file");
}

}  // namespace dorv

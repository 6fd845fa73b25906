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

// Bytes of the stored rows of a plane; within the pixel cap, which is tested
// first, this stays small.
uint64_t StoredPlaneBytes(uint64_t w, uint64_t h, int32_t depth) {
  return ((w * StoredBits(depth) + 31) / 32) * 4 * h;
}

uint64_t NonNegative(int32_t v) { return v > 0 ? static_cast<uint64_t>(v) : 0; }

void CheckPixelCap(int32_t width, int32_t height) {
  if (width > 0 && height > 0 &&
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > limits::kMaxSurfacePixels)
    ThrowCorrupt("frame larger than the pixel limit");
}

}  // namespace

uint64_t MinLayerBytes(const THeaderInfo& header, int32_t width, int32_t height, int32_t depth,
                       uint64_t fieldBytes) {
  const uint64_t w = NonNegative(width);
  const uint64_t h = NonNegative(height);
  const uint64_t planeBytes = StoredPlaneBytes(w, h, depth);

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

void CheckLayerFits(const THeaderInfo& header, int32_t width, int32_t height, int32_t depth,
                    int64_t bytesLeft, uint64_t fieldBytes) {
  CheckPixelCap(width, height);
  if (NonNegative(width) * NonNegative(height) <= kSmallPlanePixels) return;
  const uint64_t left = bytesLeft > 0 ? static_cast<uint64_t>(bytesLeft) : 0;
  if (MinLayerBytes(header, width, height, depth, fieldBytes) > left)
    ThrowCorrupt("layers run past the end of the file");
}

void TBackgroundBudget::Charge(int32_t width, int32_t height) {
  const uint64_t pixels = NonNegative(width) * NonNegative(height);  // within the pixel cap
  if (pixels > limits::kMaxBackgroundOnlyPixels - used_)
    ThrowCorrupt("frames without layers exceed the background limit");
  used_ += pixels;
}

void CheckFrameFits(const THeaderInfo& header, int32_t width, int32_t height, int32_t depth,
                    int64_t layers, int64_t bytesLeft, uint64_t fieldBytes) {
  CheckPixelCap(width, height);
  if (layers <= 0) return;
  CheckLayerFits(header, width, height, depth, bytesLeft, fieldBytes);
}

}  // namespace dorv

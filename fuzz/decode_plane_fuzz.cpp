// DecodePlane and DecodeOldPlane with header values taken from the input:
// coding, scrambling, block size, plane size and depth, document code. The
// frames hold one frame with one layer (colour and alpha plane) for the
// frame-copy entries of block tables to name.
#include "converter/core/errors.h"
#include "converter/dibsfc/dibsfc.h"
#include "converter/dorvs/frames.h"
#include "converter/dorvs/header_info.h"
#include "converter/dorvs/plane_coding.h"
#include "converter/dorvs/read_context.h"
#include "fuzz_input.h"
#include "fuzz_check.h"

int dorv::fuzz::RunDecodePlane(const uint8_t* data, size_t size) {
  static const int32_t kDepths[] = {1, 4, 8, 15, 16, 24, 32};
  static const int32_t kBlockSides[] = {0, 1, 2, 3, 4, 7, 8, 16, 32, 64, -1, 0x7FFFFFFF};
  dorv::fuzz::TFuzzInput in(data, size);
  const uint8_t flags = in.Byte();
  const bool isAlpha = flags & 1;
  const bool old = flags & 2;
  dorv::THeaderInfo h;
  h.Version = old ? 100 + (flags >> 5) % 3 : 200;
  h.Randomized = (flags & 4) ? 1 : 0;
  const uint8_t ct = in.Byte();
  h.CompType = ct < 200 ? ct % 3 : ct;
  h.BlockWidth = in.Pick(kBlockSides);
  h.BlockHeight = in.Pick(kBlockSides);
  const int32_t depth = isAlpha ? 8 : in.Pick(kDepths);
  const int32_t w = in.Range(1, 80);
  const int32_t ht = in.Range(1, 80);
  const int32_t code = (flags & 8) ? static_cast<int32_t>(in.Dword()) : 0;
  h.CompLevel = 90;

  dorv::TFrames frames;
  dorv::TDorvFrame& frame = frames.Add();
  frame.Surface.Allocate(w, ht, depth);
  dorv::TDorvLayer& layer = frame.AddLayer();
  layer.Surface.Allocate(w, ht, depth);
  layer.Surface.EnsureAlpha();
  layer.Surface.WritePixel(0, 0, 1);

  dorv::TDIBSurface plane;
  plane.Allocate(w, ht, depth);
  const dorv::TRunner runner;
  const dorv::TReadContext ctx{.Header = h, .Runner = runner, .Code = code, .Frames = frames};
  const std::span<const uint8_t> blob = in.Rest();
  try {
    if (old) dorv::DecodeOldPlane(ctx, blob, plane);
    else dorv::DecodePlane(ctx, blob, isAlpha, plane);
    // A decoded plane keeps the size it was given (JPEG planes must match).
    if (plane.Width() != w || plane.Height() != ht) dorv::fuzz::Fail("decode_plane");
  } catch (const dorv::Exception&) {
  }
  return 0;
}

DORV_FUZZ_ENTRY(dorv::fuzz::RunDecodePlane)

// What the public handles hold.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "converter/core/call_limits.h"
#include "converter/core/runner.h"
#include "dov/dov.h"
#include "libdov/document/document.h"

struct dov_decoder {
  dov_limits limits{};
  int threads = 0;
  std::optional<dorv::frames::Document> document;
  // Composites are made when first asked for, then kept.
  std::vector<std::optional<dorv::frames::Composite>> composites;
  // The last composition of chosen layers: its frame, flags and picture.
  struct Composed {
    uint32_t frame = 0;
    std::vector<uint8_t> shown;
    dorv::frames::Composite picture;
  };
  std::optional<Composed> composed;
  std::string error;
  // The iterator: the next frame, the time the frames before it end, and
  // the memory the last frame handed out lives in.
  uint32_t next = 0;
  int64_t endMs = 0;
  std::vector<uint8_t> nextRgba;
};

struct dov_encoder {
  struct Frame {
    dov_pixel_format format = DOV_PIXELS_RGBA;
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> pixels;   // rows packed, without padding
    std::vector<uint8_t> palette;  // red, green, blue a colour
    int32_t transparent = -1;
    int32_t delayMs = 100;
  };
  dov_compression compression = DOV_COMPRESSION_ZLIB;
  int quality = DOV_DEFAULT_QUALITY;
  int threads = 0;
  std::vector<Frame> frames;
  std::string error;
};

// The scope a decoder's calls run in: its limits.
inline dorv::TCallLimits DecoderCallLimits(const dov_decoder& d) {
  dorv::TCallLimits limits;
  limits.MaxSurfacePixels = d.limits.max_frame_pixels;
  limits.MaxAllocatedBytes = d.limits.max_memory;
  limits.MaxFrames = d.limits.max_frames;
  return limits;
}

// The caller's thread setting, on top of the environment's.
inline dorv::TRunner DecoderRunner(const dov_decoder& d) { return dorv::TRunner(d.threads != 1); }

// A document read whole through libdov, and its frames as pixbufs.
#pragma once

#define GDK_PIXBUF_ENABLE_BACKEND
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dov/dov.h"

namespace dovpixbuf {

struct DecoderFree {
  void operator()(dov_decoder* d) const { dov_decoder_destroy(d); }
};
using Decoder = std::unique_ptr<dov_decoder, DecoderFree>;

// Viewers schedule the next frame by the delay; a frame of no delay (the
// default when a document stores none) would spin them, so none is shorter.
constexpr int kShortestDelayMs = 20;

class Document {
 public:
  // Null with *error set when the bytes yield no frame. A damaged document
  // keeps the frames read in full and the reader's messages.
  static std::shared_ptr<Document> Read(const std::vector<uint8_t>& bytes, GError** error);

  uint32_t FrameCount() const { return frames_; }
  // The largest frame's size: every frame of the animation is shown on it.
  int CanvasWidth() const { return canvasWidth_; }
  int CanvasHeight() const { return canvasHeight_; }
  int DelayMs(uint32_t frame) const { return delays_[frame]; }
  const std::string& Damage() const { return damage_; }

  // Frame f as a new RGBA pixbuf at its own size, or placed at the top left
  // of the canvas with the rest clear. Null with *error set when it fails.
  GdkPixbuf* Frame(uint32_t frame, bool onCanvas, GError** error) const;

 private:
  Decoder decoder_;
  uint32_t frames_ = 0;
  int canvasWidth_ = 0, canvasHeight_ = 0;
  std::vector<int> delays_;
  std::string damage_;
};

}  // namespace dovpixbuf

// Every frame of a document as a GdkPixbufAnimation, played for ever, each
// frame for its delay.
#pragma once

#include <memory>

#include "gdk-pixbuf/pixbuf_document.h"

namespace dovpixbuf {

// A new animation (one reference) over the document, or null when out of
// memory.
GdkPixbufAnimation* NewAnimation(std::shared_ptr<Document> document);

// The frame shown `elapsedMs` after the start, and how long it stays.
struct Position {
  uint32_t frame;
  int remainingMs;
};
Position PositionAt(const Document& document, int64_t elapsedMs);

}  // namespace dovpixbuf

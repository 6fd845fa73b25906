#include "gdk-pixbuf/pixbuf_document.h"

#include <algorithm>
#include <climits>

namespace dovpixbuf {
namespace {

void SetError(GError** error, GdkPixbufError code, const std::string& message) {
  g_set_error_literal(error, GDK_PIXBUF_ERROR, code, message.c_str());
}

GdkPixbufError CodeOf(dov_error e) {
  switch (e) {
    case DOV_ERROR_NOT_A_DOCUMENT: return GDK_PIXBUF_ERROR_UNKNOWN_TYPE;
    case DOV_ERROR_OUT_OF_MEMORY:
    case DOV_ERROR_LIMIT: return GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY;
    default: return GDK_PIXBUF_ERROR_CORRUPT_IMAGE;
  }
}

}  // namespace

std::shared_ptr<Document> Document::Read(const std::vector<uint8_t>& bytes, GError** error) {
  auto doc = std::make_shared<Document>();
  doc->decoder_.reset(dov_decoder_create());
  if (!doc->decoder_) {
    SetError(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "out of memory");
    return nullptr;
  }
  dov_decoder* d = doc->decoder_.get();
  const dov_error read = dov_decoder_read_memory(d, bytes.data(), bytes.size());
  dov_info info{};
  if (read != DOV_OK || dov_decoder_get_info(d, &info) != DOV_OK) {
    SetError(error, CodeOf(read), dov_decoder_error_message(d));
    return nullptr;
  }
  if (info.frame_count == 0) {
    SetError(error, GDK_PIXBUF_ERROR_CORRUPT_IMAGE, "the document holds no frame");
    return nullptr;
  }
  doc->frames_ = info.frame_count;
  doc->delays_.reserve(info.frame_count);
  uint32_t width = 0, height = 0;
  for (uint32_t f = 0; f < info.frame_count; ++f) {
    dov_frame_info frame{};
    if (dov_decoder_get_frame_info(d, f, &frame) != DOV_OK) {
      SetError(error, GDK_PIXBUF_ERROR_CORRUPT_IMAGE, dov_decoder_error_message(d));
      return nullptr;
    }
    width = std::max(width, frame.width);
    height = std::max(height, frame.height);
    doc->delays_.push_back(std::max(frame.delay_ms, kShortestDelayMs));
  }
  // Pixbufs count in int, rows of four bytes a pixel included.
  if (width == 0 || height == 0 || width > INT_MAX / 4 || height > INT_MAX) {
    SetError(error, GDK_PIXBUF_ERROR_CORRUPT_IMAGE, "the frames are too large for a pixbuf");
    return nullptr;
  }
  doc->canvasWidth_ = static_cast<int>(width);
  doc->canvasHeight_ = static_cast<int>(height);
  if (info.damaged != 0) doc->damage_ = info.messages;
  return doc;
}

GdkPixbuf* Document::Frame(uint32_t frame, bool onCanvas, GError** error) const {
  dov_decoder* d = decoder_.get();
  dov_frame_info info{};
  if (frame >= frames_ || dov_decoder_get_frame_info(d, frame, &info) != DOV_OK) {
    SetError(error, GDK_PIXBUF_ERROR_FAILED, "no such frame");
    return nullptr;
  }
  // Read checked both sizes against int.
  const int width = onCanvas ? canvasWidth_ : static_cast<int>(info.width);
  const int height = onCanvas ? canvasHeight_ : static_cast<int>(info.height);
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
  if (pixbuf == nullptr) {
    SetError(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "not enough memory for the frame");
    return nullptr;
  }
  if (onCanvas) gdk_pixbuf_fill(pixbuf, 0);
  const size_t stride = static_cast<size_t>(gdk_pixbuf_get_rowstride(pixbuf));
  const size_t size = gdk_pixbuf_get_byte_length(pixbuf);
  if (dov_decoder_frame_rgba(d, frame, gdk_pixbuf_get_pixels(pixbuf), stride, size) != DOV_OK) {
    SetError(error, CodeOf(DOV_ERROR_CORRUPT), dov_decoder_error_message(d));
    g_object_unref(pixbuf);
    return nullptr;
  }
  if (!damage_.empty()) gdk_pixbuf_set_option(pixbuf, "damaged", damage_.c_str());
  return pixbuf;
}

}  // namespace dovpixbuf

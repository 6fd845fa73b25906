// Frames composed of a chosen set of their layers.
#include <string>

#include "converter/core/call_limits.h"
#include "dov/dov.h"
#include "libdov/api/guard.h"
#include "libdov/api/handles.h"
#include "libdov/api/pixels.h"

namespace {

using dov::ApiError;
using dorv::frames::Composite;

// The composition asked for, made unless it is the one kept.
const Composite& Composed(dov_decoder& d, uint32_t frame, const uint8_t* shown, uint32_t count) {
  if (!d.document) throw ApiError{DOV_ERROR_NO_DOCUMENT, "no document has been read"};
  const dorv::frames::Document& doc = *d.document;
  if (frame >= doc.Frames.size())
    throw ApiError{DOV_ERROR_RANGE, "frame " + std::to_string(frame) + " of " + std::to_string(doc.Frames.size())};
  if (shown == nullptr && count != 0) throw ApiError{DOV_ERROR_INVALID_ARGUMENT, "the layer flags are null"};
  std::vector<uint8_t> flags;
  const auto& layers = doc.Frames[frame].Layers;
  if (shown == nullptr) {
    for (const auto& l : layers) flags.push_back(l.Visible ? 1 : 0);
  } else {
    // Only whether a flag is set counts; flags past the last layer do not.
    for (size_t i = 0; i < layers.size(); ++i) flags.push_back(i < count && shown[i] != 0 ? 1 : 0);
  }
  if (d.composed && d.composed->frame == frame && d.composed->shown == flags) return d.composed->picture;
  d.composed.reset();
  dorv::TCallScope scope(DecoderCallLimits(d));
  Composite picture = doc.ComposeLayers(frame, flags, DecoderRunner(d));
  d.composed = dov_decoder::Composed{frame, std::move(flags), std::move(picture)};
  return d.composed->picture;
}

}  // namespace

extern "C" {

dov_error dov_decoder_compose_rgba(dov_decoder* d, uint32_t frame, const uint8_t* shown, uint32_t shown_count,
                                   uint8_t* rgba, size_t stride, size_t size) {
  if (d == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  return dov::Guard(d->error, [&] {
    const Composite& c = Composed(*d, frame, shown, shown_count);
    dov::CheckBuffer(rgba, size, stride, static_cast<uint32_t>(c.Width), static_cast<uint32_t>(c.Height), 4);
    dorv::frames::CompositeToRgbaRows(c, rgba, stride);
  });
}

dov_error dov_decoder_compose_indexed(dov_decoder* d, uint32_t frame, const uint8_t* shown, uint32_t shown_count,
                                      uint8_t* indices, size_t stride, size_t size, uint8_t* palette,
                                      int32_t* transparent) {
  if (d == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  return dov::Guard(d->error, [&] {
    const Composite& c = Composed(*d, frame, shown, shown_count);
    if (c.Bpp != 8)
      throw ApiError{DOV_ERROR_NOT_INDEXED, "frame " + std::to_string(frame) + " of these layers has colour pixels"};
    dov::CheckBuffer(indices, size, stride, static_cast<uint32_t>(c.Width), static_cast<uint32_t>(c.Height), 1);
    dov::CopyIndexed(c, indices, stride, palette, transparent);
  });
}

}  // extern "C"

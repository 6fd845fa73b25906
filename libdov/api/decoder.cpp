// The decoder: a whole document read once, then frames, layers and their
// pictures handed out.
#include <algorithm>
#include <span>
#include <string>

#include "converter/core/call_limits.h"
#include "dov/dov.h"
#include "libdov/api/guard.h"
#include "libdov/api/handles.h"
#include "libdov/api/input.h"
#include "libdov/api/pixels.h"

namespace {

using dov::ApiError;
using dorv::frames::Composite;
using dorv::frames::Document;
using dorv::frames::FramesError;

const Document& Doc(const dov_decoder& d) {
  if (!d.document) throw ApiError{DOV_ERROR_NO_DOCUMENT, "no document has been read"};
  return *d.document;
}

const dorv::frames::FrameInfo& Frame(const dov_decoder& d, uint32_t frame) {
  const Document& doc = Doc(d);
  if (frame >= doc.Frames.size())
    throw ApiError{DOV_ERROR_RANGE, "frame " + std::to_string(frame) + " of " + std::to_string(doc.Frames.size())};
  return doc.Frames[frame];
}

const dorv::frames::LayerInfo& Layer(const dov_decoder& d, uint32_t frame, uint32_t layer) {
  const auto& f = Frame(d, frame);
  if (layer >= f.Layers.size())
    throw ApiError{DOV_ERROR_RANGE, "layer " + std::to_string(layer) + " of " + std::to_string(f.Layers.size())};
  return f.Layers[layer];
}

const Composite& CompositeOf(dov_decoder& d, uint32_t frame) {
  Frame(d, frame);
  std::optional<Composite>& slot = d.composites[frame];
  if (!slot) {
    dorv::TCallScope scope(DecoderCallLimits(d));
    slot = d.document->MakeComposite(frame, DecoderRunner(d));
  }
  return *slot;
}

void Read(dov_decoder& d, std::span<const uint8_t> bytes) {
  d.document.reset();
  d.composites.clear();
  d.composed.reset();
  dov_decoder_reset(&d);
  dorv::TCallScope scope(DecoderCallLimits(d));
  scope.ChargeAllocation(bytes.size());
  dorv::frames::ReadOptions options;
  options.Composites = false;  // made when asked for
  options.Layers = true;
  try {
    d.document = dorv::frames::ReadDocument(bytes, options, DecoderRunner(d));
  } catch (const FramesError& e) {
    if (e.Reason() == FramesError::Kind::Unreadable && !dorv::frames::HasDocumentMagic(bytes))
      throw ApiError{DOV_ERROR_NOT_A_DOCUMENT, e.what()};
    throw;
  }
  d.composites.resize(d.document->Frames.size());
}

// The input is charged to the memory limit, so it may not be longer.
uint64_t InputCap(const dov_decoder& d) { return d.limits.max_memory; }

}  // namespace

extern "C" {

dov_decoder* dov_decoder_create(void) {
  try {
    auto* d = new dov_decoder;
    dov_default_limits(&d->limits);
    return d;
  } catch (...) {
    return nullptr;
  }
}

void dov_decoder_destroy(dov_decoder* decoder) { delete decoder; }

dov_error dov_decoder_set_limits(dov_decoder* d, const dov_limits* limits) {
  if (d == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  if (limits == nullptr) return dov::Report(d->error, DOV_ERROR_INVALID_ARGUMENT, "the limits are null");
  return dov::Guard(d->error, [&] {
    dov_limits defaults;
    dov_default_limits(&defaults);
    d->limits.max_frame_pixels = limits->max_frame_pixels != 0 ? limits->max_frame_pixels : defaults.max_frame_pixels;
    d->limits.max_memory = limits->max_memory != 0 ? limits->max_memory : defaults.max_memory;
    d->limits.max_frames = limits->max_frames != 0 ? limits->max_frames : defaults.max_frames;
  });
}

dov_error dov_decoder_set_threads(dov_decoder* d, int threads) {
  if (d == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  d->threads = threads == 1 ? 1 : 0;
  return DOV_OK;
}

dov_error dov_decoder_read_memory(dov_decoder* d, const void* data, size_t size) {
  if (d == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  if (data == nullptr && size != 0) return dov::Report(d->error, DOV_ERROR_INVALID_ARGUMENT, "the data is null");
  return dov::Guard(d->error, [&] {
    if (size > InputCap(*d))
      throw ApiError{DOV_ERROR_LIMIT, "the input is longer than the limit of " + std::to_string(InputCap(*d)) + " bytes"};
    Read(*d, std::span<const uint8_t>(static_cast<const uint8_t*>(data), size));
  });
}

dov_error dov_decoder_read_file(dov_decoder* d, const char* path) {
  if (d == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  if (path == nullptr) return dov::Report(d->error, DOV_ERROR_INVALID_ARGUMENT, "the path is null");
  return dov::Guard(d->error, [&] {
    d->document.reset();
    const std::vector<uint8_t> bytes = dov::ReadWholeFile(path, InputCap(*d));
    Read(*d, bytes);
  });
}

dov_error dov_decoder_read_callback(dov_decoder* d, dov_read_fn read, void* user) {
  if (d == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  if (read == nullptr) return dov::Report(d->error, DOV_ERROR_INVALID_ARGUMENT, "the read callback is null");
  return dov::Guard(d->error, [&] {
    d->document.reset();
    const std::vector<uint8_t> bytes = dov::ReadWholeStream(read, user, InputCap(*d));
    Read(*d, bytes);
  });
}

const char* dov_decoder_error_message(const dov_decoder* d) { return d == nullptr ? "" : d->error.c_str(); }

int dov_has_document_magic(const void* data, size_t size) {
  if (data == nullptr) return 0;
  return dorv::frames::HasDocumentMagic(std::span<const uint8_t>(static_cast<const uint8_t*>(data), size)) ? 1 : 0;
}

dov_error dov_decoder_get_info(const dov_decoder* d, dov_info* info) {
  if (d == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  std::string& error = const_cast<dov_decoder*>(d)->error;
  if (info == nullptr) return dov::Report(error, DOV_ERROR_INVALID_ARGUMENT, "the info is null");
  return dov::Guard(error, [&] {
    const Document& doc = Doc(*d);
    *info = dov_info{};
    info->frames_declared = static_cast<uint32_t>(std::max(doc.DeclaredFrames, 0));
    info->frame_count = static_cast<uint32_t>(doc.Frames.size());
    info->width = static_cast<uint32_t>(doc.Frames[0].Width);
    info->height = static_cast<uint32_t>(doc.Frames[0].Height);
    info->background = static_cast<uint32_t>(doc.BGColor);
    info->not_fill_background = doc.NotFillBG ? 1 : 0;
    info->version = doc.Version;
    info->damaged = doc.Damaged() ? 1 : 0;
    info->messages = doc.Messages.c_str();
  });
}

dov_error dov_decoder_get_frame_info(const dov_decoder* d, uint32_t frame, dov_frame_info* info) {
  if (d == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  std::string& error = const_cast<dov_decoder*>(d)->error;
  if (info == nullptr) return dov::Report(error, DOV_ERROR_INVALID_ARGUMENT, "the info is null");
  return dov::Guard(error, [&] {
    const auto& f = Frame(*d, frame);
    *info = dov_frame_info{};
    info->width = static_cast<uint32_t>(f.Width);
    info->height = static_cast<uint32_t>(f.Height);
    info->depth = static_cast<uint32_t>(f.Depth);
    info->delay = f.Delay;
    info->delay_ms = f.DelayMilliseconds;
    info->disposal = f.Disposal;
    info->transparent_index = f.TransparentIndex;
    info->layer_count = static_cast<uint32_t>(f.Layers.size());
    info->indexed = f.Indexed ? 1 : 0;
    info->name = f.Name.c_str();
  });
}

dov_error dov_decoder_get_layer_info(const dov_decoder* d, uint32_t frame, uint32_t layer, dov_layer_info* info) {
  if (d == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  std::string& error = const_cast<dov_decoder*>(d)->error;
  if (info == nullptr) return dov::Report(error, DOV_ERROR_INVALID_ARGUMENT, "the info is null");
  return dov::Guard(error, [&] {
    const auto& l = Layer(*d, frame, layer);
    *info = dov_layer_info{};
    info->width = static_cast<uint32_t>(l.Width);
    info->height = static_cast<uint32_t>(l.Height);
    info->visible = l.Visible ? 1 : 0;
    info->opacity = l.Opacity;
    info->key = l.Key;
    info->has_alpha_plane = l.HasAlphaPlane ? 1 : 0;
    info->alpha_on = l.AlphaOn ? 1 : 0;
    info->name = l.Name.c_str();
    info->coding = l.Coding.c_str();
  });
}

dov_error dov_decoder_frame_rgba(dov_decoder* d, uint32_t frame, uint8_t* rgba, size_t stride, size_t size) {
  if (d == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  return dov::Guard(d->error, [&] {
    const auto& f = Frame(*d, frame);
    dov::CheckBuffer(rgba, size, stride, static_cast<uint32_t>(f.Width), static_cast<uint32_t>(f.Height), 4);
    dorv::frames::CompositeToRgbaRows(CompositeOf(*d, frame), rgba, stride);
  });
}

dov_error dov_decoder_frame_indexed(dov_decoder* d, uint32_t frame, uint8_t* indices, size_t stride, size_t size,
                                    uint8_t* palette, int32_t* transparent) {
  if (d == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  return dov::Guard(d->error, [&] {
    const auto& f = Frame(*d, frame);
    if (!f.Indexed) throw ApiError{DOV_ERROR_NOT_INDEXED, "frame " + std::to_string(frame) + " has colour pixels"};
    dov::CheckBuffer(indices, size, stride, static_cast<uint32_t>(f.Width), static_cast<uint32_t>(f.Height), 1);
    const Composite& c = CompositeOf(*d, frame);
    dov::CopyIndexed(c, indices, stride, palette, transparent);
  });
}

dov_error dov_decoder_layer_rgba(dov_decoder* d, uint32_t frame, uint32_t layer, uint8_t* rgba, size_t stride,
                                 size_t size) {
  if (d == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  return dov::Guard(d->error, [&] {
    const auto& l = Layer(*d, frame, layer);
    dov::CheckBuffer(rgba, size, stride, static_cast<uint32_t>(l.Width), static_cast<uint32_t>(l.Height), 4);
    dorv::TCallScope scope(DecoderCallLimits(*d));
    const dorv::frames::RgbaImage image = d->document->LayerRgba(frame, layer);
    dov::CopyRows(image.Pixels.data(), 4 * static_cast<size_t>(image.Width), static_cast<uint32_t>(image.Height),
                  rgba, stride);
  });
}

dov_error dov_decoder_get_next(dov_decoder* d, const uint8_t** rgba, uint32_t* frame, uint32_t* width,
                               uint32_t* height, int64_t* end_ms) {
  if (d == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  return dov::Guard(d->error, [&] {
    const Document& doc = Doc(*d);
    if (d->next >= doc.Frames.size()) throw ApiError{DOV_ERROR_END_OF_FRAMES, "every frame has been handed out"};
    const uint32_t index = d->next;
    const auto& f = doc.Frames[index];
    const Composite& c = CompositeOf(*d, index);
    const size_t stride = 4 * static_cast<size_t>(f.Width);
    d->nextRgba.resize(stride * static_cast<size_t>(f.Height));
    dorv::frames::CompositeToRgbaRows(c, d->nextRgba.data(), stride);
    d->endMs += f.DelayMilliseconds;
    d->next = index + 1;
    if (rgba != nullptr) *rgba = d->nextRgba.data();
    if (frame != nullptr) *frame = index;
    if (width != nullptr) *width = static_cast<uint32_t>(f.Width);
    if (height != nullptr) *height = static_cast<uint32_t>(f.Height);
    if (end_ms != nullptr) *end_ms = d->endMs;
  });
}

int dov_decoder_has_more_frames(const dov_decoder* d) {
  return d != nullptr && d->document && d->next < d->document->Frames.size() ? 1 : 0;
}

void dov_decoder_reset(dov_decoder* d) {
  if (d == nullptr) return;
  d->next = 0;
  d->endMs = 0;
  d->nextRgba.clear();
}

}  // extern "C"

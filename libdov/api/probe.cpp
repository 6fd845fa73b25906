// The header-only look at a document, for callers that need its size before
// deciding to decode it (viewers asking for a size, file dialogs).
#include <span>
#include <string>

#include "converter/core/call_limits.h"
#include "dov/dov.h"
#include "libdov/api/guard.h"
#include "libdov/api/handles.h"

extern "C" dov_error dov_decoder_probe_memory(dov_decoder* d, const void* data, size_t size,
                                              dov_probe_info* info) {
  if (d == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  if (data == nullptr && size != 0) return dov::Report(d->error, DOV_ERROR_INVALID_ARGUMENT, "the data is null");
  if (info == nullptr) return dov::Report(d->error, DOV_ERROR_INVALID_ARGUMENT, "the info is null");
  return dov::Guard(d->error, [&] {
    *info = dov_probe_info{};
    if (size > d->limits.max_memory)
      throw dov::ApiError{DOV_ERROR_LIMIT,
                          "the input is longer than the limit of " + std::to_string(d->limits.max_memory) + " bytes"};
    dorv::TCallScope scope(DecoderCallLimits(*d));
    scope.ChargeAllocation(size);
    const std::span<const uint8_t> bytes(static_cast<const uint8_t*>(data), size);
    dorv::frames::Probe p;
    try {
      p = dorv::frames::ProbeDocument(bytes, DecoderRunner(*d));
    } catch (const dorv::frames::FramesError& e) {
      if (e.Reason() == dorv::frames::FramesError::Kind::Unreadable && !dorv::frames::HasDocumentMagic(bytes))
        throw dov::ApiError{DOV_ERROR_NOT_A_DOCUMENT, e.what()};
      throw;
    }
    // A frame larger than the limit is refused here as a read would refuse it.
    const uint64_t pixels = static_cast<uint64_t>(p.Width) * static_cast<uint64_t>(p.Height);
    if (pixels > d->limits.max_frame_pixels)
      throw dov::ApiError{DOV_ERROR_LIMIT, "the first frame has " + std::to_string(pixels) +
                                               " pixels, over the limit of " +
                                               std::to_string(d->limits.max_frame_pixels)};
    info->width = static_cast<uint32_t>(p.Width);
    info->height = static_cast<uint32_t>(p.Height);
    info->depth = static_cast<uint32_t>(p.Depth);
    info->frames_declared = static_cast<uint32_t>(p.DeclaredFrames);
    info->version = p.Version;
    info->decoded = p.Decoded ? 1 : 0;
  });
}

// libdov's decoder over any bytes, through its C face only: every call
// returns a code (never throws or crashes), every frame and layer it reports
// gives its pixels into a buffer of exactly its size, the iterator ends after
// the frames read, frame 0's indices or colours agree with each other, and
// the visible layers composed again give the frame's composite, and what
// the header alone tells of a document read whole is what the read found.
#include <cstring>
#include <memory>
#include <vector>

#include "dov/dov.h"
#include "fuzz_check.h"

namespace {

struct DecoderFree {
  void operator()(dov_decoder* d) const { dov_decoder_destroy(d); }
};

void CheckFrame(dov_decoder* d, uint32_t f) {
  dov_frame_info info;
  if (dov_decoder_get_frame_info(d, f, &info) != DOV_OK) dorv::fuzz::Fail("frame info of a frame read");
  const size_t stride = 4 * size_t{info.width};
  std::vector<uint8_t> rgba(stride * info.height);
  const dov_error e = dov_decoder_frame_rgba(d, f, rgba.data(), stride, rgba.size());
  if (e != DOV_OK && e != DOV_ERROR_LIMIT && e != DOV_ERROR_OUT_OF_MEMORY && e != DOV_ERROR_CORRUPT)
    dorv::fuzz::Fail("a frame's composite refused with an unexpected code");
  if (info.indexed && e == DOV_OK) {
    std::vector<uint8_t> indices(size_t{info.width} * info.height);
    uint8_t palette[1024];
    int32_t transparent = -2;
    if (dov_decoder_frame_indexed(d, f, indices.data(), info.width, indices.size(), palette, &transparent) != DOV_OK)
      dorv::fuzz::Fail("indices of an indexed frame refused");
    for (size_t i = 0; i < indices.size(); ++i)
      if (std::memcmp(&rgba[4 * i], &palette[4 * size_t{indices[i]}], 4) != 0)
        dorv::fuzz::Fail("RGBA differs from the palette's colour of the index");
  }
  // One byte short is refused, never written past.
  if (!rgba.empty() && dov_decoder_frame_rgba(d, f, rgba.data(), stride, rgba.size() - 1) != DOV_ERROR_BUFFER_TOO_SMALL)
    dorv::fuzz::Fail("a buffer one byte short was taken");
  std::vector<uint8_t> shown;
  for (uint32_t l = 0; l < info.layer_count; ++l) {
    dov_layer_info layer;
    if (dov_decoder_get_layer_info(d, f, l, &layer) != DOV_OK) dorv::fuzz::Fail("layer info of a layer read");
    std::vector<uint8_t> pixels(4 * size_t{layer.width} * layer.height);
    (void)dov_decoder_layer_rgba(d, f, l, pixels.data(), 4 * size_t{layer.width}, pixels.size());
    shown.push_back(layer.visible ? 1 : 0);
  }
  // The visible layers composed again are the frame's composite; every
  // layer but the bottom one composes too, or is refused with a code.
  std::vector<uint8_t> again(rgba.size());
  const dov_error c = dov_decoder_compose_rgba(d, f, shown.data(), info.layer_count, again.data(), stride, again.size());
  if (e == DOV_OK && c == DOV_OK && again != rgba) dorv::fuzz::Fail("the visible layers composed again differ");
  if (!shown.empty()) {
    shown.assign(shown.size(), 1);
    shown[0] = 0;
    const dov_error o = dov_decoder_compose_rgba(d, f, shown.data(), info.layer_count, again.data(), stride, again.size());
    if (o != DOV_OK && o != DOV_ERROR_LIMIT && o != DOV_ERROR_OUT_OF_MEMORY && o != DOV_ERROR_CORRUPT)
      dorv::fuzz::Fail("chosen layers refused with an unexpected code");
  }
}

}  // namespace

int dorv::fuzz::RunDovDecoder(const uint8_t* data, size_t size) {
  std::unique_ptr<dov_decoder, DecoderFree> d(dov_decoder_create());
  if (!d) return 0;
  dov_limits limits;
  dov_default_limits(&limits);
  limits.max_memory = uint64_t{256} << 20;
  dov_decoder_set_limits(d.get(), &limits);
  dov_probe_info probe;
  const dov_error probed = dov_decoder_probe_memory(d.get(), data, size, &probe);
  if (probed != DOV_OK && dov_decoder_error_message(d.get())[0] == '\0') Fail("a probe failed without a message");
  if (dov_decoder_read_memory(d.get(), data, size) != DOV_OK) {
    if (dov_decoder_error_message(d.get())[0] == '\0') Fail("a failure without a message");
    return 0;
  }
  dov_info info;
  if (dov_decoder_get_info(d.get(), &info) != DOV_OK || info.frame_count == 0) Fail("no frame in a document read");
  if (probed == DOV_OK && !info.damaged && (probe.width != info.width || probe.height != info.height))
    Fail("the header's size differs from the first frame read");
  for (uint32_t f = 0; f < info.frame_count; ++f) CheckFrame(d.get(), f);
  dov_frame_info none;
  if (dov_decoder_get_frame_info(d.get(), info.frame_count, &none) != DOV_ERROR_RANGE)
    Fail("a frame past the last was not refused");
  uint32_t handed = 0;
  while (dov_decoder_has_more_frames(d.get())) {
    const dov_error e = dov_decoder_get_next(d.get(), nullptr, nullptr, nullptr, nullptr, nullptr);
    if (e != DOV_OK) break;
    ++handed;
  }
  if (handed == info.frame_count &&
      dov_decoder_get_next(d.get(), nullptr, nullptr, nullptr, nullptr, nullptr) != DOV_ERROR_END_OF_FRAMES)
    Fail("the iterator went past the last frame");
  return 0;
}

DORV_FUZZ_ENTRY(dorv::fuzz::RunDovDecoder)

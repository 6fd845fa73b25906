#include "gimp/load_plan.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "gimp/checked_size.h"
#include "gimp/layer_name.h"
#include "gimp/read_document.h"

namespace dorv::gimp {
namespace {

// 256 entries of red, green, blue, alpha.
using Palette = std::array<uint8_t, 1024>;

// A palette frame's composite as the decoder hands it out.
struct IndexedComposite {
  std::vector<uint8_t> indices;
  Palette palette{};
  int32_t transparent = -1;
};

// Disposal values as animation editors store them: 1 leaves the frame in
// place under the next one, 2 and 3 clear it before the next one is shown.
FrameCombine CombineOf(int32_t disposal) {
  switch (disposal) {
    case 1: return FrameCombine::Combine;
    case 2:
    case 3: return FrameCombine::Replace;
    default: return FrameCombine::Unstated;
  }
}

// The colours alone: alpha only marks the transparent index.
bool SameColours(const Palette& a, const Palette& b) {
  for (size_t i = 0; i < 256; ++i)
    if (std::memcmp(&a[i * 4], &b[i * 4], 3) != 0) return false;
  return true;
}

IndexedComposite ReadIndexed(dov_decoder& decoder, uint32_t frame, const dov_frame_info& info) {
  IndexedComposite c;
  c.indices.resize(CheckedPictureBytes(info.width, info.height, 1));
  ThrowUnlessOk(dov_decoder_frame_indexed(&decoder, frame, c.indices.data(), info.width, c.indices.size(),
                                          c.palette.data(), &c.transparent),
                decoder);
  return c;
}

// The composites of the frames when all of them are palette frames of one
// palette; empty otherwise.
std::vector<IndexedComposite> OnePaletteFrames(dov_decoder& decoder, const std::vector<dov_frame_info>& frames) {
  std::vector<IndexedComposite> composites;
  if (frames.empty()) return composites;
  for (const dov_frame_info& info : frames)
    if (!info.indexed) return composites;
  for (uint32_t i = 0; i < frames.size(); ++i) {
    composites.push_back(ReadIndexed(decoder, i, frames[i]));
    if (!SameColours(composites.back().palette, composites.front().palette)) return {};
  }
  return composites;
}

LayerPlan IndexedLayer(const IndexedComposite& c, const dov_frame_info& info) {
  LayerPlan layer;
  layer.width = static_cast<int32_t>(info.width);
  layer.height = static_cast<int32_t>(info.height);
  layer.hasAlpha = c.transparent >= 0;
  if (!layer.hasAlpha) {
    layer.pixels = c.indices;
    return layer;
  }
  layer.pixels.resize(CheckedSizeMul(c.indices.size(), 2));
  for (size_t i = 0; i < c.indices.size(); ++i) {
    layer.pixels[i * 2] = c.indices[i];
    layer.pixels[i * 2 + 1] = c.indices[i] == c.transparent ? 0 : 255;
  }
  return layer;
}

LayerPlan RgbaLayer(dov_decoder& decoder, uint32_t frame, const dov_frame_info& info) {
  LayerPlan layer;
  layer.width = static_cast<int32_t>(info.width);
  layer.height = static_cast<int32_t>(info.height);
  layer.pixels.resize(CheckedPictureBytes(info.width, info.height, 4));
  ThrowUnlessOk(dov_decoder_frame_rgba(&decoder, frame, layer.pixels.data(), CheckedSizeMul(info.width, 4),
                                       layer.pixels.size()),
                decoder);
  return layer;
}

}  // namespace

ImagePlan PlanImage(dov_decoder& decoder, size_t frameLimit) {
  ImagePlan plan;
  const size_t count = std::min<size_t>(frameLimit, DocumentInfo(decoder).frame_count);
  std::vector<dov_frame_info> frames;
  frames.reserve(count);
  for (uint32_t i = 0; i < count; ++i) frames.push_back(FrameInfo(decoder, i));

  const std::vector<IndexedComposite> indexed = OnePaletteFrames(decoder, frames);
  plan.indexed = !indexed.empty();
  if (plan.indexed) {
    plan.colormap.resize(256 * 3);
    const Palette& palette = indexed.front().palette;
    for (size_t i = 0; i < 256; ++i) std::copy_n(&palette[i * 4], 3, &plan.colormap[i * 3]);
  }
  for (uint32_t i = 0; i < count; ++i) {
    LayerPlan layer = plan.indexed ? IndexedLayer(indexed[i], frames[i]) : RgbaLayer(decoder, i, frames[i]);
    layer.name = FrameLayerName(static_cast<int>(i), frames[i].delay_ms, CombineOf(frames[i].disposal));
    plan.width = std::max(plan.width, layer.width);
    plan.height = std::max(plan.height, layer.height);
    plan.layers.push_back(std::move(layer));
  }
  return plan;
}

}  // namespace dorv::gimp

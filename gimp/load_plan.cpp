#include "gimp/load_plan.h"

#include <algorithm>
#include <cstring>

#include "gimp/layer_name.h"

namespace dorv::gimp {
namespace {

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

bool SamePalette(const frames::Composite& a, const frames::Composite& b) {
  for (size_t i = 0; i < 256; ++i)
    if (std::memcmp(&a.Palette[i * 4], &b.Palette[i * 4], 3) != 0) return false;
  return true;
}

LayerPlan IndexedLayer(const frames::Composite& c) {
  LayerPlan layer;
  layer.width = c.Width;
  layer.height = c.Height;
  layer.hasAlpha = c.TransparentIndex >= 0;
  if (!layer.hasAlpha) {
    layer.pixels = c.Pixels;
    return layer;
  }
  layer.pixels.resize(c.Pixels.size() * 2);
  for (size_t i = 0; i < c.Pixels.size(); ++i) {
    layer.pixels[i * 2] = c.Pixels[i];
    layer.pixels[i * 2 + 1] = c.Pixels[i] == c.TransparentIndex ? 0 : 255;
  }
  return layer;
}

LayerPlan RgbaLayer(const frames::Composite& c) {
  frames::RgbaImage rgba = frames::CompositeToRgba(c);
  LayerPlan layer;
  layer.width = rgba.Width;
  layer.height = rgba.Height;
  layer.pixels = std::move(rgba.Pixels);
  return layer;
}

}  // namespace

bool SharesOnePalette(std::span<const frames::FrameInfo> frames) {
  if (frames.empty()) return false;
  for (const frames::FrameInfo& f : frames)
    if (f.Picture.Bpp != 8 || !SamePalette(f.Picture, frames.front().Picture)) return false;
  return true;
}

ImagePlan PlanImage(const frames::Document& document, size_t frameLimit) {
  ImagePlan plan;
  const size_t count = std::min(frameLimit, document.Frames.size());
  const std::span<const frames::FrameInfo> shown(document.Frames.data(), count);
  plan.indexed = SharesOnePalette(shown);
  if (plan.indexed) {
    plan.colormap.resize(256 * 3);
    const auto& palette = shown.front().Picture.Palette;
    for (size_t i = 0; i < 256; ++i) {
      plan.colormap[i * 3] = palette[i * 4 + 2];
      plan.colormap[i * 3 + 1] = palette[i * 4 + 1];
      plan.colormap[i * 3 + 2] = palette[i * 4];
    }
  }
  for (size_t i = 0; i < count; ++i) {
    const frames::FrameInfo& frame = document.Frames[i];
    LayerPlan layer = plan.indexed ? IndexedLayer(frame.Picture) : RgbaLayer(frame.Picture);
    layer.name = FrameLayerName(static_cast<int>(i), frame.DelayMilliseconds, CombineOf(frame.Disposal));
    plan.width = std::max(plan.width, layer.width);
    plan.height = std::max(plan.height, layer.height);
    plan.layers.push_back(std::move(layer));
  }
  return plan;
}

}  // namespace dorv::gimp

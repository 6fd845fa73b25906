#include "gimp/flatten.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

#include "gimp/checked_size.h"

namespace dorv::gimp {
namespace {

// The opacity as a factor 0 to 255.
uint32_t OpacityFactor(double percent) {
  if (!(percent > 0.0)) return 0;
  if (percent >= 100.0) return 255;
  return static_cast<uint32_t>(std::lround(percent * 255.0 / 100.0));
}

uint8_t Scale(uint8_t alpha, uint32_t factor) {
  return static_cast<uint8_t>((alpha * factor + 127) / 255);
}

// The part of the layer that lies on the canvas, in canvas coordinates.
struct Overlap {
  int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

Overlap OverlapOf(const LayerPixels& layer, int32_t width, int32_t height) {
  const int64_t left = layer.offsetX, top = layer.offsetY;
  Overlap o;
  o.x0 = static_cast<int32_t>(std::clamp<int64_t>(left, 0, width));
  o.y0 = static_cast<int32_t>(std::clamp<int64_t>(top, 0, height));
  o.x1 = static_cast<int32_t>(std::clamp<int64_t>(left + layer.width, 0, width));
  o.y1 = static_cast<int32_t>(std::clamp<int64_t>(top + layer.height, 0, height));
  return o;
}

void CheckLayer(const LayerPixels& layer, int expectedChannels) {
  if (layer.width < 0 || layer.height < 0 || layer.channels != expectedChannels)
    throw std::invalid_argument("unexpected layer layout");
  const size_t need = CheckedPictureBytes(static_cast<size_t>(layer.width), static_cast<size_t>(layer.height),
                                          static_cast<size_t>(layer.channels));
  if (layer.rows.size() < need) throw std::invalid_argument("layer rows too short");
}

size_t CanvasBytes(int32_t width, int32_t height, size_t perPixel) {
  if (width <= 0 || height <= 0) throw std::invalid_argument("empty canvas");
  return CheckedPictureBytes(static_cast<size_t>(width), static_cast<size_t>(height), perPixel);
}

const uint8_t* LayerAt(const LayerPixels& layer, int32_t canvasX, int32_t canvasY) {
  const size_t lx = static_cast<size_t>(canvasX - layer.offsetX);
  const size_t ly = static_cast<size_t>(canvasY - layer.offsetY);
  return layer.rows.data() + (ly * static_cast<size_t>(layer.width) + lx) * static_cast<size_t>(layer.channels);
}

}  // namespace

std::vector<uint8_t> FlattenRgba(const LayerPixels& layer, int32_t width, int32_t height) {
  CheckLayer(layer, 4);
  std::vector<uint8_t> out(CanvasBytes(width, height, 4), 0);
  const Overlap o = OverlapOf(layer, width, height);
  if (o.Empty()) return out;
  const uint32_t factor = OpacityFactor(layer.opacity);
  const size_t span = static_cast<size_t>(o.x1 - o.x0) * 4;
  for (int32_t y = o.y0; y < o.y1; ++y) {
    uint8_t* dst = out.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(o.x0)) * 4;
    std::copy_n(LayerAt(layer, o.x0, y), span, dst);
    if (factor != 255)
      for (size_t i = 3; i < span; i += 4) dst[i] = Scale(dst[i], factor);
  }
  return out;
}

std::optional<IndexedFrame> FlattenIndexed(const LayerPixels& layer, int32_t width, int32_t height, int mapSize) {
  CheckLayer(layer, layer.hasAlpha ? 2 : 1);
  const Overlap o = OverlapOf(layer, width, height);
  const uint32_t factor = OpacityFactor(layer.opacity);
  const bool drawn = factor != 0 && !o.Empty();
  if (drawn && factor != 255) return std::nullopt;
  // Indices of the opaque pixels; clear ones are marked in a mask first.
  IndexedFrame frame;
  frame.indices.assign(CanvasBytes(width, height, 1), 0);
  std::vector<uint8_t> clear(frame.indices.size(), drawn ? 0 : 1);
  std::array<bool, 256> used{};
  bool anyClear = !drawn;
  if (drawn) {
    const bool coversAll = o.x0 == 0 && o.y0 == 0 && o.x1 == width && o.y1 == height;
    if (!coversAll) {
      anyClear = true;
      std::fill(clear.begin(), clear.end(), 1);
    }
    for (int32_t y = o.y0; y < o.y1; ++y) {
      const uint8_t* src = LayerAt(layer, o.x0, y);
      const size_t row = static_cast<size_t>(y) * static_cast<size_t>(width);
      for (int32_t x = o.x0; x < o.x1; ++x, src += layer.channels) {
        const uint8_t alpha = layer.hasAlpha ? src[1] : 255;
        const size_t at = row + static_cast<size_t>(x);
        if (alpha == 255) {
          frame.indices[at] = src[0];
          clear[at] = 0;
          used[src[0]] = true;
        } else if (alpha == 0) {
          clear[at] = 1;
          anyClear = true;
        } else {
          return std::nullopt;
        }
      }
    }
  }
  if (!anyClear) return frame;
  // The clear pixels take the first index past the colour map, or else an
  // index that no opaque pixel of the frame uses.
  int clearIndex = -1;
  if (mapSize < 256) {
    clearIndex = std::max(mapSize, 0);
  } else {
    for (int i = 255; i >= 0 && clearIndex < 0; --i)
      if (!used[static_cast<size_t>(i)]) clearIndex = i;
  }
  if (clearIndex < 0) return std::nullopt;
  frame.transparent = clearIndex;
  for (size_t i = 0; i < clear.size(); ++i)
    if (clear[i]) frame.indices[i] = static_cast<uint8_t>(clearIndex);
  return frame;
}

std::vector<uint8_t> IndexedToRgba(const LayerPixels& layer, const std::vector<uint8_t>& colormap, int32_t width,
                                   int32_t height) {
  CheckLayer(layer, layer.hasAlpha ? 2 : 1);
  LayerPixels rgba = layer;
  rgba.channels = 4;
  rgba.hasAlpha = true;
  rgba.rows.assign(CheckedPictureBytes(static_cast<size_t>(layer.width), static_cast<size_t>(layer.height), 4), 0);
  const size_t count = static_cast<size_t>(layer.width) * static_cast<size_t>(layer.height);
  const size_t entries = colormap.size() / 3;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* src = layer.rows.data() + i * static_cast<size_t>(layer.channels);
    uint8_t* dst = rgba.rows.data() + i * 4;
    if (src[0] < entries) std::copy_n(colormap.data() + src[0] * 3, 3, dst);
    dst[3] = layer.hasAlpha ? src[1] : 255;
  }
  return FlattenRgba(rgba, width, height);
}

}  // namespace dorv::gimp

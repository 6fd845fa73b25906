// A layer's pixels placed on the image canvas as one frame: the layer's
// offsets and size clipped to the canvas, the rest of the canvas clear, the
// layer's opacity applied.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace dorv::gimp {

// One layer as GIMP hands it over: rows top first, tightly packed, with
// `channels` bytes a pixel whose last byte is alpha when hasAlpha.
struct LayerPixels {
  int32_t width = 0;
  int32_t height = 0;
  int32_t offsetX = 0;
  int32_t offsetY = 0;
  double opacity = 100.0;  // percent, as GIMP states it
  int channels = 4;        // RGBA: 4; index with alpha: 2; index alone: 1
  bool hasAlpha = true;
  std::vector<uint8_t> rows;
};

// RGBA rows of the canvas (width x height x 4 bytes) from an RGBA layer.
std::vector<uint8_t> FlattenRgba(const LayerPixels& layer, int32_t width, int32_t height);

// A palette frame: one index a pixel, and the index that stands for clear
// pixels (-1 when every pixel is opaque).
struct IndexedFrame {
  std::vector<uint8_t> indices;
  int32_t transparent = -1;
};

// The indices of the canvas from an indexed layer (1 or 2 channels) whose
// colour map has mapSize entries. Clear pixels (alpha 0 after the opacity, or
// canvas the layer does not cover) take the first index past the map, or,
// with a full map, an index no opaque pixel uses. nullopt when there is no
// such index, or when pixels are neither clear nor opaque: such a frame
// must be saved as RGBA instead.
std::optional<IndexedFrame> FlattenIndexed(const LayerPixels& layer, int32_t width, int32_t height,
                                           int mapSize);

// Expands indexed canvas rows to RGBA through a colour map of mapSize RGB
// triplets, for frames that fall back to RGBA.
std::vector<uint8_t> IndexedToRgba(const LayerPixels& layer, const std::vector<uint8_t>& colormap,
                                   int32_t width, int32_t height);

}  // namespace dorv::gimp

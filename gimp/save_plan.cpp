#include "gimp/save_plan.h"

#include <algorithm>
#include <stdexcept>

#include "gimp/layer_name.h"

namespace dorv::gimp {
namespace {

bool AllOpaque(const std::vector<uint8_t>& rgba) {
  for (size_t i = 3; i < rgba.size(); i += 4)
    if (rgba[i] != 255) return false;
  return true;
}

FramePicture RgbaPicture(std::vector<uint8_t> rgba, int32_t width, int32_t height, bool grey) {
  FramePicture picture;
  picture.width = width;
  picture.height = height;
  if (!AllOpaque(rgba)) {
    picture.format = DOV_PIXELS_RGBA;
    picture.pixels = std::move(rgba);
    return picture;
  }
  const size_t count = rgba.size() / 4;
  if (grey) {
    picture.format = DOV_PIXELS_GREY;
    picture.pixels.resize(count);
    for (size_t i = 0; i < count; ++i) picture.pixels[i] = rgba[i * 4];
    return picture;
  }
  picture.format = DOV_PIXELS_RGB;
  picture.pixels.resize(count * 3);
  for (size_t i = 0; i < count; ++i) std::copy_n(&rgba[i * 4], 3, &picture.pixels[i * 3]);
  return picture;
}

FramePicture IndexedPicture(const SaveSource& source, const LayerPixels& layer) {
  const int mapSize = static_cast<int>(std::min<size_t>(source.colormap.size() / 3, 256));
  std::optional<IndexedFrame> indexed = FlattenIndexed(layer, source.width, source.height, mapSize);
  if (!indexed) return RgbaPicture(IndexedToRgba(layer, source.colormap, source.width, source.height),
                                   source.width, source.height, false);
  FramePicture picture;
  picture.format = DOV_PIXELS_INDEXED;
  picture.width = source.width;
  picture.height = source.height;
  picture.pixels = std::move(indexed->indices);
  picture.transparent = indexed->transparent;
  // The map's colours, then black up to the clear index when it lies past
  // the map; at least one colour.
  const int entries = std::max({mapSize, indexed->transparent + 1, 1});
  picture.palette.assign(static_cast<size_t>(entries) * 3, 0);
  std::copy_n(source.colormap.begin(), static_cast<size_t>(mapSize) * 3, picture.palette.begin());
  return picture;
}

}  // namespace

std::vector<FramePicture> PlanFrames(const SaveSource& source) {
  if (source.layers.empty()) throw std::invalid_argument("the image has no layer to save");
  std::vector<FramePicture> pictures;
  pictures.reserve(source.layers.size());
  for (const SaveLayer& layer : source.layers) {
    FramePicture picture =
        source.base == ImageBase::Indexed
            ? IndexedPicture(source, layer.pixels)
            : RgbaPicture(FlattenRgba(layer.pixels, source.width, source.height), source.width, source.height,
                          source.base == ImageBase::Grey);
    picture.delayMs = DelayFromLayerName(layer.name).value_or(kDefaultDelayMilliseconds);
    pictures.push_back(std::move(picture));
  }
  return pictures;
}

int32_t DialogBitsPerPixel(ImageBase base, bool anyAlpha) {
  if (base != ImageBase::Rgb) return 8;
  return anyAlpha ? 32 : 24;
}

}  // namespace dorv::gimp

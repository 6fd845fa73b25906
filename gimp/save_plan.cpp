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

frames::Picture RgbaPicture(std::vector<uint8_t> rgba, int32_t width, int32_t height, bool grey) {
  frames::Picture picture;
  picture.Width = width;
  picture.Height = height;
  if (!AllOpaque(rgba)) {
    picture.Kind = frames::PictureKind::Rgba32;
    picture.Pixels = std::move(rgba);
    return picture;
  }
  const size_t count = rgba.size() / 4;
  if (grey) {
    picture.Kind = frames::PictureKind::Grey8;
    picture.Pixels.resize(count);
    for (size_t i = 0; i < count; ++i) picture.Pixels[i] = rgba[i * 4];
    return picture;
  }
  picture.Kind = frames::PictureKind::Rgb24;
  picture.Pixels.resize(count * 3);
  for (size_t i = 0; i < count; ++i) std::copy_n(&rgba[i * 4], 3, &picture.Pixels[i * 3]);
  return picture;
}

frames::Picture IndexedPicture(const SaveSource& source, const LayerPixels& layer) {
  const int mapSize = static_cast<int>(std::min<size_t>(source.colormap.size() / 3, 256));
  std::optional<IndexedFrame> indexed = FlattenIndexed(layer, source.width, source.height, mapSize);
  if (!indexed) return RgbaPicture(IndexedToRgba(layer, source.colormap, source.width, source.height),
                                   source.width, source.height, false);
  frames::Picture picture;
  picture.Kind = frames::PictureKind::Palette8;
  picture.Width = source.width;
  picture.Height = source.height;
  picture.Pixels = std::move(indexed->indices);
  picture.TransparentIndex = indexed->transparent;
  const int entries = std::max(mapSize, indexed->transparent + 1);
  picture.Palette.resize(static_cast<size_t>(std::max(entries, 1)));
  for (int i = 0; i < mapSize; ++i)
    picture.Palette[static_cast<size_t>(i)] = {source.colormap[i * 3], source.colormap[i * 3 + 1],
                                               source.colormap[i * 3 + 2]};
  return picture;
}

}  // namespace

std::vector<frames::Picture> PlanFrames(const SaveSource& source) {
  if (source.layers.empty()) throw std::invalid_argument("the image has no layer to save");
  std::vector<frames::Picture> pictures;
  pictures.reserve(source.layers.size());
  for (const SaveLayer& layer : source.layers) {
    frames::Picture picture =
        source.base == ImageBase::Indexed
            ? IndexedPicture(source, layer.pixels)
            : RgbaPicture(FlattenRgba(layer.pixels, source.width, source.height), source.width, source.height,
                          source.base == ImageBase::Grey);
    picture.DelayMilliseconds = DelayFromLayerName(layer.name).value_or(kDefaultDelayMilliseconds);
    pictures.push_back(std::move(picture));
  }
  return pictures;
}

int32_t DialogBitsPerPixel(ImageBase base, bool anyAlpha) {
  if (base != ImageBase::Rgb) return 8;
  return anyAlpha ? 32 : 24;
}

}  // namespace dorv::gimp

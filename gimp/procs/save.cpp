#include "gimp/procs/save.h"

#include <stdexcept>
#include <vector>

#include "gimp/encode_frames.h"
#include "gimp/procs/file_bytes.h"
#include "gimp/procs/pixel_io.h"

namespace dorv::gimp {
namespace {

// The image's layers, top first, as GIMP lists them.
std::vector<gint32> LayersOf(gint32 image) {
  gint count = 0;
  gint32* ids = gimp_image_get_layers(image, &count);
  std::vector<gint32> layers(ids, ids + (ids ? count : 0));
  g_free(ids);
  return layers;
}

std::string NameOf(gint32 layer) {
  gchar* name = gimp_item_get_name(layer);
  std::string text = name ? name : "";
  g_free(name);
  return text;
}

std::vector<uint8_t> ColormapOf(gint32 image) {
  gint colours = 0;
  guchar* map = gimp_image_get_colormap(image, &colours);
  std::vector<uint8_t> colormap(map, map + (map ? colours * 3 : 0));
  g_free(map);
  return colormap;
}

// A duplicate of the image that is deleted with this object.
class ImageCopy {
 public:
  explicit ImageCopy(gint32 image) : image_(gimp_image_duplicate(image)) {
    if (image_ == -1) throw std::runtime_error("the image could not be copied");
  }
  ~ImageCopy() { gimp_image_delete(image_); }
  ImageCopy(const ImageCopy&) = delete;
  ImageCopy& operator=(const ImageCopy&) = delete;
  gint32 get() const { return image_; }

 private:
  gint32 image_;
};

void WarnOfPrecision(gint32 image) {
  const GimpPrecision precision = gimp_image_get_precision(image);
  if (precision != GIMP_PRECISION_U8_GAMMA)
    gimp_message("The image has more than 8 bits a channel; it is saved with 8 bits a channel.");
}

}  // namespace

ImageBase BaseOf(gint32 image) {
  switch (gimp_image_base_type(image)) {
    case GIMP_GRAY: return ImageBase::Grey;
    case GIMP_INDEXED: return ImageBase::Indexed;
    default: return ImageBase::Rgb;
  }
}

bool AnyLayerHasAlpha(gint32 image) {
  for (gint32 layer : LayersOf(image))
    if (gimp_drawable_has_alpha(layer)) return true;
  return false;
}

void SaveDocument(gint32 image, const std::string& filename, const SaveOptions& options) {
  WarnOfPrecision(image);
  SaveSource source;
  source.base = BaseOf(image);
  source.width = gimp_image_width(image);
  source.height = gimp_image_height(image);
  const bool indexed = source.base == ImageBase::Indexed;
  if (indexed) source.colormap = ColormapOf(image);

  if (options.compositeOnly) {
    ImageCopy copy(image);
    const gint32 merged = gimp_image_merge_visible_layers(copy.get(), GIMP_CLIP_TO_IMAGE);
    if (merged == -1) throw std::runtime_error("the image has no visible layer to save");
    SaveLayer layer;
    // One frame of its own: the default delay, whatever the layers say.
    layer.pixels = GetLayerPixels(merged, indexed);
    source.layers.push_back(std::move(layer));
  } else {
    const std::vector<gint32> layers = LayersOf(image);
    for (auto it = layers.rbegin(); it != layers.rend(); ++it) {
      SaveLayer layer;
      layer.name = NameOf(*it);
      layer.pixels = GetLayerPixels(*it, indexed);
      source.layers.push_back(std::move(layer));
    }
  }

  const std::vector<FramePicture> pictures = PlanFrames(source);
  const auto compression = static_cast<dov_compression>(options.compression);
  if (StoredCompression(pictures, compression) != compression)
    gimp_message("Palette and grey frames cannot be saved lossy; the document is saved with zlib compression.");
  WriteWholeFile(filename, EncodeFrames(pictures, compression, options.quality).Bytes());
}

}  // namespace dorv::gimp

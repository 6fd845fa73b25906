#include "gimp/procs/load.h"

#include <stdexcept>

#include "gimp/load_plan.h"
#include "gimp/procs/file_bytes.h"
#include "gimp/procs/pixel_io.h"

namespace dorv::gimp {
namespace {

GimpImageType LayerType(const ImagePlan& plan, const LayerPlan& layer) {
  if (plan.indexed) return layer.hasAlpha ? GIMP_INDEXEDA_IMAGE : GIMP_INDEXED_IMAGE;
  return GIMP_RGBA_IMAGE;
}

// Deletes the image unless the load went through.
class ImageGuard {
 public:
  explicit ImageGuard(gint32 image) : image_(image) {}
  ~ImageGuard() {
    if (image_ != -1) gimp_image_delete(image_);
  }
  ImageGuard(const ImageGuard&) = delete;
  ImageGuard& operator=(const ImageGuard&) = delete;
  gint32 Release() {
    const gint32 image = image_;
    image_ = -1;
    return image;
  }

 private:
  gint32 image_;
};

}  // namespace

LoadResult LoadDocument(const std::string& filename, size_t frameLimit) {
  const std::vector<uint8_t> bytes = ReadWholeFile(filename);
  frames::ReadOptions options;
  options.Layers = false;
  frames::Document document;
  try {
    document = frames::ReadDocument(bytes, options);
  } catch (const frames::FramesError& e) {
    throw std::runtime_error("'" + filename + "' cannot be opened: " + e.what());
  }
  const ImagePlan plan = PlanImage(document, frameLimit);
  if (plan.layers.empty() || plan.width <= 0 || plan.height <= 0)
    throw std::runtime_error("'" + filename + "' holds no frame");

  const gint32 image = gimp_image_new(plan.width, plan.height, plan.indexed ? GIMP_INDEXED : GIMP_RGB);
  if (image == -1) throw std::runtime_error("GIMP refused an image of this size");
  ImageGuard owned(image);
  gimp_image_set_filename(image, filename.c_str());
  if (plan.indexed)
    gimp_image_set_colormap(image, plan.colormap.data(), static_cast<gint>(plan.colormap.size() / 3));

  // Each frame goes on top of the ones before it: the first frame is the
  // bottom layer.
  for (const LayerPlan& layer : plan.layers) {
    const gint32 id = gimp_layer_new(image, layer.name.c_str(), layer.width, layer.height, LayerType(plan, layer),
                                     100.0, GIMP_LAYER_MODE_NORMAL);
    if (id == -1 || !gimp_image_insert_layer(image, id, 0, 0))
      throw std::runtime_error("GIMP refused a layer of " + std::to_string(layer.width) + " x " +
                               std::to_string(layer.height));
    if (plan.indexed)
      SetLayerIndexed(id, layer.width, layer.height, layer.pixels);
    else
      SetLayerRgba(id, layer.width, layer.height, layer.pixels);
  }

  if (document.Damaged()) {
    const std::string text = "'" + filename + "' is damaged: " + std::to_string(document.Frames.size()) +
                             " of " + std::to_string(document.DeclaredFrames) +
                             " frames could be read in full (" + document.Messages + ")";
    gimp_message(text.c_str());
  }

  LoadResult result;
  result.width = plan.width;
  result.height = plan.height;
  result.frames = static_cast<gint32>(document.Frames.size());
  result.indexed = plan.indexed;
  result.image = owned.Release();
  return result;
}

}  // namespace dorv::gimp

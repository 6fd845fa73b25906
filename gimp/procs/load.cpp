#include "gimp/procs/load.h"

#include <stdexcept>

#include "gimp/load_plan.h"
#include "gimp/procs/file_bytes.h"
#include "gimp/procs/pixel_io.h"
#include "gimp/read_document.h"

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
  ImagePlan plan;
  dov_info info{};
  std::string damage;  // the reader's messages, kept past the decoder
  try {
    // The file's bytes and the decoder go before GIMP gets the pixels.
    const DecoderHandle decoder = ReadDocument(ReadWholeFile(filename));
    info = DocumentInfo(*decoder);
    if (info.damaged) damage = info.messages;
    info.messages = nullptr;
    plan = PlanImage(*decoder, frameLimit);
  } catch (const DocumentError& e) {
    throw std::runtime_error("'" + filename + "' cannot be opened: " + e.what());
  }
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

  if (info.damaged) {
    const std::string text = "'" + filename + "' is damaged: " + std::to_string(info.frame_count) + " of " +
                             std::to_string(info.frames_declared) + " frames could be read in full (" +
                             damage + ")";
    gimp_message(text.c_str());
  }

  LoadResult result;
  result.width = plan.width;
  result.height = plan.height;
  result.frames = static_cast<gint32>(info.frame_count);
  result.indexed = plan.indexed;
  result.image = owned.Release();
  return result;
}

}  // namespace dorv::gimp

#include "gimp/procs/pixel_io.h"

#include <stdexcept>

#include "gimp/checked_size.h"

namespace dorv::gimp {
namespace {

// Owns a GEGL buffer reference.
class Buffer {
 public:
  explicit Buffer(gint32 drawable) : buffer_(gimp_drawable_get_buffer(drawable)) {
    if (!buffer_) throw std::runtime_error("the layer's pixels cannot be reached");
  }
  ~Buffer() {
    gegl_buffer_flush(buffer_);
    g_object_unref(buffer_);
  }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
  GeglBuffer* get() const { return buffer_; }

 private:
  GeglBuffer* buffer_;
};

void SetPixels(gint32 layer, const Babl* format, int32_t width, int32_t height, size_t perPixel,
               const std::vector<uint8_t>& pixels) {
  if (width < 0 || height < 0) throw std::logic_error("a layer of negative size");
  const size_t need = CheckedPictureBytes(static_cast<size_t>(width), static_cast<size_t>(height), perPixel);
  if (pixels.size() < need) throw std::logic_error("too few pixels for the layer");
  Buffer buffer(layer);
  const GeglRectangle rect = {0, 0, width, height};
  gegl_buffer_set(buffer.get(), &rect, 0, format, pixels.data(), GEGL_AUTO_ROWSTRIDE);
}

}  // namespace

void SetLayerRgba(gint32 layer, int32_t width, int32_t height, const std::vector<uint8_t>& rgba) {
  SetPixels(layer, babl_format("R'G'B'A u8"), width, height, 4, rgba);
}

void SetLayerIndexed(gint32 layer, int32_t width, int32_t height, const std::vector<uint8_t>& pixels) {
  const Babl* format = gimp_drawable_get_format(layer);
  SetPixels(layer, format, width, height, static_cast<size_t>(babl_format_get_bytes_per_pixel(format)), pixels);
}

LayerPixels GetLayerPixels(gint32 layer, bool indexed) {
  LayerPixels pixels;
  pixels.width = gimp_drawable_width(layer);
  pixels.height = gimp_drawable_height(layer);
  gint x = 0, y = 0;
  gimp_drawable_offsets(layer, &x, &y);
  pixels.offsetX = x;
  pixels.offsetY = y;
  pixels.opacity = gimp_layer_get_opacity(layer);
  const Babl* format = indexed ? gimp_drawable_get_format(layer) : babl_format("R'G'B'A u8");
  pixels.channels = babl_format_get_bytes_per_pixel(format);
  pixels.hasAlpha = indexed ? gimp_drawable_has_alpha(layer) : true;
  if (pixels.width < 0 || pixels.height < 0 || pixels.channels <= 0)
    throw std::runtime_error("the layer's size or format cannot be read");
  pixels.rows.resize(CheckedPictureBytes(static_cast<size_t>(pixels.width), static_cast<size_t>(pixels.height),
                                         static_cast<size_t>(pixels.channels)));
  Buffer buffer(layer);
  const GeglRectangle rect = {0, 0, pixels.width, pixels.height};
  gegl_buffer_get(buffer.get(), &rect, 1.0, format, pixels.rows.data(), GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
  return pixels;
}

}  // namespace dorv::gimp

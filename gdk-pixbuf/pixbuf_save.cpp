#include "gdk-pixbuf/pixbuf_save.h"

#include <cstring>
#include <string>

namespace dovpixbuf {
namespace {

struct EncoderFree {
  void operator()(dov_encoder* e) const { dov_encoder_destroy(e); }
};
using Encoder = std::unique_ptr<dov_encoder, EncoderFree>;

constexpr int32_t kDefaultDelayMs = 100;

void Fail(GError** error, GdkPixbufError code, const std::string& message) {
  g_set_error_literal(error, GDK_PIXBUF_ERROR, code, message.c_str());
}

struct Sink {
  GdkPixbufSaveFunc write;
  gpointer user;
  GError** error;
};

int WriteSink(void* user, const uint8_t* data, size_t size) {
  auto* sink = static_cast<Sink*>(user);
  return sink->write(reinterpret_cast<const gchar*>(data), size, sink->error, sink->user) ? 1 : 0;
}

bool ParseOptions(gchar** keys, gchar** values, dov_compression* compression, int* quality, GError** error) {
  bool named = false;
  for (int i = 0; keys != nullptr && keys[i] != nullptr; ++i) {
    const std::string key = keys[i], value = values[i] != nullptr ? values[i] : "";
    if (key == "compression") {
      named = true;
      if (value == "zlib") *compression = DOV_COMPRESSION_ZLIB;
      else if (value == "none") *compression = DOV_COMPRESSION_NONE;
      else if (value == "lossy") *compression = DOV_COMPRESSION_LOSSY;
      else return Fail(error, GDK_PIXBUF_ERROR_BAD_OPTION, "compression must be zlib, none or lossy: " + value), false;
    } else if (key == "quality") {
      char* end = nullptr;
      const long q = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || q < 1 || q > 100)
        return Fail(error, GDK_PIXBUF_ERROR_BAD_OPTION, "quality must be 1 to 100: " + value), false;
      *quality = static_cast<int>(q);
    }
  }
  if (!named && *quality != 0) *compression = DOV_COMPRESSION_LOSSY;
  return true;
}

}  // namespace

gboolean Save(GdkPixbufSaveFunc write, gpointer user, GdkPixbuf* pixbuf, gchar** keys, gchar** values,
              GError** error) {
  dov_compression compression = DOV_COMPRESSION_ZLIB;
  int quality = 0;
  if (!ParseOptions(keys, values, &compression, &quality, error)) return FALSE;
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  if (gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 || (channels != 3 && channels != 4)) {
    Fail(error, GDK_PIXBUF_ERROR_UNSUPPORTED_OPERATION, "only 8-bit RGB and RGBA pixbufs can be saved");
    return FALSE;
  }
  dov_picture picture{};
  picture.format = channels == 4 ? DOV_PIXELS_RGBA : DOV_PIXELS_RGB;
  picture.width = static_cast<uint32_t>(gdk_pixbuf_get_width(pixbuf));
  picture.height = static_cast<uint32_t>(gdk_pixbuf_get_height(pixbuf));
  picture.pixels = gdk_pixbuf_read_pixels(pixbuf);
  picture.stride = static_cast<size_t>(gdk_pixbuf_get_rowstride(pixbuf));
  picture.transparent_index = -1;

  Encoder encoder(dov_encoder_create());
  if (!encoder) {
    Fail(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "out of memory");
    return FALSE;
  }
  Sink sink{write, user, error};
  if (dov_encoder_set_compression(encoder.get(), compression, quality) != DOV_OK ||
      dov_encoder_add_frame(encoder.get(), &picture, kDefaultDelayMs) != DOV_OK ||
      dov_encoder_write_callback(encoder.get(), WriteSink, &sink) != DOV_OK) {
    // The write callback may have set the error already.
    if (error == nullptr || *error == nullptr)
      Fail(error, GDK_PIXBUF_ERROR_FAILED, dov_encoder_error_message(encoder.get()));
    return FALSE;
  }
  return TRUE;
}

gboolean IsSaveOption(const gchar* key) {
  return key != nullptr && (std::strcmp(key, "compression") == 0 || std::strcmp(key, "quality") == 0);
}

}  // namespace dovpixbuf

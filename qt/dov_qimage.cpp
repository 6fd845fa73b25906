#include "qt/dov_qimage.h"

#include <QVector>
#include <algorithm>
#include <array>

#include "qt/dov_handles.h"

namespace dovqt {
namespace {

constexpr int32_t kDefaultDelayMs = 100;

QImage ReadIndexed(dov_decoder* decoder, uint32_t frame, int width, int height) {
  QImage image(width, height, QImage::Format_Indexed8);
  if (image.isNull()) return {};
  std::array<uint8_t, 1024> palette{};
  if (dov_decoder_frame_indexed(decoder, frame, image.bits(), static_cast<size_t>(image.bytesPerLine()),
                                static_cast<size_t>(image.sizeInBytes()), palette.data(), nullptr) != DOV_OK)
    return {};
  QVector<QRgb> table(256);
  for (int i = 0; i < 256; ++i)
    table[i] = qRgba(palette[4 * i], palette[4 * i + 1], palette[4 * i + 2], palette[4 * i + 3]);
  image.setColorTable(table);
  return image;
}

QImage ReadColour(dov_decoder* decoder, uint32_t frame, int width, int height) {
  // RGBA8888 is libdov's byte order; ARGB32 is what Qt programs expect.
  QImage image(width, height, QImage::Format_RGBA8888);
  if (image.isNull()) return {};
  if (dov_decoder_frame_rgba(decoder, frame, image.bits(), static_cast<size_t>(image.bytesPerLine()),
                             static_cast<size_t>(image.sizeInBytes())) != DOV_OK)
    return {};
  image.convertTo(QImage::Format_ARGB32);
  return image;
}

// An indexed picture keeps its palette when its colours are opaque but for
// at most one clear entry; otherwise no alpha may be lost, and it is
// written as RGBA.
bool KeepsPalette(const QImage& image, int32_t* transparent) {
  *transparent = -1;
  const QVector<QRgb> table = image.colorTable();
  if (table.isEmpty() || table.size() > 256) return false;
  for (int i = 0; i < table.size(); ++i) {
    const int alpha = qAlpha(table[i]);
    if (alpha == 255) continue;
    if (alpha != 0 || *transparent >= 0) return false;
    *transparent = i;
  }
  return true;
}

int WriteDevice(void* user, const uint8_t* data, size_t size) {
  auto* device = static_cast<QIODevice*>(user);
  while (size > 0) {
    const qint64 chunk = static_cast<qint64>(std::min<size_t>(size, size_t{1} << 30));
    const qint64 wrote = device->write(reinterpret_cast<const char*>(data), chunk);
    if (wrote <= 0) return 0;
    data += wrote;
    size -= static_cast<size_t>(wrote);
  }
  return 1;
}

bool Encode(const dov_picture& picture, Compression compression, QIODevice* device) {
  Encoder encoder(dov_encoder_create());
  return encoder && dov_encoder_set_compression(encoder.get(), compression.kind, compression.quality) == DOV_OK &&
         dov_encoder_add_frame(encoder.get(), &picture, kDefaultDelayMs) == DOV_OK &&
         dov_encoder_write_callback(encoder.get(), WriteDevice, device) == DOV_OK;
}

dov_picture PictureOf(const QImage& image, dov_pixel_format format) {
  dov_picture picture{};
  picture.format = format;
  picture.width = static_cast<uint32_t>(image.width());
  picture.height = static_cast<uint32_t>(image.height());
  picture.pixels = image.constBits();
  picture.stride = static_cast<size_t>(image.bytesPerLine());
  picture.transparent_index = -1;
  return picture;
}

}  // namespace

QImage ReadFrame(dov_decoder* decoder, uint32_t frame) {
  dov_frame_info info{};
  if (dov_decoder_get_frame_info(decoder, frame, &info) != DOV_OK) return {};
  // QImage counts pixels in int; larger frames are refused as Qt refuses them.
  if (info.width == 0 || info.height == 0 || info.width > INT32_MAX || info.height > INT32_MAX) return {};
  const int width = static_cast<int>(info.width), height = static_cast<int>(info.height);
  return info.indexed != 0 ? ReadIndexed(decoder, frame, width, height) : ReadColour(decoder, frame, width, height);
}

Compression ChooseCompression(int quality, int compressionRatio) {
  if (quality >= 0) return {DOV_COMPRESSION_LOSSY, std::clamp(quality, 1, 100)};
  if (compressionRatio == 0) return {DOV_COMPRESSION_NONE, 0};
  return {DOV_COMPRESSION_ZLIB, 0};
}

bool WriteImage(const QImage& source, Compression compression, QIODevice* device) {
  if (source.isNull()) return false;
  QImage image = source;
  if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB)
    image = image.convertToFormat(QImage::Format_Indexed8);
  int32_t transparent = -1;
  if (image.format() == QImage::Format_Indexed8 && KeepsPalette(image, &transparent)) {
    const QVector<QRgb> table = image.colorTable();
    std::array<uint8_t, 768> rgb{};
    for (int i = 0; i < table.size(); ++i) {
      rgb[3 * i] = static_cast<uint8_t>(qRed(table[i]));
      rgb[3 * i + 1] = static_cast<uint8_t>(qGreen(table[i]));
      rgb[3 * i + 2] = static_cast<uint8_t>(qBlue(table[i]));
    }
    dov_picture picture = PictureOf(image, DOV_PIXELS_INDEXED);
    picture.palette = rgb.data();
    picture.palette_size = static_cast<uint32_t>(table.size());
    picture.transparent_index = transparent;
    return Encode(picture, compression, device);
  }
  if (image.format() == QImage::Format_Grayscale16) image = image.convertToFormat(QImage::Format_Grayscale8);
  if (image.format() == QImage::Format_Grayscale8) return Encode(PictureOf(image, DOV_PIXELS_GREY), compression, device);
  if (image.hasAlphaChannel()) {
    image = image.convertToFormat(QImage::Format_RGBA8888);
    return !image.isNull() && Encode(PictureOf(image, DOV_PIXELS_RGBA), compression, device);
  }
  image = image.convertToFormat(QImage::Format_RGB888);
  return !image.isNull() && Encode(PictureOf(image, DOV_PIXELS_RGB), compression, device);
}

}  // namespace dovqt

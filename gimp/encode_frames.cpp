#include "gimp/encode_frames.h"

#include <new>
#include <stdexcept>
#include <string>

#include "gimp/checked_size.h"

namespace dorv::gimp {
namespace {

size_t BytesPerPixel(dov_pixel_format format) {
  switch (format) {
    case DOV_PIXELS_RGBA: return 4;
    case DOV_PIXELS_RGB: return 3;
    case DOV_PIXELS_GREY:
    case DOV_PIXELS_INDEXED: return 1;
    default: throw std::invalid_argument("a frame's pixel format is not one the plug-in writes");
  }
}

void ThrowUnlessOk(dov_error error, const dov_encoder& encoder) {
  if (error == DOV_OK) return;
  const std::string message = dov_encoder_error_message(&encoder);
  throw std::runtime_error(message.empty() ? dov_error_string(error) : message);
}

dov_picture PictureOf(const FramePicture& frame) {
  if (frame.width <= 0 || frame.height <= 0) throw std::invalid_argument("a frame has no pixels");
  const size_t stride = CheckedSizeMul(static_cast<size_t>(frame.width), BytesPerPixel(frame.format));
  // The encoder reads stride x height bytes: the rows must hold them.
  if (frame.pixels.size() != CheckedSizeMul(stride, static_cast<size_t>(frame.height)))
    throw std::invalid_argument("a frame's rows do not match its size");
  dov_picture picture{};
  picture.format = frame.format;
  picture.width = static_cast<uint32_t>(frame.width);
  picture.height = static_cast<uint32_t>(frame.height);
  picture.pixels = frame.pixels.data();
  picture.stride = stride;
  picture.transparent_index = -1;
  if (frame.format == DOV_PIXELS_INDEXED) {
    picture.palette = frame.palette.data();
    picture.palette_size = static_cast<uint32_t>(frame.palette.size() / 3);
    picture.transparent_index = frame.transparent;
  }
  return picture;
}

}  // namespace

dov_compression StoredCompression(std::span<const FramePicture> frames, dov_compression asked) {
  if (asked != DOV_COMPRESSION_LOSSY) return asked;
  for (const FramePicture& frame : frames)
    if (frame.format == DOV_PIXELS_INDEXED || frame.format == DOV_PIXELS_GREY) return DOV_COMPRESSION_ZLIB;
  return asked;
}

EncodedDocument EncodeFrames(std::span<const FramePicture> frames, dov_compression compression, int quality) {
  EncoderHandle encoder(dov_encoder_create());
  if (!encoder) throw std::bad_alloc();
  ThrowUnlessOk(dov_encoder_set_compression(encoder.get(), compression, quality), *encoder);
  for (const FramePicture& frame : frames) {
    const dov_picture picture = PictureOf(frame);
    ThrowUnlessOk(dov_encoder_add_frame(encoder.get(), &picture, frame.delayMs), *encoder);
  }
  uint8_t* data = nullptr;
  EncodedDocument document;
  const dov_error error = dov_encoder_write_memory(encoder.get(), &data, &document.size);
  document.data.reset(data);
  ThrowUnlessOk(error, *encoder);
  return document;
}

}  // namespace dorv::gimp

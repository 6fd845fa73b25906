#include "tools/webp_anim.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>

#ifdef DOVTOOL_WITH_WEBP
#include <webp/encode.h>
#include <webp/mux.h>
#endif

namespace dorv::tools {

#ifdef DOVTOOL_WITH_WEBP
namespace {

constexpr int32_t kMaxDurationMs = (1 << 24) - 1;

struct EncoderDeleter {
  void operator()(WebPAnimEncoder* e) const { WebPAnimEncoderDelete(e); }
};

struct Picture {
  WebPPicture pic;
  Picture() {
    if (!WebPPictureInit(&pic)) throw std::runtime_error("the WebP library does not match its headers");
  }
  ~Picture() { WebPPictureFree(&pic); }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
};

struct Data {
  WebPData data;
  Data() { WebPDataInit(&data); }
  ~Data() { WebPDataClear(&data); }
  Data(const Data&) = delete;
  Data& operator=(const Data&) = delete;
};

// The frame on the canvas: cut or padded with clear pixels.
std::vector<uint8_t> OnCanvas(const frames::RgbaImage& image, int32_t width, int32_t height) {
  if (image.Width == width && image.Height == height) return image.Pixels;
  std::vector<uint8_t> canvas(size_t(width) * size_t(height) * 4, 0);
  const size_t copyWidth = size_t(std::min(width, image.Width)) * 4;
  for (int32_t y = 0; y < std::min(height, image.Height); ++y)
    std::memcpy(canvas.data() + size_t(y) * size_t(width) * 4, image.Pixels.data() + size_t(y) * size_t(image.Width) * 4,
                copyWidth);
  return canvas;
}

}  // namespace

std::vector<uint8_t> EncodeLosslessAnimation(const std::vector<AnimFrame>& frames) {
  if (frames.empty()) throw std::runtime_error("no frame to write");
  const int32_t width = frames[0].picture.Width, height = frames[0].picture.Height;
  if (width <= 0 || height <= 0 || width > WEBP_MAX_DIMENSION || height > WEBP_MAX_DIMENSION)
    throw std::runtime_error("the picture is larger than a WebP picture can be (16383 x 16383)");

  WebPAnimEncoderOptions options;
  if (!WebPAnimEncoderOptionsInit(&options)) throw std::runtime_error("the WebP library does not match its headers");
  options.anim_params.loop_count = 0;  // for ever
  options.anim_params.bgcolor = 0;     // clear
  options.allow_mixed = 0;             // lossless throughout
  std::unique_ptr<WebPAnimEncoder, EncoderDeleter> encoder(WebPAnimEncoderNew(width, height, &options));
  if (!encoder) throw std::runtime_error("out of memory");

  WebPConfig config;
  if (!WebPConfigInit(&config)) throw std::runtime_error("the WebP library does not match its headers");
  config.lossless = 1;
  config.exact = 1;  // the colour of clear pixels is kept too
  config.method = 4;
  config.quality = 50;  // effort, for lossless

  int timestamp = 0;
  for (const AnimFrame& f : frames) {
    std::vector<uint8_t> rgba = OnCanvas(f.picture, width, height);
    Picture picture;
    picture.pic.use_argb = 1;
    picture.pic.width = width;
    picture.pic.height = height;
    if (!WebPPictureImportRGBA(&picture.pic, rgba.data(), width * 4)) throw std::runtime_error("out of memory");
    if (!WebPAnimEncoderAdd(encoder.get(), &picture.pic, timestamp, &config))
      throw std::runtime_error(std::string("WebP: ") + WebPAnimEncoderGetError(encoder.get()));
    const int32_t duration = std::clamp(f.durationMs, 0, kMaxDurationMs);
    if (timestamp > std::numeric_limits<int>::max() - duration)
      throw std::runtime_error("the animation is longer than WebP can time");
    timestamp += duration;
  }
  if (!WebPAnimEncoderAdd(encoder.get(), nullptr, timestamp, nullptr))
    throw std::runtime_error(std::string("WebP: ") + WebPAnimEncoderGetError(encoder.get()));
  Data out;
  if (!WebPAnimEncoderAssemble(encoder.get(), &out.data))
    throw std::runtime_error(std::string("WebP: ") + WebPAnimEncoderGetError(encoder.get()));
  return std::vector<uint8_t>(out.data.bytes, out.data.bytes + out.data.size);
}

#else

std::vector<uint8_t> EncodeLosslessAnimation(const std::vector<AnimFrame>&) {
  throw std::runtime_error("this dovtool was built without libwebp");
}

#endif

}  // namespace dorv::tools

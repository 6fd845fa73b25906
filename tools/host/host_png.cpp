#include "tools/host/host_png.h"

#include <stdexcept>

namespace dorv::host {

using namespace host_api;
using tools::PngColor;
using tools::PngImage;

namespace {

HostDocument Blank(int16_t mode, const PngImage& image, int16_t depth, int16_t planes) {
  HostDocument document;
  document.mode = mode;
  document.width = static_cast<int32_t>(image.width);
  document.height = static_cast<int32_t>(image.height);
  document.depth = depth;
  document.planes = planes;
  document.pixels.assign(document.ImageBytes(), 0);
  return document;
}

// Bitmaps store 1 for black, 1-bit grey pictures 1 for white.
void InvertBits(std::vector<uint8_t>& bytes) {
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(~b);
}

bool PaletteKeepsIndices(const PngImage& image) {
  int transparent = 0;
  for (const auto& entry : image.palette) {
    if (entry[3] == 0) ++transparent;
    else if (entry[3] != 255) return false;
  }
  return transparent <= 1;
}

}  // namespace

PngImage ToPng(const HostDocument& document) {
  PngImage image;
  image.width = static_cast<uint32_t>(document.width);
  image.height = static_cast<uint32_t>(document.height);
  image.rows = document.pixels;
  switch (document.mode) {
    case plugInModeBitmap:
      image.color = PngColor::Grey;
      image.bitDepth = 1;
      InvertBits(image.rows);
      break;
    case plugInModeGrayScale:
      image.color = document.planes >= 2 ? PngColor::GreyAlpha : PngColor::Grey;
      break;
    case plugInModeIndexedColor:
      image.color = PngColor::Palette;
      image.palette.resize(256);
      for (int i = 0; i < 256; ++i)
        image.palette[i] = {document.red[i], document.green[i], document.blue[i],
                            static_cast<uint8_t>(i == document.transparentIndex ? 0 : 255)};
      break;
    case plugInModeRGBColor:
      image.color = document.planes >= 4 ? PngColor::RGBA : PngColor::RGB;
      break;
    default:
      throw std::runtime_error("unsupported image mode " + std::to_string(document.mode));
  }
  if (document.mode != plugInModeBitmap && document.depth != 8)
    throw std::runtime_error("unsupported depth " + std::to_string(document.depth));
  const std::size_t channels = image.Channels();
  if (document.mode != plugInModeBitmap && channels != static_cast<std::size_t>(document.planes)) {
    // Keep the first planes only (e.g. grey and alpha of a wider document).
    std::vector<uint8_t> rows(image.RowBytes() * image.height);
    const std::size_t pixels = static_cast<std::size_t>(document.width) * document.height;
    for (std::size_t i = 0; i < pixels; ++i)
      for (std::size_t c = 0; c < channels; ++c)
        rows[i * channels + c] = document.pixels[i * document.planes + c];
    image.rows = std::move(rows);
  }
  return image;
}

HostDocument FromPng(const PngImage& image) {
  HostDocument document;
  switch (image.color) {
    case PngColor::Grey:
      if (image.bitDepth == 1) {
        document = Blank(plugInModeBitmap, image, 1, 1);
        document.pixels = image.rows;
        InvertBits(document.pixels);
      } else {
        document = Blank(plugInModeGrayScale, image, 8, 1);
        document.pixels = image.rows;
      }
      break;
    case PngColor::GreyAlpha:
      document = Blank(plugInModeGrayScale, image, 8, 2);
      document.pixels = image.rows;
      break;
    case PngColor::RGB:
      document = Blank(plugInModeRGBColor, image, 8, 3);
      document.pixels = image.rows;
      break;
    case PngColor::RGBA:
      document = Blank(plugInModeRGBColor, image, 8, 4);
      document.pixels = image.rows;
      break;
    case PngColor::Palette:
      if (PaletteKeepsIndices(image)) {
        document = Blank(plugInModeIndexedColor, image, 8, 1);
        document.pixels = image.rows;
        for (std::size_t i = 0; i < image.palette.size() && i < 256; ++i) {
          document.red[i] = image.palette[i][0];
          document.green[i] = image.palette[i][1];
          document.blue[i] = image.palette[i][2];
          if (image.palette[i][3] == 0) document.transparentIndex = static_cast<int32_t>(i);
        }
      } else {
        document = Blank(plugInModeRGBColor, image, 8, 4);
        for (std::size_t i = 0; i < image.rows.size(); ++i) {
          const uint8_t index = image.rows[i];
          const std::array<uint8_t, 4> entry =
              index < image.palette.size() ? image.palette[index] : std::array<uint8_t, 4>{};
          for (int c = 0; c < 4; ++c) document.pixels[i * 4 + c] = entry[c];
        }
      }
      break;
  }
  if (document.pixels.size() != document.ImageBytes())
    throw std::runtime_error("picture rows do not match its size");
  return document;
}

}  // namespace dorv::host

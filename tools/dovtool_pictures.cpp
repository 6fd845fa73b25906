#include "tools/dovtool_pictures.h"

#include <cstring>
#include <stdexcept>

namespace dorv::tools {

PngImage CompositeToPng(int32_t width, int32_t height, int32_t bpp, const std::vector<uint8_t>& pixels,
                    const std::array<uint8_t, 1024>& palette, int32_t transparent) {
  PngImage image;
  image.width = static_cast<uint32_t>(width);
  image.height = static_cast<uint32_t>(height);
  image.bitDepth = 8;
  if (bpp == 8) {
    image.color = PngColor::Palette;
    image.palette.resize(256);
    for (size_t i = 0; i < 256; ++i) {
      const uint8_t* e = &palette[i * 4];
      const uint8_t alpha = static_cast<int32_t>(i) == transparent ? 0 : 255;
      image.palette[i] = {e[0], e[1], e[2], alpha};
    }
    image.rows = pixels;
    return image;
  }
  image.color = PngColor::RGBA;
  image.rows = pixels;
  return image;
}

PngImage ToPng(const DovPicture& p) {
  return CompositeToPng(p.width, p.height, p.bpp, p.pixels, p.palette, p.transparent);
}

PngImage ToPng(const frames::Composite& c) {
  return CompositeToPng(c.Width, c.Height, c.Bpp, c.Pixels, c.Palette, c.TransparentIndex);
}

PngImage ToPng(const frames::RgbaImage& image) {
  PngImage png;
  png.width = static_cast<uint32_t>(image.Width);
  png.height = static_cast<uint32_t>(image.Height);
  png.color = PngColor::RGBA;
  png.rows = image.Pixels;
  return png;
}

bool PaletteNeedsAlpha(const PngImage& png) {
  if (png.color != PngColor::Palette) return false;
  size_t clear = 0;
  for (const auto& e : png.palette) {
    if (e[3] == 0) ++clear;
    else if (e[3] != 255) return true;
  }
  return clear > 1;
}

PngImage ToRgbaPng(const PngImage& png) {
  PngImage out;
  out.width = png.width;
  out.height = png.height;
  out.color = PngColor::RGBA;
  out.rows.resize(size_t{png.width} * png.height * 4);
  const size_t stride = png.RowBytes();
  for (size_t y = 0; y < png.height; ++y) {
    const uint8_t* row = png.rows.data() + stride * y;
    uint8_t* o = out.rows.data() + size_t{png.width} * 4 * y;
    for (size_t x = 0; x < png.width; ++x, o += 4) {
      switch (png.color) {
        case PngColor::Palette: {
          static constexpr std::array<uint8_t, 4> kMissing{0, 0, 0, 255};
          const auto& e = row[x] < png.palette.size() ? png.palette[row[x]] : kMissing;
          std::memcpy(o, e.data(), 4);
          break;
        }
        case PngColor::Grey: {
          const uint8_t g = png.bitDepth == 1 ? (((row[x / 8] >> (7 - x % 8)) & 1) ? 255 : 0) : row[x];
          o[0] = o[1] = o[2] = g;
          o[3] = 255;
          break;
        }
        case PngColor::GreyAlpha:
          o[0] = o[1] = o[2] = row[2 * x];
          o[3] = row[2 * x + 1];
          break;
        case PngColor::RGB:
          std::memcpy(o, row + 3 * x, 3);
          o[3] = 255;
          break;
        case PngColor::RGBA: std::memcpy(o, row + 4 * x, 4); break;
      }
    }
  }
  return out;
}

frames::Picture ToFramePicture(const PngImage& source) {
  frames::Picture p;
  p.Width = static_cast<int32_t>(source.width);
  p.Height = static_cast<int32_t>(source.height);
  const bool rgba = source.color == PngColor::GreyAlpha || PaletteNeedsAlpha(source) ||
                    (source.color == PngColor::Palette && source.palette.size() > 256);
  if (rgba || source.color == PngColor::RGBA) {
    p.Kind = frames::PictureKind::Rgba32;
    p.Pixels = source.color == PngColor::RGBA ? source.rows : ToRgbaPng(source).rows;
    return p;
  }
  switch (source.color) {
    case PngColor::Palette:
      p.Kind = frames::PictureKind::Palette8;
      p.Pixels = source.rows;
      for (size_t i = 0; i < source.palette.size(); ++i) {
        const auto& e = source.palette[i];
        p.Palette.push_back({e[0], e[1], e[2]});
        if (e[3] == 0) p.TransparentIndex = static_cast<int32_t>(i);
      }
      break;
    case PngColor::Grey:
      p.Kind = frames::PictureKind::Grey8;
      if (source.bitDepth == 1) {
        p.Pixels.resize(size_t{source.width} * source.height);
        const size_t stride = source.RowBytes();
        for (size_t y = 0; y < source.height; ++y)
          for (size_t x = 0; x < source.width; ++x)
            p.Pixels[y * source.width + x] = ((source.rows[y * stride + x / 8] >> (7 - x % 8)) & 1) ? 255 : 0;
      } else {
        p.Pixels = source.rows;
      }
      break;
    case PngColor::RGB:
      p.Kind = frames::PictureKind::Rgb24;
      p.Pixels = source.rows;
      break;
    default: throw std::runtime_error("unexpected picture layout");
  }
  return p;
}

}  // namespace dorv::tools

// A layer alone, and composites, as straight RGBA.
#include "converter/core/checked.h"
#include "converter/dibsfc/dibsfc.h"
#include "converter/dibsfc/pixel_access.h"
#include "converter/dorvs/framelist.h"
#include "libdov/document/document.h"

namespace dorv::frames {
namespace {

std::vector<uint8_t> RgbaRows(int32_t width, int32_t height) {
  return std::vector<uint8_t>(static_cast<size_t>(
      CheckedMul(CheckedMul(static_cast<uint64_t>(width), 4), static_cast<uint64_t>(height))));
}

// One row of the layer: colour(value) gives red, green and blue of a stored
// pixel value; the key and the alpha row (when there is one) give alpha.
template <int32_t Bits, typename Colour>
void LayerRow(const uint8_t* row, const uint8_t* alpha, int64_t key, size_t width, uint8_t* out,
              const Colour& colour) {
  for (size_t x = 0; x < width; ++x, out += 4) {
    const uint32_t v = pixel::Get(row, static_cast<int64_t>(x), Bits);
    const TRGB c = colour(v);
    out[0] = c.R;
    out[1] = c.G;
    out[2] = c.B;
    out[3] = (key >= 0 && v == static_cast<uint64_t>(key)) ? 0 : alpha != nullptr ? alpha[x] : 255;
  }
}

template <int32_t Bits>
void LayerRows(const TDIBSurface& s, int64_t key, RgbaImage& out) {
  const TDIBSurface* alpha = s.AlphaPlane();
  const size_t w = static_cast<size_t>(s.Width());
  const auto eachRow = [&](const auto& colour) {
    for (int32_t y = 0; y < s.Height(); ++y)
      LayerRow<Bits>(s.RowReadOnly(y), alpha != nullptr ? alpha->RowReadOnly(y) : nullptr, key, w,
                     out.Pixels.data() + 4 * w * static_cast<size_t>(y), colour);
  };
  if constexpr (Bits <= 8) {
    eachRow([&](uint32_t v) {
      const TPaletteEntry& e = s.Palette[v & 0xFF];
      return TRGB{e.Red, e.Green, e.Blue};
    });
  } else if constexpr (Bits == 16) {
    eachRow([&](uint32_t v) { return s.PixelToColor(v, true); });
  } else {
    eachRow([](uint32_t v) {
      return TRGB{static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
    });
  }
}

}  // namespace

RgbaImage Document::LayerRgba(size_t frame, size_t layer) const {
  if (list_ == nullptr || frame >= Frames.size()) throw FramesError("no such frame");
  const TDorvFrame& f = list_->GetFrame(static_cast<int>(frame));
  if (layer >= Frames[frame].Layers.size()) throw FramesError("no such layer");
  const TDorvLayer& l = f.Layer(static_cast<int>(layer));
  const TDIBSurface& s = l.Surface;
  if (s.IsEmpty()) throw FramesError("the layer holds no pixels");
  if (const TDIBSurface* a = s.AlphaPlane(); a != nullptr && (a->Width() != s.Width() || a->Height() != s.Height()))
    throw FramesError("the layer's alpha plane does not match its size");
  RgbaImage out;
  out.Width = s.Width();
  out.Height = s.Height();
  out.Pixels = RgbaRows(out.Width, out.Height);
  const int64_t key = l.TransColor;
  switch (s.BitCount()) {
    case 1: LayerRows<1>(s, key, out); break;
    case 4: LayerRows<4>(s, key, out); break;
    case 8: LayerRows<8>(s, key, out); break;
    case 16: LayerRows<16>(s, key, out); break;
    case 24: LayerRows<24>(s, key, out); break;
    case 32: LayerRows<32>(s, key, out); break;
    default: throw FramesError("the layer has an unknown depth");
  }
  return out;
}

void CompositeToRgbaRows(const Composite& c, uint8_t* out, size_t stride) {
  const size_t w = static_cast<size_t>(c.Width);
  for (size_t y = 0; y < static_cast<size_t>(c.Height); ++y) {
    uint8_t* o = out + stride * y;
    if (c.Bpp == 8) {
      const uint8_t* row = c.Pixels.data() + w * y;
      for (size_t x = 0; x < w; ++x, o += 4) {
        const uint8_t* e = &c.Palette[size_t{row[x]} * 4];
        o[0] = e[2];
        o[1] = e[1];
        o[2] = e[0];
        o[3] = row[x] == c.TransparentIndex ? 0 : 255;
      }
    } else {
      const uint8_t* p = c.Pixels.data() + 4 * w * y;
      for (size_t x = 0; x < w; ++x, o += 4, p += 4) {
        o[0] = p[2];
        o[1] = p[1];
        o[2] = p[0];
        o[3] = p[3];
      }
    }
  }
}

RgbaImage CompositeToRgba(const Composite& c) {
  RgbaImage out;
  out.Width = c.Width;
  out.Height = c.Height;
  out.Pixels = RgbaRows(c.Width, c.Height);
  const size_t n = out.Pixels.size() / 4;
  if (c.Pixels.size() < n * (c.Bpp == 8 ? 1 : 4)) throw FramesError("the composite is shorter than its size");
  CompositeToRgbaRows(c, out.Pixels.data(), 4 * static_cast<size_t>(c.Width));
  return out;
}

}  // namespace dorv::frames

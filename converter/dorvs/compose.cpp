#include "converter/dorvs/compose.h"

#include "converter/dibsfc/dibsfc.h"
#include "converter/dorvs/layer.h"

namespace dorv {
namespace {

bool CoversWhole(const TDIBSurface& composite, const TDIBSurface& layer) {
  return layer.Width() == composite.Width() && layer.Height() == composite.Height() &&
         layer.BitCount() == composite.BitCount() && layer.Depth() == composite.Depth();
}

// A copy of the whole layer onto a composite of its size and depth: the
// composite takes over the layer's pixel store (shared until either is
// written) and keeps its own palette. Every pixel the composite shows is the
// layer's, exactly as a row copy would leave them.
void TakeOver(TDIBSurface& composite, TDorvLayer& layer) {
  const TPalette palette = composite.Palette;
  layer.Surface.Palette = palette;
  layer.Surface.CommitPalette();
  composite.Assign(&layer.Surface);
  composite.Palette = palette;
}

// A layer drawn as it is: every pixel of it, at full strength.
bool DrawsOpaque(const TDorvLayer& layer, bool bottom, bool notFillBG) {
  return (layer.TransColor < 0 || (bottom && notFillBG)) && layer.Alpha >= 255;
}

}  // namespace

void FillBackground(TDIBSurface& composite, int32_t bgColor) {
  const auto bg = static_cast<uint32_t>(bgColor);
  const uint32_t value = composite.ColorToPixel(static_cast<uint8_t>(bg), static_cast<uint8_t>(bg >> 8),
                                                static_cast<uint8_t>(bg >> 16));
  // Fresh stores are zero-filled: a background of pixel value 0 is there
  // already, and writing it would only touch every page of a store that the
  // bottom layer often replaces.
  if (value == 0) return;
  composite.FillRect(composite.BoundsRect(), value);
}

bool ReplacesComposite(const TDIBSurface& composite, const TDorvLayer& layer, int stackIndex,
                       bool bottom, bool notFillBG) {
  const TDIBSurface& src = layer.Surface;
  if (!layer.Visible) return false;
  if (src.AlphaPlane() != nullptr && layer.AlphaOn && stackIndex > 0) return false;
  return DrawsOpaque(layer, bottom, notFillBG) && CoversWhole(composite, src);
}

void ComposeLayer(TDIBSurface& composite, TDorvLayer& layer, int stackIndex, bool& bottom,
                  bool notFillBG) {
  if (!layer.Visible) return;
  TDIBSurface& src = layer.Surface;
  const TDIBSurface* alpha = src.AlphaPlane();

  if (bottom && alpha != nullptr && layer.AlphaOn) composite.CopyAlphaFrom(*alpha);

  if (alpha != nullptr && layer.AlphaOn && stackIndex > 0) {
    composite.DrawWithAlpha(0, 0, 255, src.BoundsRect(), src);
  } else if (DrawsOpaque(layer, bottom, notFillBG)) {
    if (CoversWhole(composite, src)) {
      TakeOver(composite, layer);
    } else {
      composite.CopyFrom(0, 0, src);
    }
  } else {
    composite.DrawBlended(0, 0, layer.Alpha, layer.TransColor, src.BoundsRect(), src);
  }
  bottom = false;
}

}  // namespace dorv

// TDIBSurface: a TDIB with an optional 8-bit alpha plane, a clip rectangle
// and the drawing, blending and depth-conversion operations used to compose
// frames and to hand images to the host.
#pragma once

#include <memory>

#include "converter/dibsfc/dib.h"

namespace dorv {

class TDIBSurface : public TDIB {
 public:
  TDIBSurface();
  ~TDIBSurface() override;

  void Reset() override;
  void Allocate(int32_t width, int32_t height, int32_t depth) override;

  // Alpha plane: an 8-bit surface of the same size, or none.
  TDIBSurface* AlphaPlane() { return alpha_.get(); }
  const TDIBSurface* AlphaPlane() const { return alpha_.get(); }
  void EnsureAlpha();
  void DropAlpha();

  // Colour <-> pixel value for this surface's depth.
  uint32_t ColorToPixel(uint8_t r, uint8_t g, uint8_t b) const;
  TRGB PixelToColor(uint32_t value, bool expand) const;
  // Nearest committed palette entry (squared RGB distance, lowest index on ties).
  uint32_t NearestPaletteIndex(uint8_t r, uint8_t g, uint8_t b) const;

  void FillRect(TRect rect, uint32_t value);
  void CopyRect(int32_t x, int32_t y, TRect source, const TDIBSurface& src);
  void CopyFrom(int32_t x, int32_t y, const TDIBSurface& src);
  void DrawKeyed(int32_t x, int32_t y, int32_t key, TRect source, const TDIBSurface& src);
  void DrawBlended(int32_t x, int32_t y, int32_t opacity, int32_t key, TRect source,
                   const TDIBSurface& src);
  void DrawWithAlpha(int32_t x, int32_t y, int32_t opacity, TRect source, const TDIBSurface& src);
  void DrawConverted(int32_t x, int32_t y, int32_t key, const TDIBSurface& src);
  // Independent copy of size, depth, palette, pixels and alpha plane.
  void AssignSurface(const TDIBSurface& src);
  void CopyAlphaFrom(const TDIBSurface& plane);
  void SetAlphaOpaque();

  // To 32 bits (limit ignored) or palette widening (4 -> 8 with limit 256).
  void ConvertDepth(int32_t targetBits, int32_t colorLimit);

 private:
  std::unique_ptr<TDIBSurface> alpha_;
};

}  // namespace dorv

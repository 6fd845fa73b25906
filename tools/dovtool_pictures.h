// Pictures between the converter's forms and PNG.
#pragma once

#include "tools/dov_document.h"
#include "tools/dovtool_dov.h"
#include "tools/png_io.h"

namespace dorv::tools {

// 8-bit composites become a palette PNG with all 256 entries, the transparent
// index fully transparent; 32-bit ones (straight RGBA) an RGBA PNG.
PngImage CompositeToPng(int32_t width, int32_t height, int32_t bpp, const std::vector<uint8_t>& pixels,
                    const std::array<uint8_t, 1024>& palette, int32_t transparent);
PngImage ToPng(const DovPicture& picture);
PngImage ToPng(const frames::Composite& composite);
PngImage ToPng(const frames::RgbaImage& image);

// A PNG as a picture of the multi-frame writer. A palette whose
// transparency is more than one clear entry becomes RGBA.
frames::Picture ToFramePicture(const PngImage& png);

// A palette with alpha that a single transparent index cannot carry.
bool PaletteNeedsAlpha(const PngImage& png);
// The picture as straight RGBA (palette, grey and 1-bit grey resolved).
PngImage ToRgbaPng(const PngImage& png);

}  // namespace dorv::tools

// Whole layers in and out of GIMP's pixel buffers.
#pragma once

#include <libgimp/gimp.h>

#include <cstdint>
#include <vector>

#include "gimp/flatten.h"

namespace dorv::gimp {

// Sets all of a layer's pixels: 8-bit straight RGBA rows, or indices (with
// an alpha byte each when the layer has alpha) in the layer's own format.
void SetLayerRgba(gint32 layer, int32_t width, int32_t height, const std::vector<uint8_t>& rgba);
void SetLayerIndexed(gint32 layer, int32_t width, int32_t height, const std::vector<uint8_t>& pixels);

// A layer's pixels with its size, offsets and opacity, as 8-bit straight
// RGBA, or as indices (+ alpha) when indexed is set. GIMP converts other
// precisions to 8 bits on the way.
LayerPixels GetLayerPixels(gint32 layer, bool indexed);

}  // namespace dorv::gimp

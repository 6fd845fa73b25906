// The composition rule shared by the current and the legacy readers: each
// visible layer, right after it is read, is drawn onto the frame composite.
#pragma once

#include <cstdint>

namespace dorv {

class TDIBSurface;
class TDorvLayer;

// Fills a composite fresh from Allocate with the background colour
// (0x00BBGGRR).
void FillBackground(TDIBSurface& composite, int32_t bgColor);
// stackIndex: the layer's position in the frame (0 = bottom). bottom is true
// until the first visible layer has been drawn.
void ComposeLayer(TDIBSurface& composite, TDorvLayer& layer, int stackIndex, bool& bottom,
                  bool notFillBG);
// Whether ComposeLayer, called with the same arguments, replaces every pixel
// of the composite by the layer's (so that what was drawn before is never
// seen).
bool ReplacesComposite(const TDIBSurface& composite, const TDorvLayer& layer, int stackIndex,
                       bool bottom, bool notFillBG);

}  // namespace dorv

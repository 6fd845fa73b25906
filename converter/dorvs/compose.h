// The composition rule shared by the current and the legacy readers: each
// visible layer, right after it is read, is drawn onto the frame composite.
#pragma once

namespace dorv {

class TDIBSurface;
class TDorvLayer;

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

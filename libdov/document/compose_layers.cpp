// A frame composed again of a chosen set of its layers.
#include <cstring>

#include "converter/dibsfc/dibsfc.h"
#include "converter/dorvs/compose.h"
#include "converter/dorvs/framelist.h"
#include "libdov/document/document.h"

namespace dorv::frames {
namespace {

// Shows a layer for one composition and gives it back its own visibility.
class ShownFor {
 public:
  ShownFor(TDorvLayer& layer, bool shown) : layer_(layer), was_(layer.Visible) { layer.Visible = shown; }
  ~ShownFor() { layer_.Visible = was_; }
  ShownFor(const ShownFor&) = delete;
  ShownFor& operator=(const ShownFor&) = delete;

 private:
  TDorvLayer& layer_;
  bool was_;
};

}  // namespace

Composite Document::ComposeLayers(size_t frame, std::span<const uint8_t> shown, const TRunner& runner) const {
  if (list_ == nullptr || frame >= Frames.size()) throw FramesError("no such frame", FramesError::Kind::Argument);
  const FrameInfo& info = Frames[frame];
  TDorvFrame& f = list_->GetFrame(static_cast<int>(frame));
  const int layers = static_cast<int>(info.Layers.size());
  if (f.LayerCount() < layers) throw FramesError("the frame's layers were not kept", FramesError::Kind::Argument);
  // A frame without layers shows its background alone, whatever is chosen.
  if (layers == 0) return MakeComposite(frame, runner);
  try {
    TDIBSurface s;
    s.Allocate(info.Width, info.Height, info.Depth);
    // The frame's palette as read: the frame's own composite may have been
    // converted since, and a legacy frame's layers need not carry it.
    if (info.Depth <= 8) {
      std::memcpy(s.Palette.data(), palettes_[frame].data(), sizeof(s.Palette));
      s.CommitPalette();
    }
    FillBackground(s, BGColor);
    bool bottom = true;
    for (int i = 0; i < layers; ++i) {
      const bool on = static_cast<size_t>(i) < shown.size() && shown[static_cast<size_t>(i)] != 0;
      if (!on) continue;  // as a hidden layer: neither drawn nor the bottom
      TDorvLayer& layer = f.Layer(i);
      ShownFor visible(layer, true);
      ComposeLayer(s, layer, i, bottom, NotFillBG);
    }
    return BlockComposite(s, f.TransColor, runner);
  } catch (...) {
    RethrowAsFramesError();
  }
}

}  // namespace dorv::frames

// TDorvFrame: one picture of the animation: its layers (bottom first) and the
// composite of the visible ones over the document's background.
#pragma once

#include <memory>
#include <vector>

#include "converter/dorvs/layer.h"

namespace dorv {

class TDorvFrame {
 public:
  TDIBSurface Surface;  // the composite
  std::string Name;
  int32_t TransColor = -1;
  // The editor shows a new frame for 100 units unless told otherwise.
  static constexpr int32_t kDefaultDelay = 100;
  int32_t Delay = kDefaultDelay;
  uint8_t Disposal = 0;

  int LayerCount() const { return static_cast<int>(layers_.size()); }
  // Layers read in full and drawn into the composite. A read that fails
  // inside a layer leaves that last layer out of this count.
  int ComposedLayers = 0;
  // Raises "List index out of bounds (%d)" outside 0 to LayerCount() - 1.
  TDorvLayer& Layer(int index) const;
  TDorvLayer& AddLayer();
  void Clear() { layers_.clear(); }

  // Size and depth: those of the first layer's surface, else the composite's.
  int32_t FrameWidth() const { return SizedBy().Width(); }
  int32_t FrameHeight() const { return SizedBy().Height(); }
  int32_t FrameDepth() const { return SizedBy().Depth(); }

  void ReadXml(const TXmlElement& element, TStream& input, const TReadContext& ctx);
  // The context's rows, when given, show the composite's pixels. Planes
  // made from them do not read the composite, whose stores a saver then
  // need not fill.
  void WriteXml(TXmlElement& element, TPieceList& dataOut, const TSaveContext& ctx) const;

 private:
  const TDIBSurface& SizedBy() const { return layers_.empty() ? Surface : layers_.front()->Surface; }
  std::vector<std::unique_ptr<TDorvLayer>> layers_;
};

}  // namespace dorv

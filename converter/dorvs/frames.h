// The frames of a document, in order. The document owns them; a read adds
// to them, and block copies look up the frames read so far.
#pragma once

#include <memory>
#include <vector>

#include "converter/dorvs/frame.h"

namespace dorv {

class TFrames {
 public:
  int Count() const { return static_cast<int>(frames_.size()); }
  TDorvFrame& Add();
  // Raises "Error:TDorvFrameList.GetFrame" outside 0 to Count() - 1.
  TDorvFrame& Get(int index) const;
  void Clear() { frames_.clear(); }
  // Drops every frame's layers, keeping the composites.
  void ReleaseLayers();

 private:
  std::vector<std::unique_ptr<TDorvFrame>> frames_;
};

}  // namespace dorv

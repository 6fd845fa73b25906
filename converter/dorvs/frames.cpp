#include "converter/dorvs/frames.h"

#include "converter/core/errors.h"
#include "converter/core/messages.h"

namespace dorv {

TDorvFrame& TFrames::Add() {
  frames_.push_back(std::make_unique<TDorvFrame>());
  return *frames_.back();
}

TDorvFrame& TFrames::Get(int index) const {
  if (index < 0 || index >= Count()) throw EListError(msg::kGetFrame);
  return *frames_[static_cast<size_t>(index)];
}

void TFrames::ReleaseLayers() {
  for (auto& f : frames_) f->Clear();
}

}  // namespace dorv

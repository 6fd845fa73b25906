#include "converter/dibsfc/dibsfc.h"

namespace dorv {

TDIBSurface::TDIBSurface() = default;
TDIBSurface::~TDIBSurface() = default;

void TDIBSurface::Reset() {
  TDIB::Reset();
  DropAlpha();
}

void TDIBSurface::Allocate(int32_t width, int32_t height, int32_t depth) {
  // The alpha plane follows the colour surface. A plane of a new size is
  // built before anything changes, so a failure leaves both as they were.
  std::unique_ptr<TDIBSurface> resized;
  if (alpha_ && width > 0 && height > 0 &&
      (alpha_->Width() != width || alpha_->Height() != height)) {
    resized = std::make_unique<TDIBSurface>();
    resized->Allocate(width, height, 8);
  }
  TDIB::Allocate(width, height, depth);
  if (resized && alpha_) alpha_ = std::move(resized);
}

void TDIBSurface::EnsureAlpha() {
  if (!alpha_) alpha_ = std::make_unique<TDIBSurface>();
  if (alpha_->Width() != Width() || alpha_->Height() != Height()) {
    auto plane = std::make_unique<TDIBSurface>();
    plane->Allocate(Width(), Height(), 8);
    alpha_ = std::move(plane);
  }
}

void TDIBSurface::DropAlpha() { alpha_.reset(); }

}  // namespace dorv

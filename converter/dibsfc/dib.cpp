#include "converter/dibsfc/dib.h"

#include <cstring>

#include "converter/core/call_limits.h"
#include "converter/core/errors.h"
#include "converter/core/limits.h"
#include "converter/core/messages.h"
#include "converter/dibsfc/pixel_access.h"

namespace dorv {

const TPalette& GreyRampPalette() {
  static const TPalette ramp = [] {
    TPalette p{};
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<uint8_t>(i);
      p[i] = TPaletteEntry{v, v, v, 0};
    }
    return p;
  }();
  return ramp;
}

int64_t DIBRowBytes(int64_t width, int64_t bitCount) {
  if (width <= 0 || bitCount <= 0) return 0;
  return ((bitCount * width + 31) / 32) * 4;
}

namespace {

void CheckFormat(int32_t bitCount, const TPixelLayout& layout) {
  switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
    case 32:
      if (!layout.SameMasks(kLayout888)) throw EInvalidGraphicOperation(msg::kInvalidPixelFormat);
      return;
    case 16:
      if (!layout.SameMasks(kLayout555) && !layout.SameMasks(kLayout565))
        throw EInvalidGraphicOperation(msg::kInvalidPixelFormat);
      return;
    default:
      throw EInvalidGraphicOperation(FormatMessage(msg::kInvalidBitCount, bitCount));
  }
}

}  // namespace

std::shared_ptr<TDIBSharedImage> TDIBSharedImage::Build(int32_t width, int32_t height,
                                                        int32_t bitCount, const TPalette& palette,
                                                        const TPixelLayout& layout) {
  return Borrow(width, height, bitCount, palette, layout, nullptr, false);
}

std::shared_ptr<TDIBSharedImage> TDIBSharedImage::Borrow(int32_t width, int32_t height, int32_t bitCount,
                                                         const TPalette& palette, const TPixelLayout& layout,
                                                         const uint8_t* rows, bool writable) {
  CheckFormat(bitCount, layout);
  auto store = std::make_shared<TDIBSharedImage>();
  store->Palette = palette;
  store->Layout = layout;
  if (width <= 0 || height <= 0) return store;  // empty, no pixels

  // Everything in 64 bits, refused before any memory is reserved.
  const uint64_t pixels = uint64_t(width) * uint64_t(height);
  if (pixels > limits::kMaxSurfacePixels) throw EOutOfMemory(msg::kOutOfMemory);
  CheckSurfacePixels(pixels);
  const int64_t rowBytes = DIBRowBytes(width, bitCount);
  const uint64_t size = CheckedMul(static_cast<uint64_t>(rowBytes), static_cast<uint64_t>(height));
  if (rows != nullptr) {
    store->Pixels = Block(const_cast<uint8_t*>(rows), BlockDeleter{0, true});
    store->Borrowed = !writable;
  } else {
    store->Pixels = AllocateDenseBlock(size);
  }
  store->BitCount = bitCount;
  store->Width = width;
  store->Height = height;
  store->RowBytes = static_cast<int32_t>(rowBytes);
  store->Size = size;
  return store;
}

const std::shared_ptr<TDIBSharedImage>& TDIBSharedImage::Empty() {
  static const std::shared_ptr<TDIBSharedImage> empty = [] {
    auto s = std::make_shared<TDIBSharedImage>();
    s->Palette = GreyRampPalette();
    return s;
  }();
  return empty;
}

std::shared_ptr<TDIBSharedImage> TDIBSharedImage::Clone() const {
  auto copy = std::make_shared<TDIBSharedImage>();
  copy->BitCount = BitCount;
  copy->Width = Width;
  copy->Height = Height;
  copy->RowBytes = RowBytes;
  copy->Size = Size;
  copy->Layout = Layout;
  copy->Palette = Palette;
  if (Size != 0) {
    copy->Pixels = AllocateDenseBlock(Size);
    std::memcpy(copy->Pixels.get(), Pixels.get(), Size);
  }
  return copy;
}

TDIB::TDIB() : Palette(GreyRampPalette()), PixelLayout(kLayout888), store_(TDIBSharedImage::Empty()) {}

TDIB::~TDIB() = default;

void TDIB::SwitchTo(std::shared_ptr<TDIBSharedImage> store) {
  store_ = std::move(store);
  Palette = store_->Palette;
  PixelLayout = store_->Layout;
}

void TDIB::MakePrivate() {
  if (store_.use_count() > 1 || store_->Borrowed) store_ = store_->Clone();
}

void TDIB::Reset() { SwitchTo(TDIBSharedImage::Empty()); }

void TDIB::Allocate(int32_t width, int32_t height, int32_t depth) {
  const TPixelLayout& layout = LayoutForDepth(depth);
  const int32_t bitCount = depth == 15 ? 16 : depth;
  if (width == Width() && height == Height() && bitCount == BitCount() &&
      store_->Layout.SameMasks(layout)) {
    PixelLayout = layout;
    return;  // same store, pixels kept
  }
  if (width <= 0 || height <= 0) {
    Reset();
    return;
  }
  // Built from the working palette, so an uncommitted palette survives. A
  // failure here leaves store, palette and layout as they were.
  SwitchTo(TDIBSharedImage::Build(width, height, bitCount, Palette, layout));
}

void TDIB::BorrowPixels(int32_t width, int32_t height, int32_t depth, const uint8_t* rows) {
  const TPixelLayout& layout = LayoutForDepth(depth);
  SwitchTo(TDIBSharedImage::Borrow(width, height, depth == 15 ? 16 : depth, Palette, layout, rows));
}

void TDIB::UsePixels(int32_t width, int32_t height, int32_t depth, uint8_t* rows) {
  const TPixelLayout& layout = LayoutForDepth(depth);
  SwitchTo(TDIBSharedImage::Borrow(width, height, depth == 15 ? 16 : depth, Palette, layout, rows, true));
}

int32_t TDIB::Depth() const {
  if (store_->BitCount == 16 && store_->Layout.GMask == kLayout555.GMask) return 15;
  return store_->BitCount;
}

namespace {
[[noreturn]] void ScanlineOutOfRange(int32_t y) {
  throw EInvalidGraphicOperation(FormatMessage(msg::kScanlineRange, y));
}
}  // namespace

uint8_t* TDIB::Row(int32_t y) {
  if (y < 0 || y >= Height()) ScanlineOutOfRange(y);
  MakePrivate();
  return store_->Pixels.get() + size_t(y) * size_t(store_->RowBytes);
}

const uint8_t* TDIB::RowReadOnly(int32_t y) const {
  if (y < 0 || y >= Height()) ScanlineOutOfRange(y);
  return store_->Pixels.get() + size_t(y) * size_t(store_->RowBytes);
}

uint8_t* TDIB::TopRow() {
  MakePrivate();
  return store_->Pixels.get();
}

bool TDIB::OwnsPixels() const {
  return store_->Size != 0 && store_.use_count() == 1 && !store_->Borrowed && !store_->Pixels.get_deleter().borrowed;
}

bool TDIB::AdoptPixels(Block& pixels, uint64_t size) {
  if (!OwnsPixels() || pixels == nullptr || size < store_->Size) return false;
  store_->Pixels = std::move(pixels);
  return true;
}

uint32_t TDIB::ReadPixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return 0;
  return pixel::Get(RowReadOnly(y), x, BitCount());
}

void TDIB::WritePixel(int32_t x, int32_t y, uint32_t value) {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return;
  pixel::Put(Row(y), x, BitCount(), value);
}

void TDIB::CommitPalette() {
  if (Palette == store_->Palette) return;
  // The palette is the store's own also when its pixels are borrowed.
  if (store_.use_count() > 1) store_ = store_->Clone();
  store_->Palette = Palette;
}

void TDIB::Assign(const TDIB* source) {
  if (source == this) return;
  if (source == nullptr) {
    Reset();
    return;
  }
  SwitchTo(source->store_);
}

}  // namespace dorv

// TDIB: a device-independent bitmap of 1, 4, 8, 16 (5-5-5 or 5-6-5), 24 or 32
// bits per pixel with a 256-entry palette. Rows are padded to 4 bytes
// (RowBytes). The store is kept top-down and contiguous: image row y starts
// at TopRow() + y * RowBytes(); the memory order is never visible outside the
// surface. Stores are shared by assignment and copied on the first write.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "converter/core/checked.h"
#include "converter/dibsfc/pixel_layout.h"

namespace dorv {

struct TPaletteEntry {
  uint8_t Blue, Green, Red, Reserved;
  bool operator==(const TPaletteEntry&) const = default;
};
using TPalette = std::array<TPaletteEntry, 256>;
static_assert(sizeof(TPalette) == 1024);

// The grey ramp: entry i = (i, i, i, 0).
const TPalette& GreyRampPalette();

struct TRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool IsEmpty() const { return Left >= Right || Top >= Bottom; }
  bool operator==(const TRect&) const = default;
};

// The pixel store behind one or more TDIB objects.
class TDIBSharedImage {
 public:
  int32_t BitCount = 0, Width = 0, Height = 0, RowBytes = 0;
  uint64_t Size = 0;  // RowBytes * Height
  TPixelLayout Layout = kLayout888;
  TPalette Palette{};
  Block Pixels;  // Size bytes, top row first; zero-filled when built
  // The pixels are somebody else's rows, only read: a write copies them.
  // (Rows lent for writing are not Borrowed: they are written in place.)
  bool Borrowed = false;

  // Builds a store; validates bit count against layout, computes sizes with
  // overflow checks and the surface cap, allocates zero-filled memory.
  static std::shared_ptr<TDIBSharedImage> Build(int32_t width, int32_t height, int32_t bitCount,
                                                const TPalette& palette, const TPixelLayout& layout);
  // A store over rows that it does not own, laid out as Build lays out its
  // own (RowBytes apart, top row first); they must stay unchanged while the
  // store is used. Without rows it is Build. With writable the store writes
  // them in place (they must then be zero-filled).
  static std::shared_ptr<TDIBSharedImage> Borrow(int32_t width, int32_t height, int32_t bitCount,
                                                 const TPalette& palette, const TPixelLayout& layout,
                                                 const uint8_t* rows, bool writable = false);
  // The one empty store shared by every empty TDIB.
  static const std::shared_ptr<TDIBSharedImage>& Empty();
  // A private copy of this store: same size, bit count, palette, layout and
  // pixels.
  std::shared_ptr<TDIBSharedImage> Clone() const;
};

// ((bitCount * width + 31) div 32) * 4, computed in 64 bits.
int64_t DIBRowBytes(int64_t width, int64_t bitCount);

class TDIB {
 public:
  TDIB();
  virtual ~TDIB();
  TDIB(const TDIB&) = delete;
  TDIB& operator=(const TDIB&) = delete;

  virtual void Reset();
  // depth: 1, 4, 8, 15, 16, 24 or 32 (15 selects 16 bits with 5-5-5).
  virtual void Allocate(int32_t width, int32_t height, int32_t depth);
  // As Allocate, but over the given rows (see TDIBSharedImage::Borrow),
  // which are copied before the first write to the surface.
  void BorrowPixels(int32_t width, int32_t height, int32_t depth, const uint8_t* rows);
  // As Allocate, but the pixels are the given zero-filled memory (RowBytes
  // apart, top row first), written in place and never freed here; it must
  // outlive every use of the store.
  void UsePixels(int32_t width, int32_t height, int32_t depth, uint8_t* rows);

  int32_t Width() const { return store_->Width; }
  int32_t Height() const { return store_->Height; }
  int32_t BitCount() const { return store_->BitCount; }
  int32_t RowBytes() const { return store_->RowBytes; }
  uint64_t SizeBytes() const { return store_->Size; }
  int32_t Depth() const;
  bool IsEmpty() const { return store_->Size == 0; }
  TRect BoundsRect() const { return TRect{0, 0, Width(), Height()}; }
  const TPixelLayout& CurrentLayout() const { return store_->Layout; }
  // The palette of the store, as last committed.
  const TPalette& CommittedPalette() const { return store_->Palette; }

  // Writable row address; makes the store private first. Raises
  // EInvalidGraphicOperation for y outside 0 to Height - 1.
  uint8_t* Row(int32_t y);
  // Row for reading; never copies the store. Same range check.
  const uint8_t* RowReadOnly(int32_t y) const;
  uint8_t* TopRow();
  const uint8_t* TopRowReadOnly() const { return store_->Pixels.get(); }
  // Whether the pixels are memory of this surface's own that nothing else
  // shares (not rows lent by a caller, not an empty surface).
  bool OwnsPixels() const;
  // Where OwnsPixels holds and size (the bytes of pixels) is at least
  // SizeBytes(), takes pixels as the store's memory, laid out as the store
  // lays out its own, and returns true; the old memory is freed and what
  // lies past SizeBytes() is never read. Else returns false and leaves
  // pixels as they are.
  bool AdoptPixels(Block& pixels, uint64_t size);

  uint32_t ReadPixel(int32_t x, int32_t y) const;
  void WritePixel(int32_t x, int32_t y, uint32_t value);

  void CommitPalette();
  // Takes over the source's store (shared); null source resets.
  void Assign(const TDIB* source);

  // Part of the conversions unit.
  void SetBitCount(int32_t n);
  void Greyscale(int32_t n);
  int32_t CountColors() const;

  TPalette Palette;          // working palette, edited in place by callers
  TPixelLayout PixelLayout;  // layout the next Allocate uses

 protected:
  // Switches to another store and reloads the working Palette and
  // PixelLayout from it.
  void SwitchTo(std::shared_ptr<TDIBSharedImage> store);
  // Copies a shared or borrowed store before a write. The working Palette
  // is kept as it is, so the copy is never visible to the caller.
  void MakePrivate();
  const std::shared_ptr<TDIBSharedImage>& Store() const { return store_; }

 private:
  std::shared_ptr<TDIBSharedImage> store_;
};

}  // namespace dorv

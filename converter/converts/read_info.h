// TReadInfo: the 44 bytes ConvertRead fills for its caller, read by field.
// They hold their own size after this field (40), then the header record of
// the file read, little-endian whatever the host's byte order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "converter/dorvs/header_info.h"

namespace dorv {

class TReadInfoView {
 public:
  explicit TReadInfoView(const uint8_t* bytes) : b_(bytes) {}

  int32_t RecordSize() const { return Int(0); }
  int32_t Version() const { return Int(kAt + offsetof(THeaderInfo, Version)); }
  int32_t Width() const { return Int(kAt + offsetof(THeaderInfo, Width)); }
  int32_t Height() const { return Int(kAt + offsetof(THeaderInfo, Height)); }
  int32_t Bpp() const { return Int(kAt + offsetof(THeaderInfo, Bpp)); }
  int32_t Count() const { return Int(kAt + offsetof(THeaderInfo, Count)); }
  bool SyncPal() const { return b_[kAt + offsetof(THeaderInfo, SyncPal)] != 0; }
  bool Randomized() const { return b_[kAt + offsetof(THeaderInfo, Randomized)] != 0; }
  uint8_t CompType() const { return b_[kAt + offsetof(THeaderInfo, CompType)]; }
  int32_t BGColor() const { return Int(kAt + offsetof(THeaderInfo, BGColor)); }
  int32_t BlockWidth() const { return Int(kAt + offsetof(THeaderInfo, BlockWidth)); }
  int32_t BlockHeight() const { return Int(kAt + offsetof(THeaderInfo, BlockHeight)); }
  bool NotFillBG() const { return b_[kAt + offsetof(THeaderInfo, NotFillBG)] != 0; }
  uint8_t CompLevel() const { return b_[kAt + offsetof(THeaderInfo, CompLevel)]; }

 private:
  static constexpr size_t kAt = 4;  // where the header record starts
  int32_t Int(size_t at) const {
    return static_cast<int32_t>(uint32_t{b_[at]} | uint32_t{b_[at + 1]} << 8 | uint32_t{b_[at + 2]} << 16 |
                                uint32_t{b_[at + 3]} << 24);
  }
  const uint8_t* b_;
};

}  // namespace dorv

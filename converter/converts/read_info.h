// TReadInfo: the 44 bytes ConvertRead fills for its caller, read by field.
// They hold their own size after this field (40), then the header record of
// the file read, little-endian whatever the host's byte order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "converter/core/format_names.h"
#include "converter/core/little_endian.h"

namespace dorv {

class TReadInfoView {
 public:
  explicit TReadInfoView(const uint8_t* bytes) : b_(bytes) {}

  int32_t RecordSize() const { return le::LoadInt32(b_); }
  int32_t Version() const { return Int(record::kVersion); }
  int32_t Width() const { return Int(record::kWidth); }
  int32_t Height() const { return Int(record::kHeight); }
  int32_t Bpp() const { return Int(record::kBpp); }
  int32_t Count() const { return Int(record::kCount); }
  bool SyncPal() const { return Byte(record::kSyncPal) != 0; }
  bool Randomized() const { return Byte(record::kRandomized) != 0; }
  uint8_t CompType() const { return Byte(record::kCompType); }
  int32_t BGColor() const { return Int(record::kBGColor); }
  int32_t BlockWidth() const { return Int(record::kBlockWidth); }
  int32_t BlockHeight() const { return Int(record::kBlockHeight); }
  bool NotFillBG() const { return Byte(record::kNotFillBG) != 0; }
  uint8_t CompLevel() const { return Byte(record::kCompLevel); }

 private:
  static constexpr size_t kAt = 4;  // where the header record starts
  int32_t Int(size_t field) const { return le::LoadInt32(b_ + kAt + field); }
  uint8_t Byte(size_t field) const { return b_[kAt + field]; }
  const uint8_t* b_;
};

}  // namespace dorv

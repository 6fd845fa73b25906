// The bounds-checked cursor over an in-memory blob. Every byte the decoders
// take from a plane blob, a block table or a header record goes through it;
// its position never passes the end, and a read that would is refused with
// the error the caller names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace dorv {

class TByteReader {
 public:
  // failure: message of the EFormatError raised when a read runs past the end.
  TByteReader(std::span<const uint8_t> bytes, const char* failure) : bytes_(bytes), failure_(failure) {}

  size_t Position() const { return pos_; }
  size_t Remaining() const { return bytes_.size() - pos_; }

  // Refuses unless n bytes remain.
  void Require(uint64_t n) const;
  // Returns the next n bytes and moves past them.
  std::span<const uint8_t> Take(uint64_t n);
  int32_t ReadInt32();
  uint8_t ReadByte();

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
  const char* failure_;
};

}  // namespace dorv

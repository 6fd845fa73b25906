// Little-endian byte output for the module's resources.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace dorv::resources {

using OSType = uint32_t;

// A four-character code as the host reads it: the first character in the
// most significant byte.
constexpr OSType FourCC(const char (&code)[5]) {
  return static_cast<OSType>(static_cast<uint8_t>(code[0])) << 24 |
         static_cast<OSType>(static_cast<uint8_t>(code[1])) << 16 |
         static_cast<OSType>(static_cast<uint8_t>(code[2])) << 8 |
         static_cast<OSType>(static_cast<uint8_t>(code[3]));
}

class ByteWriter {
 public:
  ByteWriter& Byte(uint8_t value) {
    bytes_.push_back(value);
    return *this;
  }
  ByteWriter& Int16(int32_t value) {
    Byte(static_cast<uint8_t>(value));
    return Byte(static_cast<uint8_t>(value >> 8));
  }
  ByteWriter& Int32(int64_t value) {
    for (int shift = 0; shift < 32; shift += 8) Byte(static_cast<uint8_t>(value >> shift));
    return *this;
  }
  // Stored as a little-endian integer: the characters come out reversed.
  ByteWriter& Code(OSType code) { return Int32(code); }
  // The characters in reading order.
  ByteWriter& Chars(std::string_view text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return *this;
  }
  // One length byte, then the characters.
  ByteWriter& PString(std::string_view text) {
    Byte(static_cast<uint8_t>(text.size()));
    return Chars(text);
  }
  // The characters and a terminating zero.
  ByteWriter& CString(std::string_view text) {
    Chars(text);
    return Byte(0);
  }
  ByteWriter& Bytes(const std::vector<uint8_t>& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  // Zero bytes up to `size` bytes in all.
  ByteWriter& PadTo(std::size_t size) {
    if (bytes_.size() < size) bytes_.resize(size, 0);
    return *this;
  }
  ByteWriter& PadToMultipleOf4() { return PadTo((bytes_.size() + 3) / 4 * 4); }

  std::size_t size() const { return bytes_.size(); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace dorv::resources

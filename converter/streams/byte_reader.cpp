#include "converter/streams/byte_reader.h"

#include "converter/core/errors.h"

namespace dorv {

TByteReader::TByteReader(std::span<const uint8_t> bytes, const char* failure)
    : bytes_(bytes), failure_(failure) {}

void TByteReader::Fail() const { throw EFormatError(failure_); }

void TByteReader::Require(uint64_t n) const {
  if (n > Remaining()) Fail();
}

std::span<const uint8_t> TByteReader::Take(uint64_t n) {
  Require(n);
  auto part = bytes_.subspan(pos_, static_cast<size_t>(n));
  pos_ += static_cast<size_t>(n);
  return part;
}

int32_t TByteReader::ReadInt32() {
  auto b = Take(4);
  return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                              static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
}

uint8_t TByteReader::ReadByte() { return Take(1)[0]; }

}  // namespace dorv

#include "converter/streams/byte_reader.h"

#include "converter/core/errors.h"
#include "converter/core/little_endian.h"

namespace dorv {

void TByteReader::Require(uint64_t n) const {
  if (n > Remaining()) throw EFormatError(failure_);
}

std::span<const uint8_t> TByteReader::Take(uint64_t n) {
  Require(n);
  auto part = bytes_.subspan(pos_, static_cast<size_t>(n));
  pos_ += static_cast<size_t>(n);
  return part;
}

int32_t TByteReader::ReadInt32() {
  return le::LoadInt32(Take(4).data());
}

uint8_t TByteReader::ReadByte() { return Take(1)[0]; }

}  // namespace dorv

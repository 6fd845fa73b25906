// A cursor over the fuzzer's bytes that hands out small values for the
// parameters of a call, then the rest of the input as data. Running out of
// bytes yields zeros, so every input is usable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace dorv::fuzz {

class TFuzzInput {
 public:
  TFuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint16_t Word() {
    const uint16_t lo = Byte();
    return static_cast<uint16_t>(lo | (Byte() << 8));
  }
  uint32_t Dword() {
    const uint32_t lo = Word();
    return lo | (static_cast<uint32_t>(Word()) << 16);
  }
  // A value in lo .. hi (inclusive).
  int32_t Range(int32_t lo, int32_t hi) {
    const uint32_t span = static_cast<uint32_t>(hi - lo) + 1;
    return lo + static_cast<int32_t>(Word() % span);
  }
  template <typename T, size_t N>
  const T& Pick(const T (&table)[N]) {
    return table[Byte() % N];
  }
  std::span<const uint8_t> Rest() {
    std::span<const uint8_t> r(data_ + pos_, size_ - pos_);
    pos_ = size_;
    return r;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace dorv::fuzz

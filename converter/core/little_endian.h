// Little-endian loads and stores: every stored number is in this order,
// whatever the host's own.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dorv::le {

template <size_t kBytes>
inline uint32_t Load(const uint8_t* p) {
  uint32_t v = 0;
  for (size_t i = 0; i < kBytes; ++i) v |= uint32_t{p[i]} << (8 * i);
  return v;
}

template <size_t kBytes>
inline void Store(uint8_t* p, uint32_t v) {
  for (size_t i = 0; i < kBytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline uint32_t Load16(const uint8_t* p) { return Load<2>(p); }
inline uint32_t Load24(const uint8_t* p) { return Load<3>(p); }
inline uint32_t Load32(const uint8_t* p) { return Load<4>(p); }
inline int32_t LoadInt32(const uint8_t* p) { return static_cast<int32_t>(Load<4>(p)); }
inline void Store16(uint8_t* p, uint32_t v) { Store<2>(p, v); }
inline void Store24(uint8_t* p, uint32_t v) { Store<3>(p, v); }
inline void Store32(uint8_t* p, uint32_t v) { Store<4>(p, v); }
inline void StoreInt32(uint8_t* p, int32_t v) { Store<4>(p, static_cast<uint32_t>(v)); }

}  // namespace dorv::le

// A stream read whole into memory, up to a cap, so that a hostile stream
// costs at most the cap.
#pragma once

#include <objidl.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "converter/core/limits.h"

namespace dorv::thumbs {

// As much as the converter reads of any one file.
inline constexpr uint64_t kMaxStreamBytes = limits::kMaxAllocationBytes;

class StreamError : public std::runtime_error {
 public:
  StreamError(const char* what, HRESULT code) : std::runtime_error(what), code_(code) {}
  HRESULT Code() const { return code_; }

 private:
  HRESULT code_;
};

// Everything from the stream's start. Raises StreamError when the stream
// fails or holds more than `cap` bytes.
std::vector<uint8_t> ReadStream(IStream& stream, uint64_t cap);

}  // namespace dorv::thumbs

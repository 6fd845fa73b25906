// Zero-filled buffers from the process heap for the image handed to or taken
// from the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace dorv::plugin {

class HostBuffer {
 public:
  // An empty buffer when the memory cannot be had.
  static HostBuffer Allocate(std::size_t bytes);

  explicit operator bool() const { return bytes_ != nullptr; }
  uint8_t* data() const { return bytes_.get(); }
  std::size_t size() const { return size_; }
  void Reset() {
    bytes_.reset();
    size_ = 0;
  }

 private:
  struct FreeBytes {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<uint8_t, FreeBytes> bytes_;
  std::size_t size_ = 0;
};

// Makes the next `count` allocations fail, so that a test build of the
// module can reach the out-of-memory paths.
void FailNextBufferAllocations(int count);

}  // namespace dorv::plugin

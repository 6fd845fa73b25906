#include "plugin/host_buffer.h"

namespace dorv::plugin {

namespace {
int g_failAllocations = 0;
}  // namespace

HostBuffer HostBuffer::Allocate(std::size_t bytes) {
  HostBuffer buffer;
  if (g_failAllocations > 0) {
    --g_failAllocations;
    return buffer;
  }
  buffer.bytes_.reset(static_cast<uint8_t*>(std::calloc(bytes == 0 ? 1 : bytes, 1)));
  if (buffer.bytes_) buffer.size_ = bytes;
  return buffer;
}

void FailNextBufferAllocations(int count) { g_failAllocations = count; }

}  // namespace dorv::plugin

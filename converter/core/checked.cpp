#include "converter/core/checked.h"

#include "converter/core/call_limits.h"
#include "converter/core/messages.h"
#include "platform/pages.h"

namespace dorv {
namespace {

// The memory the system gave, or EOutOfMemory when it gave none.
uint8_t* Given(void* p) {
  if (p == nullptr) throw EOutOfMemory(msg::kOutOfMemory);
  return static_cast<uint8_t*>(p);
}

}  // namespace

uint64_t CheckedMul(uint64_t a, uint64_t b) {
  if (a != 0 && b > limits::kMaxAllocationBytes / a) throw EOutOfMemory(msg::kOutOfMemory);
  return a * b;
}

uint64_t CheckedAdd(uint64_t a, uint64_t b) {
  if (a > limits::kMaxAllocationBytes || b > limits::kMaxAllocationBytes - a)
    throw EOutOfMemory(msg::kOutOfMemory);
  return a + b;
}

uint64_t CheckedSize(int64_t n) {
  if (n < 0 || static_cast<uint64_t>(n) > limits::kMaxAllocationBytes)
    throw EOutOfMemory(msg::kOutOfMemory);
  return static_cast<uint64_t>(n);
}

void BlockDeleter::operator()(uint8_t* p) const noexcept {
  if (borrowed) return;
  if (pagesBytes != 0) platform::FreePages(p, pagesBytes);
  else std::free(p);
}

Block AllocateBlock(uint64_t n) {
  if (n > limits::kMaxAllocationBytes) throw EOutOfMemory(msg::kOutOfMemory);
  ChargeAllocation(n);
  if (n >= platform::kLargeBlockBytes)
    return Block(Given(platform::AllocatePages(static_cast<size_t>(n))), BlockDeleter{static_cast<size_t>(n)});
  return Block(Given(std::calloc(n == 0 ? 1 : static_cast<size_t>(n), 1)));
}

Block AllocateDenseBlock(uint64_t n) {
  if (n > limits::kMaxAllocationBytes) throw EOutOfMemory(msg::kOutOfMemory);
  if (n < platform::kLargeBlockBytes) return AllocateBlock(n);
  ChargeAllocation(n);
  size_t mapped = 0;
  uint8_t* const pages = Given(platform::AllocateDensePages(static_cast<size_t>(n), &mapped));
  return Block(pages, BlockDeleter{mapped});
}

Block AllocateUnfilledBlock(uint64_t n) {
  if (n > limits::kMaxAllocationBytes) throw EOutOfMemory(msg::kOutOfMemory);
  if (n >= platform::kHeapBlockBytes) return AllocateDenseBlock(n);
  ChargeAllocation(n);
  return Block(Given(std::malloc(n == 0 ? 1 : static_cast<size_t>(n))));
}

}  // namespace dorv

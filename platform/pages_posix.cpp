#ifndef _WIN32
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "platform/pages.h"

namespace platform {

namespace {

// The size of a large page where the system offers them. A block of at
// least this size is mapped at a multiple of it and for a whole number of
// them: a mapping that starts or ends inside one gets small pages, and its
// first touch of each costs about three times as much.
constexpr size_t kLargePageBytes = size_t{2} << 20;

size_t MappedBytes(size_t n) {
  if (n < kLargePageBytes || n > SIZE_MAX - 2 * kLargePageBytes) return n;
  return (n + kLargePageBytes - 1) / kLargePageBytes * kLargePageBytes;
}

}  // namespace

void* AllocatePages(size_t n) {
  const size_t len = MappedBytes(n);
  if (len == n && n < kLargePageBytes) {
    void* p = ::mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
  }
  // Room for the mapping wherever a large page starts in it; what lies
  // before and after is handed back.
  const size_t reserved = len + kLargePageBytes;
  void* const p = ::mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  const uintptr_t start = reinterpret_cast<uintptr_t>(p);
  const uintptr_t aligned = (start + kLargePageBytes - 1) / kLargePageBytes * kLargePageBytes;
  if (aligned > start) ::munmap(p, aligned - start);
  if (start + reserved > aligned + len)
    ::munmap(reinterpret_cast<void*>(aligned + len), start + reserved - (aligned + len));
#ifdef MADV_HUGEPAGE
  ::madvise(reinterpret_cast<void*>(aligned), len, MADV_HUGEPAGE);
#endif
  return reinterpret_cast<void*>(aligned);
}

void PopulatePages(void* p, size_t n) {
#ifdef MADV_POPULATE_WRITE
  // madvise takes whole pages: the range shrinks to the pages inside it.
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  if (p == nullptr || pageSize <= 0) return;
  const uintptr_t page = static_cast<uintptr_t>(pageSize);
  const uintptr_t first = (reinterpret_cast<uintptr_t>(p) + page - 1) / page * page;
  const uintptr_t last = (reinterpret_cast<uintptr_t>(p) + n) / page * page;
  if (last > first) (void)::madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#else
  (void)p;
  (void)n;
#endif
}

void FreePages(void* p, size_t n) {
  if (p != nullptr) ::munmap(p, MappedBytes(n));
}

}  // namespace platform
#endif

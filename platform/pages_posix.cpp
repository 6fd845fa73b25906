#ifndef _WIN32
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "platform/pages.h"

namespace platform {

namespace {

// The size of a large page where the system offers them.
constexpr size_t kLargePageBytes = size_t{2} << 20;

}  // namespace

void* AllocatePages(size_t n) {
  void* p = ::mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
#ifdef MADV_HUGEPAGE
  ::madvise(p, n, MADV_HUGEPAGE);
#endif
  return p;
}

void* AllocateDensePages(size_t n, size_t* mapped) {
  if (n < kLargePageBytes || n > SIZE_MAX - 2 * kLargePageBytes) {
    *mapped = n;
    return AllocatePages(n);
  }
  const size_t len = (n + kLargePageBytes - 1) / kLargePageBytes * kLargePageBytes;
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
  *mapped = len;
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
  if (p != nullptr) ::munmap(p, n);
}

}  // namespace platform
#endif

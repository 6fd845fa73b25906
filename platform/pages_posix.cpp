#ifndef _WIN32
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "platform/pages.h"

namespace platform {

void* AllocatePages(size_t n) {
  void* p = ::mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
#ifdef MADV_HUGEPAGE
  ::madvise(p, n, MADV_HUGEPAGE);
#endif
  return p;
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

#ifndef _WIN32
#include <sys/mman.h>

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

void FreePages(void* p, size_t n) {
  if (p != nullptr) ::munmap(p, n);
}

}  // namespace platform
#endif

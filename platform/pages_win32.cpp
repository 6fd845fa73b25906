#ifdef _WIN32
#include "platform/pages.h"
#include "platform/win32.h"

namespace platform {

void* AllocatePages(size_t n) { return ::VirtualAlloc(nullptr, n, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE); }

// Large pages need a privilege that processes lack by default: dense
// blocks are ordinary ones.
void* AllocateDensePages(size_t n, size_t* mapped) {
  *mapped = n;
  return AllocatePages(n);
}

// Committed pages are taken when first touched; nothing asks for them ahead.
void PopulatePages(void*, size_t) {}

void FreePages(void* p, size_t) {
  if (p != nullptr) ::VirtualFree(p, 0, MEM_RELEASE);
}

}  // namespace platform
#endif

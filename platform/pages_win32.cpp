#ifdef _WIN32
#include "platform/pages.h"
#include "platform/win32.h"

namespace platform {

void* AllocatePages(size_t n) { return ::VirtualAlloc(nullptr, n, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE); }

// Committed pages are taken when first touched; nothing asks for them ahead.
void PopulatePages(void*, size_t) {}

void FreePages(void* p, size_t) {
  if (p != nullptr) ::VirtualFree(p, 0, MEM_RELEASE);
}

}  // namespace platform
#endif

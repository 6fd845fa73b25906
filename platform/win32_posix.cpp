// The Win32 kernel subset of win32.h on POSIX systems.
#ifndef _WIN32
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/pages.h"
#include "platform/win32.h"

namespace {

constexpr uint32_t kBlockMagic = 0x474C4F42;  // "GLOB"

struct GlobalBlock {
  uint32_t magic;
  int locks;
  size_t size;
  uint8_t* data;
  bool pages;  // data is a page mapping of `size` bytes
};

// Large blocks are page mappings (already zero); small ones come from the
// C heap.
uint8_t* NewData(size_t bytes, bool zero, bool& pages) {
  pages = bytes >= platform::kLargeBlockBytes;
  if (pages) return static_cast<uint8_t*>(platform::AllocatePages(bytes));
  return static_cast<uint8_t*>(zero ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1));
}

void FreeData(uint8_t* data, size_t bytes, bool pages) {
  if (pages) platform::FreePages(data, bytes);
  else std::free(data);
}

int g_failAllocs = 0;
int g_failLocks = 0;

GlobalBlock* BlockOf(HGLOBAL h) {
  auto* b = static_cast<GlobalBlock*>(h);
  if (b == nullptr || b->magic != kBlockMagic) return nullptr;
  return b;
}

bool TakeFailure(int& counter) {
  if (counter <= 0) return false;
  --counter;
  return true;
}

}  // namespace

namespace platform {
HANDLE HandleFromFd(int fd) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd) + 1); }
int FdFromHandle(HANDLE h) { return static_cast<int>(reinterpret_cast<intptr_t>(h) - 1); }
void FailNextGlobalAllocs(int n) { g_failAllocs = n; }
void FailNextGlobalLocks(int n) { g_failLocks = n; }
}  // namespace platform

HANDLE CreateFileA(const char* name, DWORD access, DWORD, void*, DWORD disposition, DWORD,
                   HANDLE) {
  int flags = 0;
  if ((access & GENERIC_READ) && (access & GENERIC_WRITE)) flags = O_RDWR;
  else if (access & GENERIC_WRITE) flags = O_WRONLY;
  else flags = O_RDONLY;
  if (disposition == CREATE_ALWAYS) flags |= O_CREAT | O_TRUNC;
  int fd = ::open(name, flags | O_CLOEXEC, 0644);
  if (fd < 0) return INVALID_HANDLE_VALUE;
  return platform::HandleFromFd(fd);
}

BOOL CloseHandle(HANDLE h) { return ::close(platform::FdFromHandle(h)) == 0 ? TRUE : FALSE; }

DWORD SetFilePointer(HANDLE h, LONG distance, LONG* distanceHigh, DWORD method) {
  int64_t offset = distance;
  if (distanceHigh != nullptr)
    offset = static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                  static_cast<uint32_t>(distance));
  int whence = method == FILE_CURRENT ? SEEK_CUR : method == FILE_END ? SEEK_END : SEEK_SET;
  off_t at = ::lseek(platform::FdFromHandle(h), static_cast<off_t>(offset), whence);
  if (at < 0) return INVALID_SET_FILE_POINTER;
  if (distanceHigh != nullptr) *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(at) >> 32);
  return static_cast<DWORD>(static_cast<uint64_t>(at) & 0xFFFFFFFFu);
}

BOOL ReadFile(HANDLE h, void* buffer, DWORD toRead, DWORD* read, void*) {
  DWORD done = 0;
  auto* out = static_cast<uint8_t*>(buffer);
  while (done < toRead) {
    ssize_t n = ::read(platform::FdFromHandle(h), out + done, toRead - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (read) *read = done;
      return FALSE;
    }
    if (n == 0) break;
    done += static_cast<DWORD>(n);
  }
  if (read) *read = done;
  return TRUE;
}

BOOL WriteFile(HANDLE h, const void* buffer, DWORD toWrite, DWORD* written, void*) {
  DWORD done = 0;
  const auto* in = static_cast<const uint8_t*>(buffer);
  while (done < toWrite) {
    ssize_t n = ::write(platform::FdFromHandle(h), in + done, toWrite - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (written) *written = done;
      return FALSE;
    }
    done += static_cast<DWORD>(n);
  }
  if (written) *written = done;
  return TRUE;
}

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  if (TakeFailure(g_failAllocs)) return nullptr;
  auto* b = static_cast<GlobalBlock*>(std::calloc(1, sizeof(GlobalBlock)));
  if (b == nullptr) return nullptr;
  b->magic = kBlockMagic;
  b->size = bytes;
  b->data = NewData(bytes, (flags & GMEM_ZEROINIT) != 0, b->pages);
  if (b->data == nullptr) {
    std::free(b);
    return nullptr;
  }
  return b;
}

HGLOBAL GlobalReAlloc(HGLOBAL mem, SIZE_T bytes, UINT flags) {
  GlobalBlock* b = BlockOf(mem);
  if (b == nullptr) return nullptr;
  if (TakeFailure(g_failAllocs)) return nullptr;
  // A locked block may only move when the caller allows it.
  if (b->locks > 0 && !(flags & GMEM_MOVEABLE) && bytes > b->size) return nullptr;
  if (!b->pages && bytes < platform::kLargeBlockBytes) {
    auto* data = static_cast<uint8_t*>(std::realloc(b->data, bytes ? bytes : 1));
    if (data == nullptr) return nullptr;
    if ((flags & GMEM_ZEROINIT) && bytes > b->size) std::memset(data + b->size, 0, bytes - b->size);
    b->data = data;
    b->size = bytes;
    return b;
  }
  bool pages = false;
  uint8_t* data = NewData(bytes, true, pages);
  if (data == nullptr) return nullptr;
  std::memcpy(data, b->data, std::min(bytes, b->size));
  if ((flags & GMEM_ZEROINIT) && bytes > b->size && !pages) std::memset(data + b->size, 0, bytes - b->size);
  FreeData(b->data, b->size, b->pages);
  b->data = data;
  b->size = bytes;
  b->pages = pages;
  return b;
}

LPVOID GlobalLock(HGLOBAL mem) {
  GlobalBlock* b = BlockOf(mem);
  if (b == nullptr || TakeFailure(g_failLocks)) return nullptr;
  ++b->locks;
  return b->data;
}

BOOL GlobalUnlock(HGLOBAL mem) {
  GlobalBlock* b = BlockOf(mem);
  if (b == nullptr || b->locks == 0) return FALSE;
  --b->locks;
  return b->locks > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL mem) {
  if (mem == nullptr) return nullptr;
  GlobalBlock* b = BlockOf(mem);
  if (b == nullptr) return mem;
  b->magic = 0;
  FreeData(b->data, b->size, b->pages);
  std::free(b);
  return nullptr;
}

SIZE_T GlobalSize(HGLOBAL mem) {
  GlobalBlock* b = BlockOf(mem);
  return b == nullptr ? 0 : b->size;
}

DWORD GetModuleFileNameA(HMODULE module, char* name, DWORD size) {
  if (size == 0) return 0;
  char path[4096];
  const char* found = nullptr;
  if (module == nullptr) {
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n < 0) return 0;
    path[n] = 0;
    found = path;
  } else {
    Dl_info info{};
    if (::dladdr(module, &info) == 0 || info.dli_fname == nullptr) return 0;
    found = info.dli_fname;
    if (::realpath(info.dli_fname, path) != nullptr) found = path;
  }
  size_t len = std::strlen(found);
  if (len >= size) {  // truncated, as Windows does
    std::memcpy(name, found, size - 1);
    name[size - 1] = 0;
    return size;
  }
  std::memcpy(name, found, len + 1);
  return static_cast<DWORD>(len);
}

HMODULE LoadLibraryA(const char* name) { return ::dlopen(name, RTLD_NOW | RTLD_LOCAL); }

FARPROC GetProcAddress(HMODULE module, const char* name) {
  return reinterpret_cast<FARPROC>(::dlsym(module, name));
}

BOOL FreeLibrary(HMODULE module) { return ::dlclose(module) == 0 ? TRUE : FALSE; }

BOOL IsDBCSLeadByte(BYTE c) {
  return ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? TRUE : FALSE;
}
#endif

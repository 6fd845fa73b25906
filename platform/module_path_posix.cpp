#ifndef _WIN32
#include "platform/module_path.h"

namespace platform {

std::size_t ModuleFileName(HMODULE module, PathChar* out, std::size_t size) {
  if (size == 0) return 0;
  const DWORD length = GetModuleFileNameA(module, out, static_cast<DWORD>(size));
  if (length == 0 || length >= size) return 0;
  return length;
}

HMODULE LoadModule(const PathChar* path) { return LoadLibraryA(path); }

}  // namespace platform
#endif

// A loaded module's own file name, and loading a module by file name, in the
// widest form this system's file names take: UTF-16 on Windows, so that a
// folder whose name the ANSI code page cannot spell still works, and bytes
// elsewhere.
#pragma once

#include <cstddef>

#include "platform/win32.h"

namespace platform {

#ifdef _WIN32
using PathChar = wchar_t;
inline constexpr PathChar kPathSeparator = L'\\';
#else
using PathChar = char;
inline constexpr PathChar kPathSeparator = '/';
#endif

// Writes the full file name of `module` with its terminator into
// out[0 .. size). Returns its length, or 0 when it cannot be had or does not
// fit.
std::size_t ModuleFileName(HMODULE module, PathChar* out, std::size_t size);

// Loads the module at `path`; null when it cannot be loaded.
HMODULE LoadModule(const PathChar* path);

}  // namespace platform

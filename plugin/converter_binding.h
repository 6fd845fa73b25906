// Finding, loading and releasing the converter library. The library sits in
// the plug-in's own folder and is loaded only for the one call that needs it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/module_path.h"
#include "platform/win32.h"

namespace dorv::plugin {

using platform::PathChar;

// Module paths are held in buffers of this many characters, terminator
// included.
inline constexpr std::size_t kPathBufferSize = 260;
using PathBuffer = std::array<char, kPathBufferSize>;
using WidePathBuffer = std::array<wchar_t, kPathBufferSize>;
// Paths in the form this platform's module calls take (wide on Windows).
using NativePathBuffer = std::array<PathChar, kPathBufferSize>;

#ifdef _WIN32
inline constexpr char kConverterFileName[] = "dorvformat.dll";
#else
inline constexpr char kConverterFileName[] = "dorvformat.so";
#endif
inline constexpr PathChar kPathSeparator = platform::kPathSeparator;

// Tells whether a byte starts a double-byte character of the path's code page.
using LeadBytePredicate = bool (*)(uint8_t byte);

// The lead-byte rule of this platform's ANSI paths: the ANSI code page's on
// Windows; none elsewhere, where paths are UTF-8 and the separator byte
// never occurs inside a character.
LeadBytePredicate PlatformLeadBytes();

// Length of the folder part of `path`, separator included: the path up to
// its last separator byte that is a character of its own (not the second
// byte of a double-byte character). The first byte never counts as the
// separator. Without such a separator the whole path is returned.
std::size_t FolderPartLength(std::string_view path, char separator, LeadBytePredicate isLeadByte);
// The same for a wide path, whose units are whole characters.
std::size_t FolderPartLength(std::wstring_view path, wchar_t separator);

// Replaces the file name of `modulePath` by `fileName` (ASCII). False when
// the result and its terminator do not fit in `out`.
bool SiblingPath(std::string_view modulePath, std::string_view fileName, char separator,
                 LeadBytePredicate isLeadByte, PathBuffer& out);
bool SiblingPath(std::wstring_view modulePath, std::string_view fileName, wchar_t separator,
                 WidePathBuffer& out);

// A loaded converter library. Freed by Free() or at the end of its scope.
class ConverterLibrary {
 public:
  ConverterLibrary() = default;
  ConverterLibrary(const ConverterLibrary&) = delete;
  ConverterLibrary& operator=(const ConverterLibrary&) = delete;
  ConverterLibrary(ConverterLibrary&& other) noexcept : module_(other.module_) {
    other.module_ = nullptr;
  }
  ConverterLibrary& operator=(ConverterLibrary&&) = delete;
  ~ConverterLibrary() { Free(); }

  // Loads the converter that sits beside the plug-in whose full file name is
  // `pluginPath` (null when that name is not known). Empty when the library
  // path does not fit or the library cannot be loaded.
  static ConverterLibrary Load(const PathChar* pluginPath);

  explicit operator bool() const { return module_ != nullptr; }

  // The named export as `Proc`, or null.
  template <class Proc>
  Proc Find(const char* name) const {
    // Through void (*)(), which converts to and from every function type.
    return module_ == nullptr ? nullptr
                              : reinterpret_cast<Proc>(
                                    reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
  }

  void Free();

 private:
  explicit ConverterLibrary(HMODULE module) : module_(module) {}
  HMODULE module_ = nullptr;
};

}  // namespace dorv::plugin

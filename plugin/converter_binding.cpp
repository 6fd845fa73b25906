#include "plugin/converter_binding.h"

#include <algorithm>

namespace dorv::plugin {

namespace {
#ifdef _WIN32
bool AnsiLeadByte(uint8_t byte) { return IsDBCSLeadByte(byte) != FALSE; }
#endif
}  // namespace

LeadBytePredicate PlatformLeadBytes() {
#ifdef _WIN32
  return &AnsiLeadByte;
#else
  return nullptr;
#endif
}

namespace {

template <class Char>
std::size_t FolderPart(std::basic_string_view<Char> path, Char separator,
                       LeadBytePredicate isLeadByte) {
  // Walk forwards so that every double-byte character is stepped over as a
  // whole: looking only at the byte before a separator would mistake a
  // trailing byte that happens to lie in the lead-byte range for a lead byte.
  std::size_t cut = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (isLeadByte != nullptr && i + 1 < path.size() &&
        isLeadByte(static_cast<uint8_t>(path[i]))) {
      ++i;
      continue;
    }
    if (i >= 1 && path[i] == separator) cut = i + 1;
  }
  return cut == 0 ? path.size() : cut;
}

template <class Char>
bool Sibling(std::basic_string_view<Char> modulePath, std::string_view fileName, Char separator,
             LeadBytePredicate isLeadByte, std::array<Char, kPathBufferSize>& out) {
  const std::size_t folder = FolderPart(modulePath, separator, isLeadByte);
  if (folder + fileName.size() + 1 > out.size()) return false;
  std::copy_n(modulePath.data(), folder, out.data());
  std::transform(fileName.begin(), fileName.end(), out.data() + folder,
                 [](char c) { return static_cast<Char>(static_cast<unsigned char>(c)); });
  out[folder + fileName.size()] = Char{0};
  return true;
}

}  // namespace

std::size_t FolderPartLength(std::string_view path, char separator, LeadBytePredicate isLeadByte) {
  return FolderPart(path, separator, isLeadByte);
}

std::size_t FolderPartLength(std::wstring_view path, wchar_t separator) {
  return FolderPart(path, separator, nullptr);
}

bool SiblingPath(std::string_view modulePath, std::string_view fileName, char separator,
                 LeadBytePredicate isLeadByte, PathBuffer& out) {
  return Sibling(modulePath, fileName, separator, isLeadByte, out);
}

bool SiblingPath(std::wstring_view modulePath, std::string_view fileName, wchar_t separator,
                 WidePathBuffer& out) {
  return Sibling(modulePath, fileName, separator, nullptr, out);
}

ConverterLibrary ConverterLibrary::Load(const PathChar* pluginPath) {
  if (pluginPath == nullptr) return {};
  NativePathBuffer libraryPath{};
#ifdef _WIN32
  // The wide name: a folder that the ANSI code page cannot spell still leads
  // to the library.
  if (!SiblingPath(pluginPath, kConverterFileName, kPathSeparator, libraryPath)) return {};
#else
  if (!SiblingPath(pluginPath, kConverterFileName, kPathSeparator, PlatformLeadBytes(),
                   libraryPath))
    return {};
#endif
  return ConverterLibrary(platform::LoadModule(libraryPath.data()));
}

void ConverterLibrary::Free() {
  if (module_ != nullptr) FreeLibrary(module_);
  module_ = nullptr;
}

}  // namespace dorv::plugin

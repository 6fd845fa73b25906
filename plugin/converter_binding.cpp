#include "plugin/converter_binding.h"

#include <cstring>

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

std::size_t FolderPartLength(std::string_view path, char separator, LeadBytePredicate isLeadByte) {
  // Walk forwards so that every double-byte character is stepped over as a
  // whole: looking only at the byte before a separator would mistake a
  // trailing byte that happens to lie in the lead-byte range for a lead byte.
  std::size_t cut = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto byte = static_cast<uint8_t>(path[i]);
    if (isLeadByte != nullptr && i + 1 < path.size() && isLeadByte(byte)) {
      ++i;
      continue;
    }
    if (i >= 1 && path[i] == separator) cut = i + 1;
  }
  return cut == 0 ? path.size() : cut;
}

bool SiblingPath(std::string_view modulePath, std::string_view fileName, char separator,
                 LeadBytePredicate isLeadByte, PathBuffer& out) {
  const std::size_t folder = FolderPartLength(modulePath, separator, isLeadByte);
  if (folder + fileName.size() + 1 > out.size()) return false;
  std::memcpy(out.data(), modulePath.data(), folder);
  std::memcpy(out.data() + folder, fileName.data(), fileName.size());
  out[folder + fileName.size()] = '\0';
  return true;
}

ConverterLibrary ConverterLibrary::Load(const char* pluginPath) {
  if (pluginPath == nullptr) return {};
  PathBuffer libraryPath{};
  if (!SiblingPath(pluginPath, kConverterFileName, kPathSeparator, PlatformLeadBytes(),
                   libraryPath))
    return {};
  return ConverterLibrary(LoadLibraryA(libraryPath.data()));
}

void ConverterLibrary::Free() {
  if (module_ != nullptr) FreeLibrary(module_);
  module_ = nullptr;
}

}  // namespace dorv::plugin

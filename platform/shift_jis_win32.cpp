#ifdef _WIN32
#include <limits>

#include "platform/shift_jis.h"
#include "platform/wide_text.h"
#include "platform/win32.h"

namespace platform {

std::string Utf8FromShiftJis(std::string_view text) {
  if (text.empty() || text.size() > static_cast<size_t>(std::numeric_limits<int>::max())) return {};
  const int n = MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return Utf8FromWide(wide);
}

}  // namespace platform
#endif

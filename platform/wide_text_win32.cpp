#ifdef _WIN32
#include "platform/wide_text.h"

#include <limits>

#include "platform/win32.h"

namespace platform {
namespace {

// Texts of the user interface are short; anything that does not fit an int
// is cut rather than converted.
int Length(size_t n) {
  return n > static_cast<size_t>(std::numeric_limits<int>::max())
             ? std::numeric_limits<int>::max()
             : static_cast<int>(n);
}

std::wstring ToWide(UINT codePage, std::string_view text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, text.data(), Length(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), Length(text.size()), out.data(), n);
  return out;
}

std::string FromWide(UINT codePage, std::wstring_view text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, text.data(), Length(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), Length(text.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

}  // namespace

std::wstring WideFromUtf8(std::string_view text) { return ToWide(CP_UTF8, text); }
std::string Utf8FromWide(std::wstring_view text) { return FromWide(CP_UTF8, text); }
std::wstring WideFromAnsi(std::string_view text) { return ToWide(CP_ACP, text); }
std::string AnsiFromWide(std::wstring_view text) { return FromWide(CP_ACP, text); }

}  // namespace platform
#endif

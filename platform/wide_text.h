// Text conversions at the edge of the Windows user interface: the sources
// and the form model keep UTF-8 (captions, messages) or ANSI bytes (what an
// edit box holds in the system's code page); the Unicode window functions
// take and return UTF-16.
#pragma once

#ifdef _WIN32
#include <string>
#include <string_view>

namespace platform {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);
// Bytes of the system's ANSI code page (CP_ACP).
std::wstring WideFromAnsi(std::string_view text);
std::string AnsiFromWide(std::wstring_view text);

}  // namespace platform
#endif

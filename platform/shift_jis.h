// The header text's names are Shift_JIS bytes (the editor's code page 932);
// tools outside the host show them as UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Bytes that are not Shift_JIS become U+FFFD; ASCII stays as it is.
std::string Utf8FromShiftJis(std::string_view text);

}  // namespace platform

#ifndef _WIN32
#include <errno.h>
#include <iconv.h>

#include "platform/shift_jis.h"

namespace platform {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";

bool IsAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

std::string Utf8FromShiftJis(std::string_view text) {
  if (IsAscii(text)) return std::string(text);
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-8", "SHIFT_JIS");
  std::string out;
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    for (unsigned char c : text) {
      if (c < 0x80) out.push_back(static_cast<char>(c));
      else out += kReplacement;
    }
    return out;
  }
  std::string input(text);
  char* in = input.data();
  size_t inLeft = input.size();
  char buffer[256];
  while (inLeft > 0) {
    char* o = buffer;
    size_t oLeft = sizeof buffer;
    const size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
    out.append(buffer, static_cast<size_t>(o - buffer));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // A byte that starts no character, or a lead byte without its trail.
      out += kReplacement;
      ++in;
      --inLeft;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace platform
#endif

#include "converter/dorvs/palette_text.h"

#include "converter/core/errors.h"
#include "converter/core/messages.h"

namespace dorv {
namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
}  // namespace

std::string PaletteToText(const TPalette& palette, int count) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(static_cast<size_t>(count) * 6);
  for (int i = 0; i < count; ++i) {
    const TPaletteEntry& e = palette[static_cast<size_t>(i)];
    for (uint8_t v : {e.Blue, e.Green, e.Red}) {
      text.push_back(kDigits[v >> 4]);
      text.push_back(kDigits[v & 15]);
    }
  }
  return text;
}

void PaletteFromText(const std::string& text, int count, TPalette& palette) {
  for (int i = 0; i < count; ++i) {
    const size_t at = static_cast<size_t>(i) * 6;
    uint32_t v = 0;
    for (size_t k = 0; k < 6; ++k) {
      int d = HexDigit(text[at + k]);
      if (d < 0) throw EConvertError(FormatMessage(msg::kInvalidInteger, "$" + text.substr(at, 6)));
      v = (v << 4) | static_cast<uint32_t>(d);
    }
    TPaletteEntry& e = palette[static_cast<size_t>(i)];
    e.Red = static_cast<uint8_t>(v & 0xFF);
    e.Green = static_cast<uint8_t>((v >> 8) & 0xFF);
    e.Blue = static_cast<uint8_t>((v >> 16) & 0xFF);
  }
}

}  // namespace dorv

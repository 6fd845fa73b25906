// Text helpers of the header tree: name comparison, escaping and the decimal
// integer conversion used by the attribute getters.
#include <cstdint>
#include <string>
#include <string_view>

#include "converter/xml/xmltree.h"

namespace dorv {
namespace {

unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

void ReplaceAll(std::string& s, std::string_view from, std::string_view to) {
  if (s.find(from) == std::string::npos) return;
  std::string out;
  out.reserve(s.size());
  size_t p = 0;
  for (;;) {
    size_t at = s.find(from, p);
    if (at == std::string::npos) break;
    out.append(s, p, at - p);
    out.append(to);
    p = at + from.size();
  }
  out.append(s, p, std::string::npos);
  s.swap(out);
}

}  // namespace

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(static_cast<unsigned char>(a[i])) != Lower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string XmlEscape(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    // A double-byte character passes whole, so that its second byte is never
    // taken for markup. A lead byte without a valid second byte stands alone
    // and the byte after it is escaped like any other.
    if (IsLeadByte(c) && i + 1 < s.size() && IsTrailByte(static_cast<unsigned char>(s[i + 1]))) {
      out += s[i];
      out += s[++i];
    } else if (c >= 0x01 && c <= 0x1F) {
      out += "&#";
      out += std::to_string(c);
      out += ';';
    } else if (c == '&') {
      out += "&amp;";
    } else if (c == '"') {
      out += "&quot;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += s[i];
    }
  }
  return out;
}

std::string XmlUnescape(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  size_t p = 0;
  while (p < s.size()) {
    size_t at = s.find("&#", p);
    if (at == std::string::npos) break;
    out.append(s, p, at - p);
    size_t semi = s.find(';', at + 2);
    int32_t n = 0;
    if (semi != std::string::npos && TryStrToInt(s.substr(at + 2, semi - at - 2), n) && n >= 1 &&
        n <= 0xFFFF) {
      if (n > 0xFF) out += static_cast<char>(n >> 8);
      out += static_cast<char>(n & 0xFF);
      p = semi + 1;
    } else {
      // Not a character reference: kept as it stands.
      out.append("&#");
      p = at + 2;
    }
  }
  out.append(s, p, std::string::npos);
  ReplaceAll(out, "&gt;", ">");
  ReplaceAll(out, "&lt;", "<");
  ReplaceAll(out, "&quot;", "\"");
  ReplaceAll(out, "&amp;", "&");
  return out;
}

bool TryStrToInt(const std::string& s, int32_t& out) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  if (i >= s.size()) return false;
  const int64_t limit = negative ? int64_t{1} << 31 : (int64_t{1} << 31) - 1;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
    if (v > limit) return false;
  }
  out = static_cast<int32_t>(negative ? -v : v);
  return true;
}

}  // namespace dorv

#include "converter/core/errors.h"

namespace dorv {
namespace {
std::string Replace(const char* pattern, const char* token, const std::string& value) {
  std::string text(pattern);
  auto at = text.find(token);
  if (at != std::string::npos) text.replace(at, 2, value);
  return text;
}
}  // namespace

std::string FormatMessage(const char* pattern, long long value) {
  return Replace(pattern, "%d", std::to_string(value));
}

std::string FormatMessage(const char* pattern, const std::string& value) {
  return Replace(pattern, "%s", value);
}

}  // namespace dorv

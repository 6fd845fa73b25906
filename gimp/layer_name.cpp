#include "gimp/layer_name.h"

#include <cctype>
#include <limits>

namespace dorv::gimp {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// Parses "(  123  ms )" starting at the '(' at pos; the digits on success.
std::optional<int32_t> DelayGroupAt(std::string_view s, size_t pos) {
  size_t i = pos + 1;
  while (i < s.size() && IsSpace(s[i])) ++i;
  const size_t digitsStart = i;
  int64_t value = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
    value = value * 10 + (s[i] - '0');
    // Absurd delays are held at the largest one a frame can carry.
    if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
    ++i;
  }
  if (i == digitsStart) return std::nullopt;
  while (i < s.size() && IsSpace(s[i])) ++i;
  if (i + 1 >= s.size() || s[i] != 'm' || s[i + 1] != 's') return std::nullopt;
  i += 2;
  while (i < s.size() && IsSpace(s[i])) ++i;
  if (i >= s.size() || s[i] != ')') return std::nullopt;
  return static_cast<int32_t>(value);
}

}  // namespace

std::string FrameLayerName(int index, int32_t delayMs, FrameCombine combine) {
  std::string name = "Frame " + std::to_string(index + 1) + " (" + std::to_string(delayMs) + "ms)";
  if (combine == FrameCombine::Combine) name += " (combine)";
  if (combine == FrameCombine::Replace) name += " (replace)";
  return name;
}

std::optional<int32_t> DelayFromLayerName(std::string_view name) {
  std::optional<int32_t> found;
  for (size_t pos = name.find('('); pos != std::string_view::npos; pos = name.find('(', pos + 1)) {
    if (auto delay = DelayGroupAt(name, pos)) found = delay;
  }
  return found;
}

FrameCombine CombineFromLayerName(std::string_view name) {
  const size_t combine = name.rfind("(combine)");
  const size_t replace = name.rfind("(replace)");
  if (combine == std::string_view::npos && replace == std::string_view::npos) return FrameCombine::Unstated;
  if (replace == std::string_view::npos) return FrameCombine::Combine;
  if (combine == std::string_view::npos) return FrameCombine::Replace;
  return combine > replace ? FrameCombine::Combine : FrameCombine::Replace;
}

}  // namespace dorv::gimp

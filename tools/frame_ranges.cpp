#include "tools/frame_ranges.h"

#include <stdexcept>

#include "tools/dovtool_args.h"

namespace dorv::tools {
namespace {

uint32_t Number(const std::string& part, const std::string& text) {
  if (part.empty() || part.size() > 9 || part.find_first_not_of("0123456789") != std::string::npos)
    throw UsageError("--frame takes numbers and ranges such as 0-3,7, not '" + text + "'");
  return static_cast<uint32_t>(std::stoul(part));
}

}  // namespace

std::vector<uint32_t> ParseFrameRanges(const std::string& text, uint32_t frameCount) {
  std::vector<uint32_t> out;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = text.find(',', start);
    const std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    const size_t dash = part.find('-');
    uint32_t first = 0, last = 0;
    if (dash == std::string::npos) {
      first = last = Number(part, text);
    } else {
      first = Number(part.substr(0, dash), text);
      last = dash + 1 == part.size() ? (frameCount == 0 ? 0 : frameCount - 1) : Number(part.substr(dash + 1), text);
      if (last < first) throw UsageError("--frame range " + part + " runs backwards");
    }
    if (last >= frameCount)
      throw std::runtime_error("no frame " + std::to_string(last) + ": the document has " + std::to_string(frameCount) +
                               (frameCount == 1 ? " frame" : " frames"));
    for (uint32_t f = first; f <= last; ++f) out.push_back(f);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return out;
}

}  // namespace dorv::tools

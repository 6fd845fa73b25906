#include "gimp/captions.h"

namespace dorv::gimp {

std::string MnemonicCaption(const std::string& caption) {
  std::string out;
  out.reserve(caption.size() + 2);
  for (size_t i = 0; i < caption.size(); ++i) {
    const char c = caption[i];
    if (c == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        out += '&';
        ++i;
      } else if (i + 1 < caption.size()) {
        out += '_';
      }
    } else if (c == '_') {
      out += "__";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace dorv::gimp

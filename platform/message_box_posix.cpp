#ifndef _WIN32
#include <cstdio>

#include "platform/message_box.h"

namespace platform {

void ShowMessage(const std::string& text, const std::string& caption, MessageKind) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  std::fflush(stderr);
}

}  // namespace platform
#endif

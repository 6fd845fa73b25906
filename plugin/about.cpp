#include "plugin/about.h"

#include "converter/core/messages.h"
#include "platform/message_box.h"

#ifndef DORV_VERSION_STRING
#define DORV_VERSION_STRING "1.0.0"
#endif

namespace dorv::plugin {

std::string AboutText() {
  return std::string(msg::kFormatName) + " " + DORV_VERSION_STRING + "\n" +
         msg::kAboutDescription;
}

void ShowAbout() {
  platform::ShowMessage(AboutText(), msg::kFormatName, platform::MessageKind::Information);
}

}  // namespace dorv::plugin

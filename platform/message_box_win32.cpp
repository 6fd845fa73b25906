// Message boxes on Windows: MessageBoxW owned by the calling thread's active
// window, so that the box is modal to the host's window that is in front.
// Errors (the reader's messages) come in a plain box with only the OK
// button; warnings and information carry their icon.
#ifdef _WIN32
#include "platform/message_box.h"
#include "platform/wide_text.h"
#include "platform/win32.h"

namespace platform {

void ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) {
  UINT icon = 0;
  if (kind == MessageKind::Warning) icon = MB_ICONWARNING;
  if (kind == MessageKind::Information) icon = MB_ICONINFORMATION;
  const std::wstring wideText = WideFromUtf8(text);
  const std::wstring wideCaption = WideFromUtf8(caption);
  MessageBoxW(GetActiveWindow(), wideText.c_str(), wideCaption.c_str(), MB_OK | icon);
}

}  // namespace platform
#endif

// A plain modal message box with an OK button. On Windows it is MessageBoxW
// owned by the active window; elsewhere the text goes to standard error.
#pragma once

#include <string>

namespace platform {

enum class MessageKind { Error, Warning, Information };

// text and caption are UTF-8.
void ShowMessage(const std::string& text, const std::string& caption, MessageKind kind);

}  // namespace platform

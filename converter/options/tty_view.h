// The save-options form drawn as text for a terminal (UTF-8 with ANSI
// attributes): the caption, every visible label beside its control, the
// drop-down's items with the selected one marked, the spin edit when it is
// visible, and the buttons. The focused control is shown in reverse video and
// each access key is underlined.
#pragma once

#include <string>

namespace dorv {

class TFormOption;

// warning, when not empty, is drawn below the form as a message box with an
// OK button that has the focus.
std::string RenderFormText(const TFormOption& form, const std::string& warning);

}  // namespace dorv

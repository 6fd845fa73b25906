// The save-options form on the controlling terminal: a text-mode form with
// arrow keys, Tab, access keys (Alt+letter or the letter alone), Enter for OK
// and Escape for Cancel.
#pragma once

#include <memory>
#include <string>

#include "converter/options/form_presenter.h"

namespace dorv {

// Null, with the reason in why, when there is no terminal to show it on.
std::unique_ptr<TFormPresenter> CreateTerminalPresenter(std::string* why);

}  // namespace dorv

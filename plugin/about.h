// The about box.
#pragma once

#include <string>

namespace dorv::plugin {

// The box's text: the format's name with the version, then what it does.
std::string AboutText();

void ShowAbout();

}  // namespace dorv::plugin

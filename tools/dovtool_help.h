// dovtool's help texts: the whole tool and each command.
#pragma once

#include <string>

namespace dorv::tools {

const char* ToolHelp();
// Null for a command that does not exist.
const char* CommandHelp(const std::string& command);
const char* ToolVersion();

}  // namespace dorv::tools

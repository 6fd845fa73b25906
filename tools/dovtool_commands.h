// dovtool's commands. Each takes the arguments after its name and returns
// the exit status: 0 when every file went through, 1 when one failed, 2 on
// bad usage.
#pragma once

#include <string>
#include <vector>

namespace dorv::tools {

int RunInfo(const std::vector<std::string>& args);
int RunToPng(const std::vector<std::string>& args);
int RunFromPng(const std::vector<std::string>& args);
// argv[0] is "host".
int RunHost(int argc, char** argv);

}  // namespace dorv::tools

// dovtool's commands. Each takes the arguments after its name and returns
// the exit status (see dovtool_report.h); bad usage raises UsageError.
#pragma once

#include <string>
#include <vector>

namespace dorv::tools {

int RunInfo(const std::vector<std::string>& args);
int RunToPng(const std::vector<std::string>& args);
int RunFromPng(const std::vector<std::string>& args);
int RunToAnim(const std::vector<std::string>& args);
int RunThumbnail(const std::vector<std::string>& args);
int RunToSheet(const std::vector<std::string>& args);
int RunPalette(const std::vector<std::string>& args);
// argv[0] is "host".
int RunHost(int argc, char** argv);

}  // namespace dorv::tools

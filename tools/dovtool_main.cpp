// dovtool: DorvStudio documents on the command line, through the converter
// library's three exports and the whole-document library.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "tools/dovtool_args.h"
#include "tools/dovtool_commands.h"
#include "tools/dovtool_help.h"
#include "tools/dovtool_report.h"

namespace {

using dorv::tools::CommandHelp;

int UsageFailure(const std::string& command, const std::string& what) {
  if (command.empty())
    std::fprintf(stderr, "dovtool: %s (see 'dovtool --help')\n", what.c_str());
  else
    std::fprintf(stderr, "dovtool %s: %s (see 'dovtool %s --help')\n", command.c_str(), what.c_str(),
                 command.c_str());
  return dorv::tools::kExitUsage;
}

bool AsksForHelp(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a == "--") return false;
    if (a == "-h" || a == "--help") return true;
  }
  return false;
}

int Run(const std::string& command, const std::vector<std::string>& args) {
  if (command == "info") return dorv::tools::RunInfo(args);
  if (command == "to-png") return dorv::tools::RunToPng(args);
  if (command == "from-png") return dorv::tools::RunFromPng(args);
  if (command == "to-anim") return dorv::tools::RunToAnim(args);
  if (command == "thumbnail") return dorv::tools::RunThumbnail(args);
  if (command == "to-sheet") return dorv::tools::RunToSheet(args);
  if (command == "palette") return dorv::tools::RunPalette(args);
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(dorv::tools::ToolHelp(), stderr);
    return dorv::tools::kExitUsage;
  }
  const std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "-h" || command == "--help") {
    std::fputs(dorv::tools::ToolHelp(), stdout);
    return 0;
  }
  if (command == "-V" || command == "--version") {
    std::printf("%s\n", dorv::tools::ToolVersion());
    return 0;
  }
  if (command == "help") {
    if (args.empty()) {
      std::fputs(dorv::tools::ToolHelp(), stdout);
      return 0;
    }
    const char* text = CommandHelp(args[0]);
    if (text == nullptr) return UsageFailure("", "no command '" + args[0] + "'");
    std::fputs(text, stdout);
    return 0;
  }
  if (CommandHelp(command) == nullptr) return UsageFailure("", "unknown command '" + command + "'");
  if (AsksForHelp(args)) {
    std::fputs(CommandHelp(command), stdout);
    return 0;
  }
  if (command == "host") return dorv::tools::RunHost(argc - 1, argv + 1);
  try {
    return Run(command, args);
  } catch (const dorv::tools::UsageError& e) {
    return UsageFailure(command, e.what());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "dovtool %s: %s\n", command.c_str(), e.what());
    return dorv::tools::kExitFailed;
  }
}

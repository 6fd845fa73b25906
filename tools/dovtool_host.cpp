// dovtool host ...: the host that drives the plug-in, when it is built.
#include <cstdio>
#include <string>

#include "tools/dovtool_commands.h"
#include "tools/dovtool_report.h"
#ifdef DOVTOOL_WITH_HOST
#include "tools/host/host_cli.h"
#endif

namespace dorv::tools {
namespace {

// What is wrong with the arguments, in one line, or "" when they are sound.
std::string HostUsageProblem(int argc, char** argv) {
  std::string verb;
  int files = 0;
  bool skipOptions = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--plugin") {
      if (++i >= argc) return "--plugin needs a value (PATH)";
    } else if (arg == "--skip-options") {
      skipOptions = true;
    } else if (arg == "--short-record") {
      // an older host's record; the host command takes it as it is
    } else if (arg.size() > 1 && arg[0] == '-') {
      return "unknown option " + arg;
    } else if (verb.empty()) {
      verb = arg;
    } else {
      ++files;
    }
  }
  if (verb.empty()) return "give open or save";
  if (verb != "open" && verb != "save") return "unknown host command '" + verb + "': give open or save";
  if (files != 2)
    return "host " + verb + " takes two files (" + (verb == "open" ? "FILE.dov OUT.png" : "IN.png OUT.dov") +
           "), not " + std::to_string(files);
  if (verb == "open" && skipOptions) return "--skip-options is for host save";
  return "";
}

}  // namespace

int RunHost(int argc, char** argv) {
  const std::string problem = HostUsageProblem(argc, argv);
  if (!problem.empty()) {
    std::fprintf(stderr, "dovtool host: %s (see 'dovtool host --help')\n", problem.c_str());
    return kExitUsage;
  }
#ifdef DOVTOOL_WITH_HOST
  return dorv::host::RunHostCommand(argc, argv);
#else
  std::fprintf(stderr, "dovtool: the plug-in host is not built into this dovtool\n");
  return kExitFailed;
#endif
}

}  // namespace dorv::tools

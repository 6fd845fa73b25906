// dovtool host ...: the host that drives the plug-in, when it is built.
#include <cstdio>

#include "tools/dovtool_commands.h"
#ifdef DOVTOOL_WITH_HOST
#include "tools/host/host_cli.h"
#endif

namespace dorv::tools {

int RunHost(int argc, char** argv) {
#ifdef DOVTOOL_WITH_HOST
  return dorv::host::RunHostCommand(argc, argv);
#else
  (void)argc;
  (void)argv;
  std::fprintf(stderr, "dovtool: the plug-in host is not built into this dovtool\n");
  return 1;
#endif
}

}  // namespace dorv::tools

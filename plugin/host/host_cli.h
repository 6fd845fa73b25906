// The host as a command:
//   host open FILE.dov OUT.png [--plugin PATH]
//   host save IN.png OUT.dov [--skip-options] [--plugin PATH]
// argv[0] is "host". The plug-in defaults to DorvFormat.8bi beside the
// running executable. Returns 0 on success, 1 on failure, 2 on bad usage.
#pragma once

namespace dorv::host {

int RunHostCommand(int argc, char** argv);

}  // namespace dorv::host

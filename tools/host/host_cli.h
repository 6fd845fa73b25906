// The host as a command:
//   host open FILE.dov OUT.png [--plugin PATH] [--short-record]
//   host save IN.png OUT.dov [--skip-options] [--plugin PATH] [--short-record]
// argv[0] is "host". The plug-in defaults to DorvFormat.8bi beside the
// running executable; --short-record hands it an older host's format record,
// which ends right after theRect32. Returns 0 on success, 1 on failure
// (also when the plug-in wrote fields its selectors may not write), 2 on bad
// usage.
#pragma once

namespace dorv::host {

int RunHostCommand(int argc, char** argv);

}  // namespace dorv::host

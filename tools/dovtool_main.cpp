// dovtool: DorvStudio documents on the command line, through the converter
// library's three exports.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "tools/dovtool_args.h"
#include "tools/dovtool_commands.h"

namespace {

const char kUsage[] =
    "usage:\n"
    "  dovtool info FILE.dov...\n"
    "  dovtool to-png FILE.dov... [-o OUT.png | --out-dir DIR]\n"
    "  dovtool from-png IN.png... [-o OUT.dov | --out-dir DIR]\n"
    "                   [--compression zlib|none|lossy] [--quality 1-100]\n"
    "  dovtool host open FILE.dov OUT.png | save IN.png OUT.dov [options]\n"
    "Outputs go beside each input unless -o or --out-dir is given.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string command = argv[1];
  if (command == "-h" || command == "--help" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "host") return dorv::tools::RunHost(argc - 1, argv + 1);
  std::vector<std::string> args(argv + 2, argv + argc);
  try {
    if (command == "info") return dorv::tools::RunInfo(args);
    if (command == "to-png") return dorv::tools::RunToPng(args);
    if (command == "from-png") return dorv::tools::RunFromPng(args);
    std::fprintf(stderr, "dovtool: unknown command '%s'\n%s", command.c_str(), kUsage);
    return 2;
  } catch (const dorv::tools::UsageError& e) {
    std::fprintf(stderr, "dovtool %s: %s\n%s", command.c_str(), e.what(), kUsage);
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "dovtool: %s\n", e.what());
    return 1;
  }
}

#include "tools/host/host_cli.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "tools/host/plugin_host.h"
#include "platform/win32.h"

#ifdef DORV_HOST_PNG
#include "tools/host/host_png.h"
#endif

namespace dorv::host {

namespace {

constexpr const char* kUsage =
    "usage: host open FILE.dov OUT.png [--plugin PATH] [--short-record]\n"
    "       host save IN.png OUT.dov [--skip-options] [--plugin PATH] [--short-record]\n";

struct Command {
  std::string verb;
  std::vector<std::string> files;
  std::string plugin;
  bool skipOptions = false;
  bool shortRecord = false;
};

bool Parse(int argc, char** argv, Command& command) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--plugin") {
      if (++i >= argc) return false;
      command.plugin = argv[i];
    } else if (arg == "--skip-options") {
      command.skipOptions = true;
    } else if (arg == "--short-record") {
      command.shortRecord = true;
    } else if (command.verb.empty()) {
      command.verb = arg;
    } else {
      command.files.push_back(arg);
    }
  }
  if (command.verb != "open" && command.verb != "save") return false;
  if (command.files.size() != 2) return false;
  return command.verb == "save" || !command.skipOptions;
}

std::string DefaultPluginPath() {
  char self[4096] = {};
  const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  if (length == 0 || length >= sizeof self) return "DorvFormat.8bi";
  return (std::filesystem::path(self).parent_path() / "DorvFormat.8bi").string();
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "host: %s\n", message.c_str());
  return 1;
}

#ifdef DORV_HOST_PNG
// A module that wrote fields its selectors may not write has failed, whatever
// it reported.
bool KeptToItsFields(const PluginHost& host) {
  for (const std::string& violation : host.Violations())
    std::fprintf(stderr, "host: the plug-in broke the protocol: %s\n", violation.c_str());
  return host.Violations().empty();
}

int Open(PluginHost& host, const std::string& input, const std::string& output) {
  HostDocument document;
  const host_api::OSErr result = host.Open(input, document);
  if (!KeptToItsFields(host)) return 1;
  if (result != host_api::noErr)
    return Fail("opening " + input + " failed with result " + std::to_string(result));
  tools::WritePng(output, ToPng(document));
  return 0;
}

int Save(PluginHost& host, const std::string& input, const std::string& output,
         bool runOptions) {
  const HostDocument document = FromPng(tools::ReadPng(input));
  // Write beside the target and move into place only on success, so that a
  // failed save leaves no partial file and keeps an existing one.
  const std::string partial = output + ".partial";
  const host_api::OSErr result = host.Save(document, partial, runOptions);
  std::error_code ignored;
  if (!KeptToItsFields(host) || result != host_api::noErr) {
    std::filesystem::remove(partial, ignored);
    if (result == host_api::noErr) return 1;
    return Fail("saving " + output + " failed with result " + std::to_string(result));
  }
  std::error_code error;
  std::filesystem::rename(partial, output, error);
  if (error) {
    std::filesystem::remove(partial, ignored);
    return Fail("cannot write " + output + ": " + error.message());
  }
  return 0;
}
#endif

}  // namespace

int RunHostCommand(int argc, char** argv) {
  Command command;
  if (!Parse(argc, argv, command)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
#ifdef DORV_HOST_PNG
  const std::string pluginPath = command.plugin.empty() ? DefaultPluginPath() : command.plugin;
  HostSettings settings;
  // An older host's record, which ends right after theRect32.
  if (command.shortRecord) settings.recordLength = RecordLength::EndsAfterTheRect32;
  PluginHost host(pluginPath, settings);
  if (!host.Loaded()) return Fail("cannot load the plug-in " + pluginPath);
  try {
    if (command.verb == "open") return Open(host, command.files[0], command.files[1]);
    return Save(host, command.files[0], command.files[1], !command.skipOptions);
  } catch (const std::exception& error) {
    return Fail(error.what());
  }
#else
  (void)&DefaultPluginPath;
  return Fail("this build has no PNG support");
#endif
}

}  // namespace dorv::host

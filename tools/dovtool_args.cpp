#include "tools/dovtool_args.h"

#include <sys/stat.h>

#include "converter/core/comp_type.h"

namespace dorv::tools {
namespace {

int32_t ParseQuality(const std::string& text) {
  if (text.empty() || text.size() > 3) throw UsageError("--quality takes a whole number from 1 to 100");
  int32_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') throw UsageError("--quality takes a whole number from 1 to 100");
    v = v * 10 + (c - '0');
  }
  if (v < 1 || v > 100) throw UsageError("--quality takes a whole number from 1 to 100");
  return v;
}

int32_t ParseCompression(const std::string& name) {
  if (name == "zlib") return kCompZlib;
  if (name == "none") return kCompNone;
  if (name == "lossy") return kCompJpeg;
  throw UsageError("--compression takes zlib, none or lossy, not '" + name + "'");
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

ToolArgs ParseToolArgs(const std::vector<std::string>& args, const ArgRules& rules) {
  ToolArgs out;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](const char* option) -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(std::string(option) + " needs a value");
      return args[++i];
    };
    if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
      out.inputs.push_back(a);
    } else if (a == "--") {
      optionsEnded = true;
    } else if (rules.outputs && (a == "-o" || a == "--output")) {
      out.out = value("-o");
    } else if (rules.outputs && a == "--out-dir") {
      out.outDir = value("--out-dir");
    } else if (rules.saveOptions && a == "--compression") {
      out.compType = ParseCompression(value("--compression"));
      out.compressionGiven = true;
    } else if (rules.saveOptions && a == "--quality") {
      out.quality = ParseQuality(value("--quality"));
    } else {
      throw UsageError("unknown option " + a);
    }
  }
  if (out.inputs.empty()) throw UsageError("no input file given");
  if (!rules.severalInputs && out.inputs.size() > 1) throw UsageError("give one input file");
  if (!out.out.empty() && !out.outDir.empty()) throw UsageError("give -o or --out-dir, not both");
  if (!out.out.empty() && out.inputs.size() > 1)
    throw UsageError("-o names one output: use --out-dir for several inputs");
  if (!out.outDir.empty() && !IsDirectory(out.outDir))
    throw UsageError("--out-dir " + out.outDir + " is not a folder");
  return out;
}

std::string OutputPathFor(const std::string& input, const std::string& ext, const ToolArgs& args) {
  if (!args.out.empty()) return args.out;
  size_t slash = input.rfind('/');
  std::string dir = slash == std::string::npos ? "" : input.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? input : input.substr(slash + 1);
  size_t dot = name.rfind('.');
  std::string stem = (dot == std::string::npos || dot == 0) ? name : name.substr(0, dot);
  if (!args.outDir.empty()) {
    dir = args.outDir;
    if (dir.back() != '/') dir += '/';
  }
  return dir + stem + ext;
}

}  // namespace dorv::tools

#include "tools/dovtool_args.h"

#include <errno.h>
#include <sys/stat.h>

#include <cstring>

#include "dov/dov.h"

namespace dorv::tools {
namespace {

const OptionSpec* FindLong(std::span<const OptionSpec> options, const std::string& name) {
  for (const OptionSpec& o : options)
    if (name == o.name) return &o;
  return nullptr;
}

const OptionSpec* FindShort(std::span<const OptionSpec> options, char c) {
  for (const OptionSpec& o : options)
    if (o.shortName == c) return &o;
  return nullptr;
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// mkdir -p.
void MakeFolders(const std::string& path) {
  std::string partial;
  size_t from = 0;
  while (from <= path.size()) {
    size_t slash = path.find('/', from);
    if (slash == std::string::npos) slash = path.size();
    partial = path.substr(0, slash);
    if (!partial.empty() && !IsDirectory(partial) && ::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST)
      throw std::runtime_error("--out-dir " + path + ": cannot create the folder: " + std::strerror(errno));
    from = slash + 1;
  }
  if (!IsDirectory(path)) throw UsageError("--out-dir " + path + " is not a folder");
}

}  // namespace

std::string ParsedArgs::Value(const std::string& name, const std::string& otherwise) const {
  auto it = values.find(name);
  return it == values.end() ? otherwise : it->second;
}

ParsedArgs ParseArgs(const std::vector<std::string>& args, std::span<const OptionSpec> options) {
  ParsedArgs out;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.size() < 2 || a[0] != '-') {
      out.inputs.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    const OptionSpec* option = nullptr;
    std::string shown, inlineValue;
    bool hasInline = false;
    if (a[1] == '-') {
      const size_t eq = a.find('=');
      shown = a.substr(0, eq);
      option = FindLong(options, shown.substr(2));
      if (eq != std::string::npos) {
        hasInline = true;
        inlineValue = a.substr(eq + 1);
      }
    } else {
      shown = a.substr(0, 2);
      option = FindShort(options, a[1]);
      if (a.size() > 2) {  // -q80
        hasInline = true;
        inlineValue = a.substr(2);
      }
    }
    if (option == nullptr) throw UsageError("unknown option " + shown);
    if (option->valueName == nullptr) {
      if (hasInline) throw UsageError(shown + " takes no value");
      out.values[option->name] = "";
      continue;
    }
    if (!hasInline) {
      if (i + 1 >= args.size()) throw UsageError(shown + " needs a value (" + option->valueName + ")");
      inlineValue = args[++i];
    }
    out.values[option->name] = inlineValue;
    out.repeated[option->name].push_back(inlineValue);
  }
  return out;
}

int32_t ParseNumber(const std::string& name, const std::string& text, int32_t low, int32_t high) {
  const std::string what = "--" + name + " takes a whole number from " + std::to_string(low) + " to " +
                           std::to_string(high) + ", not '" + text + "'";
  if (text.empty() || text.size() > 9) throw UsageError(what);
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') throw UsageError(what);
    v = v * 10 + (c - '0');
  }
  if (v < low || v > high) throw UsageError(what);
  return static_cast<int32_t>(v);
}

std::vector<int32_t> ParseNumberList(const std::string& name, const std::string& text, int32_t low,
                                     int32_t high) {
  std::vector<int32_t> out;
  size_t from = 0;
  for (;;) {
    const size_t comma = text.find(',', from);
    out.push_back(ParseNumber(name, text.substr(from, comma == std::string::npos ? std::string::npos : comma - from),
                              low, high));
    if (comma == std::string::npos) return out;
    from = comma + 1;
  }
}

dov_compression ParseCompression(const std::string& name) {
  if (name == "zlib") return DOV_COMPRESSION_ZLIB;
  if (name == "none") return DOV_COMPRESSION_NONE;
  if (name == "lossy") return DOV_COMPRESSION_LOSSY;
  throw UsageError("--compression takes zlib, none or lossy, not '" + name + "'");
}

OutputRule OutputRuleFrom(const ParsedArgs& args, bool oneOutputPerRun) {
  OutputRule rule;
  rule.out = args.Value("output");
  rule.outDir = args.Value("out-dir");
  if (args.Has("output") && rule.out.empty()) throw UsageError("-o needs a file name, not an empty one");
  if (args.Has("out-dir") && rule.outDir.empty()) throw UsageError("--out-dir needs a folder name");
  if (!rule.out.empty() && !rule.outDir.empty()) throw UsageError("give -o or --out-dir, not both");
  if (!oneOutputPerRun && !rule.out.empty() && args.inputs.size() > 1)
    throw UsageError("-o names one output: use --out-dir for several inputs");
  if (!rule.outDir.empty()) MakeFolders(rule.outDir);
  return rule;
}

std::string OutputPathFor(const std::string& input, const std::string& suffix, const OutputRule& rule) {
  if (!rule.out.empty()) return rule.out;
  const std::string source = input == "-" ? "stdin" : input;
  size_t slash = source.rfind('/');
  std::string dir = slash == std::string::npos ? "" : source.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? source : source.substr(slash + 1);
  size_t dot = name.rfind('.');
  std::string stem = (dot == std::string::npos || dot == 0) ? name : name.substr(0, dot);
  if (!rule.outDir.empty()) {
    dir = rule.outDir;
    if (dir.back() != '/') dir += '/';
  }
  return dir + stem + suffix;
}

}  // namespace dorv::tools

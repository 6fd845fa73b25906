// dovtool's command-line arguments: options as the image tools take them
// (--opt value, --opt=value, short letters), and the naming of outputs.
#pragma once

#include "dov/dov.h"

#include <cstdint>
#include <map>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace dorv::tools {

// Bad usage: the message says what is wrong; dovtool exits with status 2.
class UsageError : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct OptionSpec {
  const char* name;       // long name without the dashes
  char shortName;         // 0 for none
  const char* valueName;  // null for a flag
};

struct ParsedArgs {
  std::vector<std::string> inputs;
  std::map<std::string, std::string> values;  // long name -> value or "" for a flag; the last wins
  std::map<std::string, std::vector<std::string>> repeated;  // every value given, in order

  bool Has(const std::string& name) const { return values.count(name) != 0; }
  std::string Value(const std::string& name, const std::string& otherwise = "") const;
};

// args excludes the program and the command name. "-" alone is an input;
// after "--" everything is.
ParsedArgs ParseArgs(const std::vector<std::string>& args, std::span<const OptionSpec> options);

// A whole number from low to high for option name.
int32_t ParseNumber(const std::string& name, const std::string& text, int32_t low, int32_t high);
// Whole numbers separated by commas.
std::vector<int32_t> ParseNumberList(const std::string& name, const std::string& text, int32_t low,
                                     int32_t high);
// --compression's names: 0 zlib, 1 none, 2 lossy.
dov_compression ParseCompression(const std::string& name);

// Where outputs go for this run.
struct OutputRule {
  std::string out;     // -o OUT: the one output
  std::string outDir;  // --out-dir DIR, created when missing
};
// Checks -o / --out-dir against the inputs (raising UsageError) and makes
// the folder. oneOutputPerRun: several inputs may still go to -o.
OutputRule OutputRuleFrom(const ParsedArgs& args, bool oneOutputPerRun = false);

// The output path for input: -o OUT when given, otherwise the input's stem
// plus suffix in --out-dir or in the input's own folder ("-" gives "stdin").
std::string OutputPathFor(const std::string& input, const std::string& suffix, const OutputRule& rule);

}  // namespace dorv::tools

// dovtool's command-line arguments and the naming of its output files.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace dorv::tools {

// Bad usage: the message says what is wrong; dovtool exits with status 2.
class UsageError : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct ToolArgs {
  std::vector<std::string> inputs;
  std::string out;     // -o OUT: the one output file
  std::string outDir;  // --out-dir DIR
  int32_t compType = 0;  // zlib, as the save-options dialog starts
  int32_t quality = 70;
  bool compressionGiven = false;
};

struct ArgRules {
  bool outputs = false;      // -o / --out-dir
  bool saveOptions = false;  // --compression / --quality
  bool severalInputs = true;
};

// args excludes the program and the command name.
ToolArgs ParseToolArgs(const std::vector<std::string>& args, const ArgRules& rules);

// The output path for input: -o OUT when given, otherwise the input's stem
// with extension ext in --out-dir or in the input's own folder.
std::string OutputPathFor(const std::string& input, const std::string& ext, const ToolArgs& args);

}  // namespace dorv::tools

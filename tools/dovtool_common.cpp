#include "tools/dovtool_common.h"

#include <stdexcept>

#include "tools/output_file.h"

namespace dorv::tools {

Verbosity VerbosityFrom(const ParsedArgs& args) {
  Verbosity v;
  v.quiet = args.Has("quiet");
  v.verbose = args.Has("verbose");
  return v;
}

void CheckInputs(const ParsedArgs& args) {
  if (args.inputs.empty()) throw UsageError("no input file given");
  for (const std::string& input : args.inputs) {
    if (input.empty()) throw UsageError("an empty name is no input file");
    if (input == "-" && args.inputs.size() > 1)
      throw UsageError("- (standard input) can only be the one input");
  }
}

void RefuseOutputOverInputs(const std::string& output, const std::vector<std::string>& inputs) {
  for (const std::string& input : inputs)
    if (SameFile(output, input))
      throw OutputError(output, "is the input " + input + " itself: refused, nothing written");
}

}  // namespace dorv::tools

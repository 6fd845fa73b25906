// What every command does alike: its common options, the standard streams
// and the refusal of outputs that are inputs.
#pragma once

#include <string>
#include <vector>

#include "tools/dovtool_args.h"
#include "tools/dovtool_report.h"

namespace dorv::tools {

// The options of every command that reads documents (short -q for --quiet
// only where the command has no --quality).
#define DOVTOOL_READER_OPTIONS \
  {"quiet", 'q', nullptr}, {"verbose", 'v', nullptr}, {"allow-damaged", 0, nullptr}

Verbosity VerbosityFrom(const ParsedArgs& args);

// At least one input; "-" (standard input) only as the one input.
void CheckInputs(const ParsedArgs& args);

// Raises OutputError when writing output would write one of inputs.
void RefuseOutputOverInputs(const std::string& output, const std::vector<std::string>& inputs);

}  // namespace dorv::tools

// dovtool info FILE.dov...: one JSON object per file on standard output.
#include <cstdio>
#include <exception>

#include "tools/dovtool_args.h"
#include "tools/dovtool_commands.h"
#include "tools/dovtool_dov.h"
#include "tools/dovtool_report.h"

namespace dorv::tools {

int RunInfo(const std::vector<std::string>& args) {
  ArgRules rules;
  const ToolArgs parsed = ParseToolArgs(args, rules);
  Reporter report(parsed.inputs.size());
  for (const std::string& input : parsed.inputs) {
    try {
      DovPicture p = ReadDov(input);
      if (!p.messages.empty()) report.Warning(input, p.messages);
      std::printf(
          "{\"frames\":%d,\"width\":%d,\"height\":%d,\"bpp\":%d,\"transparent\":%d,"
          "\"bgcolor\":%d,\"notfillbg\":%s,\"version\":%d}\n",
          p.frames, p.width, p.height, p.bpp, p.transparent, p.bgColor,
          p.notFillBG ? "true" : "false", p.version);
      std::fflush(stdout);
    } catch (const std::exception& e) {
      report.Error(input, e.what());
    }
  }
  return report.Failed() ? 1 : 0;
}

}  // namespace dorv::tools

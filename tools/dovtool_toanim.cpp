// dovtool to-anim FILE.dov: every frame as a lossless animated WebP.
#include <exception>

#include "tools/dov_document.h"
#include "tools/dovtool_commands.h"
#include "tools/dovtool_common.h"
#include "tools/dovtool_dov.h"
#include "tools/input_file.h"
#include "tools/output_file.h"
#include "tools/webp_anim.h"

namespace dorv::tools {
namespace {

const OptionSpec kOptions[] = {{"output", 'o', "FILE"}, {"out-dir", 0, "DIR"}, DOVTOOL_READER_OPTIONS};

}  // namespace

int RunToAnim(const std::vector<std::string>& args) {
  const ParsedArgs parsed = ParseArgs(args, kOptions);
  CheckInputs(parsed);
  const OutputRule rule = OutputRuleFrom(parsed);
  Reporter report(parsed.inputs.size(), VerbosityFrom(parsed));
  for (const std::string& input : parsed.inputs) {
    try {
      RefuseOutputOverInputs(OutputPathFor(input, ".webp", rule), parsed.inputs);
    } catch (const OutputError& e) {
      report.Error(e.Path(), e.what());
      return report.Finish(false);
    }
  }
  for (size_t i = 0; i < parsed.inputs.size(); ++i) {
    const std::string& input = parsed.inputs[i];
    report.Progress(i, input);
    try {
      const std::string path = OutputPathFor(input, ".webp", rule);
      OutputFile out(path);
      frames::ReadOptions options;
      options.Composites = false;  // taken as RGBA below
      const frames::Document doc = ReadWholeDocument(ReadInputBytes(input), options);
      if (doc.Damaged()) report.Damaged(input, doc.Messages);
      std::vector<AnimFrame> anim;
      for (uint32_t f = 0; f < doc.Frames.size(); ++f)
        anim.push_back({frames::FrameRgba(doc.decoder.get(), f), doc.Frames[f].DelayMilliseconds});
      out.Write(EncodeLosslessAnimation(anim));
      out.Commit();
      report.Wrote(input, path);
    } catch (const OutputError& e) {
      report.Error(e.Path(), e.what());
    } catch (const std::exception& e) {
      report.Error(input, e.what());
    }
  }
  return report.Finish(parsed.Has("allow-damaged"));
}

}  // namespace dorv::tools

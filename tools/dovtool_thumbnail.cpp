// dovtool thumbnail -s SIZE IN.dov OUT.png: the first frame fitted into a
// square, for file managers.
#include <exception>

#include "tools/dov_document.h"
#include "tools/dovtool_commands.h"
#include "tools/dovtool_common.h"
#include "tools/dovtool_dov.h"
#include "tools/dovtool_pictures.h"
#include "tools/input_file.h"
#include "tools/output_file.h"
#include "tools/thumbnail_scale.h"

namespace dorv::tools {
namespace {

const OptionSpec kOptions[] = {{"size", 's', "SIZE"}, {"scale", 0, "N"}, DOVTOOL_READER_OPTIONS};

}  // namespace

int RunThumbnail(const std::vector<std::string>& args) {
  const ParsedArgs parsed = ParseArgs(args, kOptions);
  if (!parsed.Has("size")) throw UsageError("give the size with -s SIZE");
  const int32_t size = ParseNumber("size", parsed.Value("size"), 1, 4096);
  // --scale N: smaller pictures are enlarged N times at the most.
  const int32_t scale = parsed.Has("scale") ? ParseNumber("scale", parsed.Value("scale"), 1, 32) : 0;
  if (parsed.inputs.size() != 2)
    throw UsageError("give IN.dov and OUT.png, not " + std::to_string(parsed.inputs.size()) + " files");
  const std::string input = parsed.inputs[0], output = parsed.inputs[1];
  if (output.empty()) throw UsageError("an empty name is no output");
  Reporter report(1, VerbosityFrom(parsed));
  try {
    RefuseOutputOverInputs(output, {input});
    OutputFile out(output);
    frames::ReadOptions options;
    options.Composites = false;  // the first frame is taken as RGBA
    const frames::Document doc = ReadWholeDocument(ReadInputBytes(input), options);
    if (doc.Damaged()) report.Damaged(input, doc.Messages);
    // Palette pictures are reduced by nearest neighbour, others by averaging.
    const frames::RgbaImage thumb = FitThumbnail(frames::FrameRgba(doc.decoder.get(), 0), size, doc.Frames[0].Indexed, scale);
    out.Write(EncodePng(ToPng(thumb)));
    out.Commit();
    report.Wrote(input, output);
  } catch (const OutputError& e) {
    report.Error(e.Path(), e.what());
  } catch (const std::exception& e) {
    report.Error(input, e.what());
  }
  return report.Finish(parsed.Has("allow-damaged"));
}

}  // namespace dorv::tools

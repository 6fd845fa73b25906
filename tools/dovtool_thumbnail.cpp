// dovtool thumbnail -s SIZE IN.dov OUT.png: the first frame fitted into a
// square, for file managers.
#include <exception>

#include "tools/dov_document.h"
#include "tools/dovtool_commands.h"
#include "tools/dovtool_common.h"
#include "tools/dovtool_dov.h"
#include "tools/dovtool_pictures.h"
#include "tools/output_file.h"
#include "tools/thumbnail_scale.h"

namespace dorv::tools {
namespace {

const OptionSpec kOptions[] = {{"size", 's', "SIZE"}, DOVTOOL_READER_OPTIONS};

frames::Composite AsComposite(const DovPicture& p) {
  frames::Composite c;
  c.Width = p.width;
  c.Height = p.height;
  c.Bpp = p.bpp;
  c.Pixels = p.pixels;
  c.Palette = p.palette;
  c.TransparentIndex = p.transparent;
  return c;
}

}  // namespace

int RunThumbnail(const std::vector<std::string>& args) {
  const ParsedArgs parsed = ParseArgs(args, kOptions);
  if (!parsed.Has("size")) throw UsageError("give the size with -s SIZE");
  const int32_t size = ParseNumber("size", parsed.Value("size"), 1, 4096);
  if (parsed.inputs.size() != 2)
    throw UsageError("give IN.dov and OUT.png, not " + std::to_string(parsed.inputs.size()) + " files");
  const std::string input = parsed.inputs[0], output = parsed.inputs[1];
  if (output.empty()) throw UsageError("an empty name is no output");
  Reporter report(1, VerbosityFrom(parsed));
  try {
    RefuseOutputOverInputs(output, {input});
    OutputFile out(output);
    const DovPicture picture = ReadDov(input);
    if (!picture.messages.empty()) report.Damaged(input, picture.messages);
    const frames::RgbaImage thumb = FitThumbnail(frames::CompositeToRgba(AsComposite(picture)), size, picture.bpp == 8);
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

// dovtool palette FILE.dov -o OUT: a palette frame's colours as a palette
// file of another program.
#include <algorithm>
#include <exception>

#include "tools/dov_document.h"
#include "tools/dovtool_commands.h"
#include "tools/dovtool_common.h"
#include "tools/dovtool_dov.h"
#include "tools/input_file.h"
#include "tools/output_file.h"
#include "tools/palette_export.h"

namespace dorv::tools {
namespace {

const OptionSpec kOptions[] = {{"output", 'o', "FILE"}, {"out-dir", 0, "DIR"}, {"frame", 0, "N"},
                               DOVTOOL_READER_OPTIONS};

}  // namespace

int RunPalette(const std::vector<std::string>& args) {
  const ParsedArgs parsed = ParseArgs(args, kOptions);
  CheckInputs(parsed);
  const OutputRule rule = OutputRuleFrom(parsed);
  const int32_t frame = parsed.Has("frame") ? ParseNumber("frame", parsed.Value("frame"), 0, 1 << 30) : 0;
  // Without -o the palette goes beside the input as GIMP's.
  const PaletteFormat format =
      rule.out.empty() || rule.out == "-" ? PaletteFormat::Gimp : PaletteFormatFor(rule.out);
  Reporter report(parsed.inputs.size(), VerbosityFrom(parsed));
  for (size_t i = 0; i < parsed.inputs.size(); ++i) {
    const std::string& input = parsed.inputs[i];
    report.Progress(i, input);
    try {
      const std::string path = OutputPathFor(input, ".gpl", rule);
      RefuseOutputOverInputs(path, parsed.inputs);
      OutputFile out(path);
      frames::ReadOptions options;
      options.Composites = false;
      const frames::Document doc = ReadWholeDocument(ReadInputBytes(input), options);
      if (doc.Damaged()) report.Damaged(input, doc.Messages);
      if (static_cast<size_t>(frame) >= doc.Frames.size())
        throw std::runtime_error("no frame " + std::to_string(frame) + ": the document has " +
                                 std::to_string(doc.Frames.size()) + (doc.Frames.size() == 1 ? " frame" : " frames"));
      const frames::FrameInfo& info = doc.Frames[static_cast<size_t>(frame)];
      if (info.Depth > 8)
        throw std::runtime_error("frame " + std::to_string(frame) + " has no palette: it holds " +
                                 std::to_string(info.Depth) + "-bit colours");
      // The frame's background alone is a palette picture of its palette,
      // whatever its layers' alpha planes make of the composite.
      const std::vector<uint8_t> none(std::max<size_t>(info.Layers.size(), 1), 0);
      const frames::Composite c = frames::ComposeChosen(doc.decoder.get(), static_cast<uint32_t>(frame), none);
      if (c.Bpp != 8) throw std::runtime_error("frame " + std::to_string(frame) + " gave no palette");
      PaletteColours colours;
      const size_t slash = input.rfind('/');
      colours.name = input == "-" ? "stdin" : input.substr(slash == std::string::npos ? 0 : slash + 1);
      for (size_t e = 0; e < (size_t{1} << info.Depth); ++e)
        colours.colours.push_back({c.Palette[4 * e], c.Palette[4 * e + 1], c.Palette[4 * e + 2]});
      colours.transparent = info.TransparentIndex;
      out.Write(EncodePalette(colours, format));
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

// dovtool to-png FILE.dov...: the first frame as ConvertRead returns it, any
// frame, every frame or every layer, as PNG.
#include <cstdio>
#include <exception>
#include <set>

#include "tools/dov_document.h"
#include "tools/dovtool_commands.h"
#include "tools/dovtool_common.h"
#include "tools/dovtool_dov.h"
#include "tools/dovtool_pictures.h"
#include "tools/input_file.h"
#include "tools/layer_choice.h"
#include "tools/output_file.h"
#include "tools/pixel_scale.h"

namespace dorv::tools {
namespace {

const OptionSpec kOptions[] = {{"output", 'o', "FILE"},       {"out-dir", 0, "DIR"},
                               {"frame", 0, "N"},             {"all-frames", 0, nullptr},
                               {"layers", 0, nullptr},        {"scale", 0, "N"},
                               DOVTOOL_LAYER_OPTIONS,         DOVTOOL_READER_OPTIONS};

std::string Numbered(const char* prefix, size_t n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, ".%s%03zu", prefix, n);
  return buf;
}

class ToPngRun {
 public:
  ToPngRun(const ParsedArgs& args, Reporter& report) : args_(args), report_(report) {
    allFrames_ = args.Has("all-frames");
    layers_ = args.Has("layers");
    if (args.Has("frame")) frame_ = ParseNumber("frame", args.Value("frame"), 0, 1 << 30);
    if (args.Has("scale")) scale_ = ParseNumber("scale", args.Value("scale"), 1, kMaxScale);
    choice_ = LayerChoiceFrom(args);
    if (layers_ && choice_.Any()) throw UsageError("--layers writes every layer alone: --layer and --hide-layer do not apply");
    if (allFrames_ && args.Has("frame")) throw UsageError("give --frame or --all-frames, not both");
    if ((allFrames_ || layers_) && args.Has("output"))
      throw UsageError("--all-frames and --layers write several files: use --out-dir, not -o");
    rule_ = OutputRuleFrom(args);
  }

  void Convert(const std::string& input) {
    if (!allFrames_ && !layers_ && !args_.Has("frame") && scale_ == 1 && !choice_.Any()) return FirstFrame(input);
    const std::vector<uint8_t> bytes = ReadInputBytes(input);
    frames::ReadOptions options;
    options.Layers = layers_ || choice_.Any();
    options.Composites = !choice_.Any();  // else composed below of the chosen layers
    const frames::Document doc = ReadWholeDocument(bytes, options);
    if (doc.Damaged()) report_.Damaged(input, doc.Messages);
    CheckLayerChoice(choice_, doc);
    std::vector<size_t> which;
    if (allFrames_) {
      for (size_t f = 0; f < doc.Frames.size(); ++f) which.push_back(f);
    } else {
      if (static_cast<size_t>(frame_) >= doc.Frames.size())
        throw std::runtime_error("no frame " + std::to_string(frame_) + ": the document has " +
                                 std::to_string(doc.Frames.size()) + (doc.Frames.size() == 1 ? " frame" : " frames") +
                                 " (0 to " + std::to_string(doc.Frames.size() - 1) + ")");
      which.push_back(static_cast<size_t>(frame_));
    }
    for (size_t f : which) {
      if (!layers_) {
        const std::string suffix = allFrames_ ? Numbered("f", f) + ".png" : ".png";
        const frames::Composite picture =
            choice_.Any() ? ChosenComposite(doc, static_cast<uint32_t>(f), choice_) : doc.Frames[f].Picture;
        Write(input, OutputPathFor(input, suffix, rule_), ToPng(ScaleUp(picture, scale_)));
        continue;
      }
      for (size_t l = 0; l < doc.Frames[f].Layers.size(); ++l)
        Write(input, OutputPathFor(input, Numbered("f", f) + Numbered("l", l) + ".png", rule_),
              ToPng(ScaleUp(doc.LayerRgba(f, l), scale_)));
    }
  }

 private:
  void FirstFrame(const std::string& input) {
    const std::string path = OutputPathFor(input, ".png", rule_);
    Claim(path);
    OutputFile out(path);  // before the input is read: a name that cannot be written fails first
    const DovPicture picture = ReadDov(input);
    if (!picture.messages.empty()) report_.Damaged(input, picture.messages);
    out.Write(EncodePng(ToPng(picture)));
    out.Commit();
    report_.Wrote(input, path);
  }

  void Write(const std::string& input, const std::string& path, const PngImage& png) {
    Claim(path);
    WriteOutputFile(path, EncodePng(png));
    report_.Wrote(input, path);
  }

  // An output is written once per run and never over an input.
  void Claim(const std::string& path) {
    RefuseOutputOverInputs(path, args_.inputs);
    if (path != "-" && !written_.insert(path).second)
      throw std::runtime_error("would overwrite " + path + ", written from an earlier input");
  }

  const ParsedArgs& args_;
  Reporter& report_;
  OutputRule rule_;
  bool allFrames_ = false;
  bool layers_ = false;
  int32_t frame_ = 0;
  int32_t scale_ = 1;
  LayerChoice choice_;
  std::set<std::string> written_;
};

}  // namespace

int RunToPng(const std::vector<std::string>& args) {
  const ParsedArgs parsed = ParseArgs(args, kOptions);
  CheckInputs(parsed);
  Reporter report(parsed.inputs.size(), VerbosityFrom(parsed));
  ToPngRun run(parsed, report);
  // Outputs that are inputs are refused before anything is read.
  if (!parsed.Has("all-frames") && !parsed.Has("layers")) {
    for (const std::string& input : parsed.inputs) {
      const std::string path = OutputPathFor(input, ".png", OutputRuleFrom(parsed));
      try {
        RefuseOutputOverInputs(path, parsed.inputs);
      } catch (const OutputError& e) {
        report.Error(e.Path(), e.what());
        return report.Finish(false);
      }
    }
  }
  for (size_t i = 0; i < parsed.inputs.size(); ++i) {
    report.Progress(i, parsed.inputs[i]);
    try {
      run.Convert(parsed.inputs[i]);
    } catch (const OutputError& e) {
      report.Error(e.Path(), e.what());
    } catch (const std::exception& e) {
      report.Error(parsed.inputs[i], e.what());
    }
  }
  return report.Finish(parsed.Has("allow-damaged"));
}

}  // namespace dorv::tools

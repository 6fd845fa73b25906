// dovtool to-anim FILE.dov: every frame as an animated WebP, GIF or APNG.
#include <cctype>
#include <exception>

#include "tools/anim_timing.h"
#include "tools/apng_anim.h"
#include "tools/composite_rgba.h"
#include "tools/dov_document.h"
#include "tools/dovtool_commands.h"
#include "tools/dovtool_common.h"
#include "tools/dovtool_dov.h"
#include "tools/gif_anim.h"
#include "tools/input_file.h"
#include "tools/layer_choice.h"
#include "tools/output_file.h"
#include "tools/pixel_scale.h"
#include "tools/webp_anim.h"

namespace dorv::tools {
namespace {

const OptionSpec kOptions[] = {{"output", 'o', "FILE"}, {"out-dir", 0, "DIR"},      {"format", 0, "webp|gif|apng"},
                               {"scale", 0, "N"},       DOVTOOL_LAYER_OPTIONS,      DOVTOOL_READER_OPTIONS};

enum class AnimFormat { WebP, Gif, Apng };

const char* Suffix(AnimFormat f) {
  switch (f) {
    case AnimFormat::Gif: return ".gif";
    case AnimFormat::Apng: return ".png";
    case AnimFormat::WebP: break;
  }
  return ".webp";
}

bool EndsWith(const std::string& s, const std::string& end) {
  if (s.size() < end.size()) return false;
  for (size_t i = 0; i < end.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[s.size() - end.size() + i])) != end[i]) return false;
  return true;
}

// --format, else the extension of -o, else WebP.
AnimFormat FormatFrom(const ParsedArgs& args) {
  if (args.Has("format")) {
    const std::string f = args.Value("format");
    if (f == "webp") return AnimFormat::WebP;
    if (f == "gif") return AnimFormat::Gif;
    if (f == "apng") return AnimFormat::Apng;
    throw UsageError("--format is webp, gif or apng, not '" + f + "'");
  }
  const std::string out = args.Value("output");
  if (EndsWith(out, ".gif")) return AnimFormat::Gif;
  if (EndsWith(out, ".png") || EndsWith(out, ".apng")) return AnimFormat::Apng;
  return AnimFormat::WebP;
}

EncodedAnimation Encode(AnimFormat format, const std::vector<AnimPicture>& frames) {
  if (format == AnimFormat::Gif) return EncodeGif(frames);
  if (format == AnimFormat::Apng) return EncodeApng(frames);
  EncodedAnimation result;
  std::vector<AnimFrame> webp;
  size_t shortFrames = 0;
  for (const AnimPicture& a : frames) {
    webp.push_back({CompositeRgba(a.picture), a.durationMs});
    shortFrames += a.durationMs < kShortestShownMs ? 1 : 0;
  }
  if (shortFrames > 0)
    result.warnings.push_back(std::to_string(shortFrames) + (shortFrames == 1 ? " frame is" : " frames are") +
                              " shown for less than 20 ms: browsers show such frames for 100 ms");
  result.bytes = EncodeLosslessAnimation(webp);
  return result;
}

}  // namespace

int RunToAnim(const std::vector<std::string>& args) {
  const ParsedArgs parsed = ParseArgs(args, kOptions);
  CheckInputs(parsed);
  const OutputRule rule = OutputRuleFrom(parsed);
  const AnimFormat format = FormatFrom(parsed);
  const int32_t scale = parsed.Has("scale") ? ParseNumber("scale", parsed.Value("scale"), 1, kMaxScale) : 1;
  const LayerChoice choice = LayerChoiceFrom(parsed);
  Reporter report(parsed.inputs.size(), VerbosityFrom(parsed));
  for (const std::string& input : parsed.inputs) {
    try {
      RefuseOutputOverInputs(OutputPathFor(input, Suffix(format), rule), parsed.inputs);
    } catch (const OutputError& e) {
      report.Error(e.Path(), e.what());
      return report.Finish(false);
    }
  }
  for (size_t i = 0; i < parsed.inputs.size(); ++i) {
    const std::string& input = parsed.inputs[i];
    report.Progress(i, input);
    try {
      const std::string path = OutputPathFor(input, Suffix(format), rule);
      OutputFile out(path);
      frames::ReadOptions options;
      options.Composites = false;  // composed below, of the chosen layers
      const frames::Document doc = ReadWholeDocument(ReadInputBytes(input), options);
      if (doc.Damaged()) report.Damaged(input, doc.Messages);
      CheckLayerChoice(choice, doc);
      std::vector<AnimPicture> anim;
      for (uint32_t f = 0; f < doc.Frames.size(); ++f) {
        frames::Composite picture = ChosenComposite(doc, f, choice);
        if (scale > 1) picture = ScaleUp(picture, scale);
        anim.push_back({std::move(picture), doc.Frames[f].DelayMilliseconds, doc.Frames[f].Disposal});
      }
      const EncodedAnimation encoded = Encode(format, anim);
      for (const std::string& w : encoded.warnings) report.Warning(input, w);
      out.Write(encoded.bytes);
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

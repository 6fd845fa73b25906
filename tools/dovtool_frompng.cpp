// dovtool from-png IN.png...: each PNG handed to ConvertWrite as the host
// hands over its document, or all of them as the frames of one document.
#include <exception>
#include <set>

#include "tools/dovtool_commands.h"
#include "tools/dovtool_common.h"
#include "tools/dovtool_dov.h"
#include "tools/dovtool_pictures.h"
#include "tools/output_file.h"
#include "tools/png_io.h"

namespace dorv::tools {
namespace {

const OptionSpec kOptions[] = {{"output", 'o', "FILE"},     {"out-dir", 0, "DIR"},
                               {"compression", 0, "TYPE"},  {"quality", 'q', "N"},
                               {"frames", 0, nullptr},      {"delay", 0, "MS[,MS...]"},
                               {"quiet", 0, nullptr},       {"verbose", 'v', nullptr}};

constexpr int32_t kDefaultDelayMs = 100;

// A PNG as libdov takes a picture; it keeps the rows and palette that the
// picture points into.
struct DovInput {
  PngImage png;
  std::vector<uint8_t> palette;  // red, green, blue
  dov_picture picture{};
};

void ToDov(const PngImage& source, DovInput& in) {
  // A palette whose transparency one transparent index cannot carry is
  // saved as RGBA, so that no alpha is lost.
  in.png = PaletteNeedsAlpha(source) ? ToRgbaPng(source) : source;
  const PngImage& png = in.png;
  dov_picture& p = in.picture;
  p.width = png.width;
  p.height = png.height;
  p.pixels = png.rows.data();
  p.stride = png.RowBytes();
  p.transparent_index = -1;
  switch (png.color) {
    case PngColor::Palette:
      p.format = DOV_PIXELS_INDEXED;
      for (size_t i = 0; i < png.palette.size() && i < 256; ++i) {
        const auto& e = png.palette[i];
        in.palette.insert(in.palette.end(), {e[0], e[1], e[2]});
        if (e[3] == 0) p.transparent_index = static_cast<int32_t>(i);
      }
      p.palette = in.palette.data();
      p.palette_size = static_cast<uint32_t>(in.palette.size() / 3);
      break;
    case PngColor::Grey: p.format = png.bitDepth == 1 ? DOV_PIXELS_MONO : DOV_PIXELS_GREY; break;
    case PngColor::GreyAlpha: p.format = DOV_PIXELS_GREY_ALPHA; break;
    case PngColor::RGB: p.format = DOV_PIXELS_RGB; break;
    case PngColor::RGBA: p.format = DOV_PIXELS_RGBA; break;
  }
}

bool IndexedOrGrey(const PngImage& png) {
  return (png.color == PngColor::Palette && !PaletteNeedsAlpha(png)) || png.color == PngColor::Grey;
}

// What reading and saving change about the picture, each said once.
void WarnAboutChanges(Reporter& report, const std::string& input, const PngImage& png, bool lossy) {
  if (png.sourceBitDepth == 16) report.Warning(input, "16-bit samples reduced to 8 bits");
  if (png.hadIccProfile) report.Warning(input, "its ICC colour profile is dropped");
  if (PaletteNeedsAlpha(png))
    report.Warning(input, "the palette's partial transparency is kept by saving the picture as 32-bit RGBA");
  if (lossy && IndexedOrGrey(png))
    report.Warning(input, "lossy compression cannot keep palette or grey pictures: stored with zlib");
}

class FromPngRun {
 public:
  FromPngRun(const ParsedArgs& args, Reporter& report) : args_(args), report_(report) {
    if (args.Has("compression")) compType_ = ParseCompression(args.Value("compression"));
    if (args.Has("quality")) quality_ = ParseNumber("quality", args.Value("quality"), 1, 100);
    frames_ = args.Has("frames");
    if (args.Has("delay") && !frames_) throw UsageError("--delay is for documents of several frames (--frames)");
    if (args.Has("delay")) {
      delays_ = ParseNumberList("delay", args.Value("delay"), 0, 16777215);
      if (delays_.size() != 1 && delays_.size() != args.inputs.size())
        throw UsageError("--delay takes one value for all frames or one per input (" +
                         std::to_string(args.inputs.size()) + "), not " + std::to_string(delays_.size()));
    }
    rule_ = OutputRuleFrom(args, frames_);
    if (args.Has("quality") && compType_ != DOV_COMPRESSION_LOSSY)
      report.Warning("--quality", "has no effect without --compression lossy");
  }

  int Run() {
    if (frames_) return Animation();
    // Outputs that are inputs are refused before anything is read.
    for (const std::string& input : args_.inputs) {
      try {
        RefuseOutputOverInputs(OutputPathFor(input, ".dov", rule_), args_.inputs);
      } catch (const OutputError& e) {
        report_.Error(e.Path(), e.what());
        return report_.Finish(false);
      }
    }
    std::set<std::string> written;
    for (size_t i = 0; i < args_.inputs.size(); ++i) {
      const std::string& input = args_.inputs[i];
      report_.Progress(i, input);
      try {
        const std::string path = OutputPathFor(input, ".dov", rule_);
        if (path != "-" && written.count(path))
          throw std::runtime_error("would overwrite " + path + ", written from an earlier input");
        OutputFile out(path);
        const PngImage png = ReadPng(input);
        WarnAboutChanges(report_, input, png, compType_ == DOV_COMPRESSION_LOSSY);
        DovInput in;
        ToDov(png, in);
        WriteDov(out, in.picture, compType_, quality_);
        written.insert(path);
        report_.Wrote(input, path);
      } catch (const OutputError& e) {
        report_.Error(e.Path(), e.what());
      } catch (const std::exception& e) {
        report_.Error(input, e.what());
      }
    }
    return report_.Finish(false);
  }

 private:
  // Every input, in order, as the frames of one document.
  int Animation() {
    const std::string path = OutputPathFor(args_.inputs.front(), ".dov", rule_);
    std::string current = path;
    try {
      RefuseOutputOverInputs(path, args_.inputs);
      OutputFile out(path);
      std::vector<frames::Picture> pictures;
      bool lossyKept = compType_ == DOV_COMPRESSION_LOSSY;
      for (size_t i = 0; i < args_.inputs.size(); ++i) {
        current = args_.inputs[i];
        report_.Progress(i, current);
        const PngImage png = ReadPng(current);
        WarnAboutChanges(report_, current, png, false);
        lossyKept &= !IndexedOrGrey(png);
        frames::Picture picture = ToFramePicture(png);
        if (!pictures.empty() && (picture.Width != pictures[0].Width || picture.Height != pictures[0].Height))
          throw std::runtime_error(std::to_string(picture.Width) + " x " + std::to_string(picture.Height) +
                                   " does not match the first frame's " + std::to_string(pictures[0].Width) +
                                   " x " + std::to_string(pictures[0].Height) + ": nothing written");
        picture.DelayMilliseconds = delays_.empty() ? kDefaultDelayMs : delays_[delays_.size() == 1 ? 0 : i];
        pictures.push_back(std::move(picture));
      }
      current = path;
      if (compType_ == DOV_COMPRESSION_LOSSY && !lossyKept)
        report_.Warning(path, "lossy compression cannot keep palette or grey pictures: the document is stored with zlib");
      frames::WriteOptions options;
      options.Coding = static_cast<frames::Compression>(compType_);
      options.Quality = quality_;
      out.Write(frames::WriteDocument(pictures, options));
      out.Commit();
      report_.Wrote(args_.inputs.size() == 1 ? args_.inputs[0] : std::to_string(pictures.size()) + " pictures", path);
    } catch (const OutputError& e) {
      report_.Error(e.Path(), e.what());
    } catch (const std::exception& e) {
      report_.Error(current, e.what());
    }
    return report_.Finish(false);
  }

  const ParsedArgs& args_;
  Reporter& report_;
  OutputRule rule_;
  dov_compression compType_ = DOV_COMPRESSION_ZLIB;  // as the save-options dialog starts
  int32_t quality_ = DOV_DEFAULT_QUALITY;
  bool frames_ = false;
  std::vector<int32_t> delays_;
};

}  // namespace

int RunFromPng(const std::vector<std::string>& args) {
  const ParsedArgs parsed = ParseArgs(args, kOptions);
  CheckInputs(parsed);
  Reporter report(parsed.inputs.size(), VerbosityFrom(parsed));
  return FromPngRun(parsed, report).Run();
}

}  // namespace dorv::tools

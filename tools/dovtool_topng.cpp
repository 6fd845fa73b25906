// dovtool to-png FILE.dov... [-o OUT | --out-dir DIR]: the first frame, as
// ConvertRead returns it, as a PNG.
#include <exception>
#include <set>

#include "tools/dovtool_args.h"
#include "tools/dovtool_commands.h"
#include "tools/dovtool_dov.h"
#include "tools/dovtool_report.h"
#include "tools/png_io.h"

namespace dorv::tools {
namespace {

// 8-bit results become a palette PNG with all 256 entries, the transparent
// index fully transparent; 32-bit results (blue, green, red, alpha) RGBA.
PngImage ToPng(const DovPicture& p) {
  PngImage image;
  image.width = static_cast<uint32_t>(p.width);
  image.height = static_cast<uint32_t>(p.height);
  image.bitDepth = 8;
  if (p.bpp == 8) {
    image.color = PngColor::Palette;
    image.palette.resize(256);
    for (size_t i = 0; i < 256; ++i) {
      const uint8_t* e = &p.palette[i * 4];
      uint8_t alpha = static_cast<int32_t>(i) == p.transparent ? 0 : 255;
      image.palette[i] = {e[2], e[1], e[0], alpha};
    }
    image.rows = p.pixels;
    return image;
  }
  image.color = PngColor::RGBA;
  image.rows.resize(p.pixels.size());
  const uint8_t* in = p.pixels.data();
  uint8_t* out = image.rows.data();
  for (size_t i = 0, n = p.pixels.size(); i + 3 < n; i += 4) {
    out[i] = in[i + 2];
    out[i + 1] = in[i + 1];
    out[i + 2] = in[i];
    out[i + 3] = in[i + 3];
  }
  return image;
}

}  // namespace

int RunToPng(const std::vector<std::string>& args) {
  ArgRules rules;
  rules.outputs = true;
  const ToolArgs parsed = ParseToolArgs(args, rules);
  Reporter report(parsed.inputs.size());
  std::set<std::string> written;
  for (size_t i = 0; i < parsed.inputs.size(); ++i) {
    const std::string& input = parsed.inputs[i];
    report.Progress(i, input);
    try {
      const std::string out = OutputPathFor(input, ".png", parsed);
      if (written.count(out)) throw std::runtime_error("would overwrite " + out + ", written from an earlier input");
      DovPicture picture = ReadDov(input);
      // A load error that still left the first frame: the picture is kept.
      if (!picture.messages.empty()) report.Warning(input, picture.messages);
      WritePng(out, ToPng(picture));
      written.insert(out);
    } catch (const std::exception& e) {
      report.Error(input, e.what());
    }
  }
  return report.Failed() ? 1 : 0;
}

}  // namespace dorv::tools

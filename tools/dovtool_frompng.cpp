// dovtool from-png IN.png... [-o OUT | --out-dir DIR] [--compression
// zlib|none|lossy] [--quality 1-100]: the PNG handed to ConvertWrite as the
// host hands over its document.
#include <exception>
#include <set>

#include "converter/core/comp_type.h"

#include "tools/dovtool_args.h"
#include "tools/dovtool_commands.h"
#include "tools/dovtool_dov.h"
#include "tools/dovtool_report.h"
#include "tools/png_io.h"

namespace dorv::tools {
namespace {

// The host's image modes.
constexpr int32_t kModeBitmap = 0;
constexpr int32_t kModeGreyscale = 1;
constexpr int32_t kModeIndexed = 2;
constexpr int32_t kModeRGB = 3;

HostPicture ToHost(const PngImage& png, std::string* warning) {
  HostPicture p;
  p.width = static_cast<int32_t>(png.width);
  p.height = static_cast<int32_t>(png.height);
  p.depth = 8;
  p.rows = png.rows;
  for (int i = 0; i < 256; ++i) p.red[i] = p.green[i] = p.blue[i] = static_cast<uint8_t>(i);
  switch (png.color) {
    case PngColor::Palette: {
      p.planes = 1;
      p.imageMode = kModeIndexed;
      p.red.fill(0);
      p.green.fill(0);
      p.blue.fill(0);
      size_t clear = 0, partial = 0, clearAt = 0;
      for (size_t i = 0; i < png.palette.size() && i < 256; ++i) {
        const auto& e = png.palette[i];
        p.red[i] = e[0];
        p.green[i] = e[1];
        p.blue[i] = e[2];
        if (e[3] == 0) clear++, clearAt = i;
        else if (e[3] != 255) partial++;
      }
      if (clear == 1 && partial == 0) p.transparent = static_cast<int32_t>(clearAt);
      else if (clear + partial > 0)
        *warning = "the palette's transparency is not kept: only a single fully transparent "
                   "entry can be stored";
      break;
    }
    case PngColor::Grey:
      p.planes = 1;
      if (png.bitDepth == 1) {
        // In the host's bitmap mode a set bit is black; in the PNG it is white.
        p.depth = 1;
        p.imageMode = kModeBitmap;
        const size_t stride = png.RowBytes();
        const unsigned spare = static_cast<unsigned>(stride * 8 - png.width);
        const uint8_t lastMask = static_cast<uint8_t>(0xFF << spare);
        for (size_t y = 0; y < png.height; ++y) {
          uint8_t* row = p.rows.data() + y * stride;
          for (size_t x = 0; x < stride; ++x) row[x] = static_cast<uint8_t>(~row[x]);
          row[stride - 1] &= lastMask;
        }
      } else {
        p.imageMode = kModeGreyscale;
      }
      break;
    case PngColor::GreyAlpha:
      p.planes = 2;
      p.imageMode = kModeGreyscale;
      break;
    case PngColor::RGB:
      p.planes = 3;
      p.imageMode = kModeRGB;
      break;
    case PngColor::RGBA:
      p.planes = 4;
      p.imageMode = kModeRGB;
      break;
  }
  return p;
}

}  // namespace

int RunFromPng(const std::vector<std::string>& args) {
  ArgRules rules;
  rules.outputs = true;
  rules.saveOptions = true;
  const ToolArgs parsed = ParseToolArgs(args, rules);
  Reporter report(parsed.inputs.size());
  std::set<std::string> written;
  for (size_t i = 0; i < parsed.inputs.size(); ++i) {
    const std::string& input = parsed.inputs[i];
    report.Progress(i, input);
    try {
      const std::string out = OutputPathFor(input, ".dov", parsed);
      if (written.count(out)) throw std::runtime_error("would overwrite " + out + ", written from an earlier input");
      PngImage png = ReadPng(input);
      if (parsed.compType == kCompJpeg && png.color != PngColor::RGB && png.color != PngColor::RGBA)
        throw std::runtime_error(
            "lossy compression is for colour pictures (RGB or RGBA); use zlib or none");
      std::string warning;
      HostPicture picture = ToHost(png, &warning);
      if (!warning.empty()) report.Warning(input, warning);
      WriteDov(out, picture, parsed.compType, parsed.quality);
      written.insert(out);
    } catch (const std::exception& e) {
      report.Error(input, e.what());
    }
  }
  return report.Failed() ? 1 : 0;
}

}  // namespace dorv::tools

// dovtool info FILE.dov...: one JSON object per line per input.
#include <cstdio>
#include <exception>
#include <string>

#include "tools/dovtool_commands.h"
#include "tools/dovtool_common.h"
#include "tools/dovtool_dov.h"
#include "tools/dovtool_json.h"
#include "tools/input_file.h"

namespace dorv::tools {
namespace {

const OptionSpec kOptions[] = {{"frames", 0, nullptr}, DOVTOOL_READER_OPTIONS};

const char* Bool(bool b) { return b ? "true" : "false"; }

std::string FrameList(const frames::Document& doc) {
  std::string out = "[";
  for (size_t i = 0; i < doc.Frames.size(); ++i) {
    const frames::FrameInfo& f = doc.Frames[i];
    if (i > 0) out += ",";
    char buf[256];
    std::snprintf(buf, sizeof buf,
                  ",\"width\":%d,\"height\":%d,\"depth\":%d,\"delay\":%d,\"delay_ms\":%d,\"disposal\":%d,"
                  "\"transparent\":%d,\"layers\":[",
                  f.Width, f.Height, f.Depth, f.Delay, f.DelayMilliseconds, f.Disposal, f.TransparentIndex);
    out += "{\"name\":" + JsonString(f.Name) + buf;
    for (size_t l = 0; l < f.Layers.size(); ++l) {
      const frames::LayerInfo& layer = f.Layers[l];
      if (l > 0) out += ",";
      std::snprintf(buf, sizeof buf, ",\"visible\":%s,\"opacity\":%d,\"key\":%lld,\"alpha_plane\":%s,\"alpha_on\":%s,",
                    Bool(layer.Visible), layer.Opacity, static_cast<long long>(layer.Key), Bool(layer.HasAlphaPlane), Bool(layer.AlphaOn));
      out += "{\"name\":" + JsonString(layer.Name) + buf + "\"coding\":" + JsonString(layer.Coding) + "}";
    }
    out += "]}";
  }
  return out + "]";
}

}  // namespace

int RunInfo(const std::vector<std::string>& args) {
  const ParsedArgs parsed = ParseArgs(args, kOptions);
  CheckInputs(parsed);
  const bool withFrames = parsed.Has("frames");
  Reporter report(parsed.inputs.size(), VerbosityFrom(parsed), "read");
  for (size_t i = 0; i < parsed.inputs.size(); ++i) {
    const std::string& input = parsed.inputs[i];
    report.Progress(i, input);
    std::string line = "{\"file\":" + JsonString(input);
    try {
      frames::ReadOptions options;
      options.Composites = false;  // only the first frame's is made
      const frames::Document doc = ReadWholeDocument(ReadInputBytes(input), options);
      const DovPicture p = FirstFrame(doc);
      char buf[256];
      std::snprintf(buf, sizeof buf,
                    ",\"frames\":%d,\"width\":%d,\"height\":%d,\"bpp\":%d,\"transparent\":%d,"
                    "\"bgcolor\":%d,\"notfillbg\":%s,\"version\":%d",
                    p.frames, p.width, p.height, p.bpp, p.transparent, p.bgColor, Bool(p.notFillBG), p.version);
      line += buf;
      const std::string& damage = p.messages;
      if (withFrames) line += ",\"frame_list\":" + FrameList(doc);
      if (!damage.empty()) {
        line += ",\"damaged\":" + JsonString(damage);
        report.Damaged(input, damage);
      }
    } catch (const std::exception& e) {
      line = "{\"file\":" + JsonString(input) + ",\"error\":" + JsonString(e.what());
      report.Error(input, e.what());
    }
    line += "}\n";
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
  }
  return report.Finish(parsed.Has("allow-damaged"));
}

}  // namespace dorv::tools

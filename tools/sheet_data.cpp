#include "tools/sheet_data.h"

#include "tools/dovtool_json.h"

#ifndef DOVTOOL_VERSION
#define DOVTOOL_VERSION "0"
#endif

namespace dorv::tools {
namespace {

std::string N(int64_t v) { return std::to_string(v); }

std::string Rect(const Box& b) {
  return "{\"x\":" + N(b.x) + ",\"y\":" + N(b.y) + ",\"w\":" + N(b.w) + ",\"h\":" + N(b.h) + "}";
}

std::string Fields(const SheetEntry& e) {
  return "\"frame\":" + Rect(e.frame) + ",\"rotated\":false,\"trimmed\":" + (e.trimmed ? "true" : "false") +
         ",\"spriteSourceSize\":" + Rect(e.source) + ",\"sourceSize\":{\"w\":" + N(e.sourceW) + ",\"h\":" +
         N(e.sourceH) + "},\"duration\":" + N(e.durationMs);
}

}  // namespace

std::string SheetJson(const std::vector<SheetEntry>& entries, const SheetMeta& meta, bool hash) {
  std::string out = hash ? "{\"frames\":{\n" : "{\"frames\":[\n";
  for (size_t i = 0; i < entries.size(); ++i) {
    const SheetEntry& e = entries[i];
    out += hash ? "  " + JsonString(e.name) + ":{" + Fields(e) + "}"
                : "  {\"filename\":" + JsonString(e.name) + "," + Fields(e) + "}";
    out += i + 1 < entries.size() ? ",\n" : "\n";
  }
  out += hash ? "},\n" : "],\n";
  out += "\"meta\":{\"app\":\"dovtool\",\"version\":" + JsonString(DOVTOOL_VERSION) +
         ",\"image\":" + JsonString(meta.image) + ",\"format\":" + (meta.palette ? "\"I8\"" : "\"RGBA8888\"") +
         ",\"size\":{\"w\":" + N(meta.width) + ",\"h\":" + N(meta.height) + "},\"scale\":\"" + N(meta.scale) +
         "\",\"frameTags\":[],\"layers\":[";
  for (size_t i = 0; i < meta.layers.size(); ++i) {
    const SheetLayerMeta& l = meta.layers[i];
    out += (i ? "," : "") + std::string("{\"name\":") + JsonString(l.name) + ",\"opacity\":" + N(l.opacity) +
           ",\"visible\":" + (l.visible ? "true" : "false") + ",\"blendMode\":\"normal\"}";
  }
  out += "]}}\n";
  return out;
}

}  // namespace dorv::tools

#include "tools/palette_export.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "tools/dovtool_args.h"

namespace dorv::tools {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

void Append(std::vector<uint8_t>& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

std::string Printf(const char* format, int a, int b, int c) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, a, b, c);
  return buf;
}

}  // namespace

PaletteFormat PaletteFormatFor(const std::string& path) {
  const size_t dot = path.rfind('.');
  const std::string ext = dot == std::string::npos ? "" : Lower(path.substr(dot));
  if (ext == ".gpl") return PaletteFormat::Gimp;
  if (ext == ".act") return PaletteFormat::Act;
  if (ext == ".pal") return PaletteFormat::Jasc;
  if (ext == ".hex") return PaletteFormat::Hex;
  throw UsageError("the palette format follows the output's extension: .gpl, .act, .pal or .hex");
}

std::vector<uint8_t> EncodePalette(const PaletteColours& p, PaletteFormat format) {
  std::vector<uint8_t> out;
  const int count = static_cast<int>(std::min<size_t>(p.colours.size(), 256));
  switch (format) {
    case PaletteFormat::Gimp: {
      std::string name = p.name;
      std::replace(name.begin(), name.end(), '\n', ' ');
      Append(out, "GIMP Palette\nName: " + name + "\nColumns: 16\n#\n");
      for (int i = 0; i < count; ++i) {
        const auto& c = p.colours[static_cast<size_t>(i)];
        Append(out, Printf("%3d %3d %3d", c[0], c[1], c[2]) + "\tIndex " + std::to_string(i) +
                        (i == p.transparent ? " (transparent)" : "") + "\n");
      }
      break;
    }
    case PaletteFormat::Act: {
      out.assign(772, 0);
      for (int i = 0; i < count; ++i)
        std::copy_n(p.colours[static_cast<size_t>(i)].begin(), 3, out.begin() + 3 * i);
      // Big-endian count and transparent index (0xFFFF: none).
      const int t = p.transparent >= 0 && p.transparent < count ? p.transparent : 0xFFFF;
      out[768] = static_cast<uint8_t>(count >> 8);
      out[769] = static_cast<uint8_t>(count);
      out[770] = static_cast<uint8_t>(t >> 8);
      out[771] = static_cast<uint8_t>(t);
      break;
    }
    case PaletteFormat::Jasc:
      Append(out, "JASC-PAL\r\n0100\r\n" + std::to_string(count) + "\r\n");
      for (int i = 0; i < count; ++i) {
        const auto& c = p.colours[static_cast<size_t>(i)];
        Append(out, Printf("%d %d %d\r\n", c[0], c[1], c[2]));
      }
      break;
    case PaletteFormat::Hex:
      for (int i = 0; i < count; ++i) {
        const auto& c = p.colours[static_cast<size_t>(i)];
        Append(out, Printf("%02x%02x%02x\n", c[0], c[1], c[2]));
      }
      break;
  }
  return out;
}

}  // namespace dorv::tools

// Opens and saves pictures through the plug-in as the host does, and prints
// one line per case with what came out: the document the host received
// (mode, size, planes, transparency, a hash of the pixels and colour
// tables). Built for Linux and for Windows from the same source, the two
// builds must print the same lines: they open and save to the same pixels.
//
//   host_digest PLUGIN CONVERTER SAMPLES_DIR WORK_DIR [OTHER_WORK_DIR]
//
// PLUGIN has CONVERTER beside it. Lines:
//   open NAME ...     a bundled sample, opened
//   saved NAME ...    a picture saved into WORK_DIR/NAME.dov and opened again
//   file NAME ...     the size and hash of that file's bytes
//   foreign NAME ...  OTHER_WORK_DIR/NAME.dov (written by the other build),
//                     opened: the same as the "saved" line of the same name
// Exit status 1 when a case fails to run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "converter/converts/exports.h"
#include "tools/host/plugin_host.h"
#include "platform/win32.h"

namespace {

using dorv::host::HostDocument;
using dorv::host::PluginHost;
namespace api = dorv::host_api;

uint64_t Hash(const uint8_t* bytes, size_t n) {
  uint64_t h = 0xCBF29CE484222325ull;  // FNV-1a
  for (size_t i = 0; i < n; ++i) h = (h ^ bytes[i]) * 0x100000001B3ull;
  return h;
}

template <class Bytes>
std::string Hex(const Bytes& bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%zu:%016llx", bytes.size(),
                static_cast<unsigned long long>(Hash(bytes.data(), bytes.size())));
  return text;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Describe(api::OSErr result, const HostDocument& d) {
  std::string line = "result=" + std::to_string(result);
  if (result != api::noErr) return line;
  std::vector<uint8_t> tables(d.red.begin(), d.red.end());
  tables.insert(tables.end(), d.green.begin(), d.green.end());
  tables.insert(tables.end(), d.blue.begin(), d.blue.end());
  line += " mode=" + std::to_string(d.mode) + " size=" + std::to_string(d.width) + "x" +
          std::to_string(d.height) + " depth=" + std::to_string(d.depth) +
          " planes=" + std::to_string(d.planes) +
          " transparentIndex=" + std::to_string(d.transparentIndex) +
          " transparencyPlane=" + std::to_string(d.transparencyPlane) + " pixels=" + Hex(d.pixels);
  if (d.mode == api::plugInModeIndexedColor) line += " tables=" + Hex(tables);
  return line;
}

HostDocument Pattern(int16_t mode, int32_t width, int32_t height, int16_t depth, int16_t planes,
                     uint32_t seed) {
  HostDocument d;
  d.mode = mode;
  d.width = width;
  d.height = height;
  d.depth = depth;
  d.planes = planes;
  d.pixels.resize(d.ImageBytes());
  // Smooth ramps with some noise: lossy coding has something to round.
  uint32_t noise = seed;
  for (size_t i = 0; i < d.pixels.size(); ++i) {
    noise = noise * 1103515245u + 12345u;
    const size_t x = (i / std::max<int16_t>(planes, 1)) % static_cast<size_t>(width);
    d.pixels[i] = static_cast<uint8_t>(x * 255 / static_cast<size_t>(width) + (noise >> 29));
  }
  if (planes == 4)
    for (size_t i = 3; i < d.pixels.size(); i += 4) d.pixels[i] = static_cast<uint8_t>(i % 5 ? 255 : i);
  if (depth == 1 && width % 8 != 0) {
    const size_t rowBytes = d.RowBytes();
    for (size_t row = 0; row < static_cast<size_t>(height); ++row)
      d.pixels[row * rowBytes + rowBytes - 1] &= static_cast<uint8_t>(0xFF << (8 - width % 8));
  }
  for (int i = 0; i < 256; ++i) {
    d.red[i] = static_cast<uint8_t>(i);
    d.green[i] = static_cast<uint8_t>(255 - i);
    d.blue[i] = static_cast<uint8_t>(i * 3);
  }
  return d;
}

struct Case {
  const char* name;
  HostDocument document;
};

class Converter {
 public:
  explicit Converter(const std::string& path) : module_(LoadLibraryA(path.c_str())) {
    if (module_ != nullptr)
      write_ = reinterpret_cast<ConvertWriteProc>(
          reinterpret_cast<void (*)()>(GetProcAddress(module_, "ConvertWrite")));
  }
  ~Converter() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool Usable() const { return write_ != nullptr; }

  bool Write(const std::string& path, const HostDocument& d, int32_t compType, int32_t quality) const {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const int32_t ok = write_(file, d.width, d.height, d.planes, d.depth, d.pixels.data(),
                              d.red.data(), d.green.data(), d.blue.data(), d.transparentIndex,
                              compType, quality, 0, d.mode);
    CloseHandle(file);
    return ok != 0;
  }

 private:
  HMODULE module_;
  ConvertWriteProc write_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr, "usage: %s PLUGIN CONVERTER SAMPLES_DIR WORK_DIR [OTHER_WORK_DIR]\n",
                 argv[0]);
    return 2;
  }
  const std::string plugin = argv[1], samples = argv[3], work = argv[4];
  PluginHost host(plugin);
  Converter converter(argv[2]);
  if (!host.Loaded() || !converter.Usable()) {
    std::fprintf(stderr, "cannot load %s or %s\n", argv[1], argv[2]);
    return 1;
  }
  int failures = 0;

  // The bundled samples, opened.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(samples))
    if (entry.path().extension() == ".dov") names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    HostDocument opened;
    const api::OSErr result = host.Open(samples + "/" + name, opened);
    failures += result != api::noErr;
    std::printf("open %s %s\n", name.c_str(), Describe(result, opened).c_str());
  }

  // Pictures of every mode: saved through the plug-in (its options as a
  // fresh plug-in has them) and by the converter with each compression, and
  // each file opened again through the plug-in.
  HostDocument indexed = Pattern(api::plugInModeIndexedColor, 13, 7, 8, 1, 1);
  indexed.transparentIndex = 9;
  const Case cases[] = {
      {"indexed", indexed},
      {"rgb", Pattern(api::plugInModeRGBColor, 37, 19, 8, 3, 2)},
      {"rgba", Pattern(api::plugInModeRGBColor, 40, 24, 8, 4, 3)},
      {"grey", Pattern(api::plugInModeGrayScale, 9, 5, 8, 1, 4)},
      {"greyalpha", Pattern(api::plugInModeGrayScale, 11, 6, 8, 2, 5)},
      {"bitmap", Pattern(api::plugInModeBitmap, 21, 4, 1, 1, 6)},
  };
  std::vector<std::string> saved;
  for (const Case& c : cases) {
    const bool colour = c.document.planes * c.document.depth >= 24;
    struct Save {
      std::string how;
      int32_t compType;
    };
    std::vector<Save> saves = {{"plugin", -1}, {"zlib", 0}, {"none", 1}};
    if (colour) saves.push_back({"lossy", 2});
    for (const Save& save : saves) {
      const std::string name = std::string(c.name) + "-" + save.how;
      const std::string path = work + "/" + name + ".dov";
      bool written = false;
      if (save.compType < 0)
        written = host.Save(c.document, path, false) == api::noErr;
      else
        written = converter.Write(path, c.document, save.compType, 60);
      HostDocument opened;
      const api::OSErr result = written ? host.Open(path, opened) : api::noErr;
      failures += !written || result != api::noErr;
      std::printf("saved %s written=%d %s\n", name.c_str(), written ? 1 : 0,
                  Describe(result, opened).c_str());
      std::printf("file %s %s\n", name.c_str(), Hex(FileBytes(path)).c_str());
      saved.push_back(name);
    }
  }

  // The other build's files, opened here.
  if (argc == 6) {
    for (const std::string& name : saved) {
      HostDocument opened;
      const api::OSErr result = host.Open(std::string(argv[5]) + "/" + name + ".dov", opened);
      failures += result != api::noErr;
      std::printf("foreign %s written=1 %s\n", name.c_str(), Describe(result, opened).c_str());
    }
  }
  return failures == 0 ? 0 : 1;
}

// The plug-in in front of the real converter: opening and saving through
// PluginMain gives what the converter's exports give when called directly.
#include <gtest/gtest.h>

#ifdef DORV_REAL_CONVERTER

#include <cstring>
#include <filesystem>
#include <fstream>

#include "converter/converts/exports.h"
#include "tools/host/plugin_host.h"
#include "platform/win32.h"
#include "sandbox.h"

namespace dorv::test {
namespace {

using namespace host_api;
using host::HostDocument;
using host::HostSettings;
using host::PluginHost;

// What ConvertRead returns for a file.
struct Decoded {
  bool ok = false;
  int32_t width = 0, height = 0, bpp = 0, transparentIndex = 0;
  std::vector<uint8_t> block;
  std::vector<uint8_t> palette;
  bool operator==(const Decoded&) const = default;
};

// The converter loaded directly, as its own callers use it.
class DirectConverter {
 public:
  DirectConverter() : module_(LoadLibraryA(DORV_REAL_CONVERTER)) {
    if (module_ == nullptr) throw std::runtime_error("cannot load the converter");
    read_ = reinterpret_cast<ConvertReadProc>(GetProcAddress(module_, "ConvertRead"));
    write_ = reinterpret_cast<ConvertWriteProc>(GetProcAddress(module_, "ConvertWrite"));
  }
  ~DirectConverter() { FreeLibrary(module_); }
  DirectConverter(const DirectConverter&) = delete;
  DirectConverter& operator=(const DirectConverter&) = delete;

  bool Write(const std::string& path, const HostDocument& d) const {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    const int32_t ok = write_(file, d.width, d.height, d.planes, d.depth, d.pixels.data(),
                              d.red.data(), d.green.data(), d.blue.data(), d.transparentIndex, 1,
                              70, 0, d.mode);
    CloseHandle(file);
    return ok != 0;
  }

  Decoded Read(const std::string& path) const {
    Decoded out;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    uint8_t info[kReadInfoSize] = {};
    uint8_t palette[1024] = {};
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8);
    out.ok = read_(file, info, &block, palette, &out.transparentIndex) != 0;
    CloseHandle(file);
    std::memcpy(&out.width, info + 8, 4);
    std::memcpy(&out.height, info + 12, 4);
    std::memcpy(&out.bpp, info + 16, 4);
    if (out.ok) {
      const auto* bytes = static_cast<const uint8_t*>(GlobalLock(block));
      out.block.assign(bytes, bytes + GlobalSize(block));
      GlobalUnlock(block);
      if (out.bpp == 8) out.palette.assign(palette, palette + 1024);
    }
    GlobalFree(block);
    return out;
  }

 private:
  HMODULE module_;
  ConvertReadProc read_ = nullptr;
  ConvertWriteProc write_ = nullptr;
};

// The document the host should hold after opening what `decoded` describes.
void ExpectSameImage(const HostDocument& opened, const Decoded& decoded) {
  ASSERT_TRUE(decoded.ok);
  EXPECT_EQ(opened.width, decoded.width);
  EXPECT_EQ(opened.height, decoded.height);
  EXPECT_EQ(opened.transparentIndex, decoded.transparentIndex);
  if (decoded.bpp == 8) {
    EXPECT_EQ(opened.mode, plugInModeIndexedColor);
    EXPECT_EQ(opened.planes, 1);
    EXPECT_EQ(opened.pixels, decoded.block);
    for (int i = 0; i < 256; ++i) {
      ASSERT_EQ(opened.red[i], decoded.palette[4 * i + 2]) << i;
      ASSERT_EQ(opened.green[i], decoded.palette[4 * i + 1]) << i;
      ASSERT_EQ(opened.blue[i], decoded.palette[4 * i]) << i;
    }
  } else {
    ASSERT_EQ(decoded.bpp, 32);
    EXPECT_EQ(opened.mode, plugInModeRGBColor);
    EXPECT_EQ(opened.planes, 4);
    EXPECT_EQ(opened.transparencyPlane, 3);
    std::vector<uint8_t> rgba = decoded.block;
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) std::swap(rgba[i], rgba[i + 2]);
    EXPECT_EQ(opened.pixels, rgba);
  }
}

HostDocument RgbaWithTransparency() {
  HostDocument d = PatternDocument(plugInModeRGBColor, 4, 3, 8, 4, 3);
  for (std::size_t i = 3; i < d.pixels.size(); i += 4)
    d.pixels[i] = static_cast<uint8_t>(i % 3 == 0 ? 0 : i % 3 == 1 ? 255 : 77);
  return d;
}

HostDocument IndexedWithTransparentIndex() {
  HostDocument d = PatternDocument(plugInModeIndexedColor, 5, 3, 8, 1, 0);
  d.transparentIndex = 7;
  return d;
}

struct DocumentCase {
  const char* name;
  HostDocument document;
};

class ThroughThePlugin : public testing::TestWithParam<DocumentCase> {};

TEST_P(ThroughThePlugin, OpenGivesWhatConvertReadGives) {
  Sandbox box({.converter = DORV_REAL_CONVERTER});
  DirectConverter direct;
  ASSERT_TRUE(direct.Write(box.File("a.dov"), GetParam().document));
  HostSettings settings;
  settings.imageResources = {1, 2, 3};
  PluginHost host(box.PluginPath(), settings);
  HostDocument opened;
  ASSERT_EQ(host.Open(box.File("a.dov"), opened), noErr);
  ExpectSameImage(opened, direct.Read(box.File("a.dov")));
  EXPECT_TRUE(host.Counts().Balanced());
  EXPECT_EQ(host.Counts().acquired, 1);
  EXPECT_EQ(host.LiveHandles(), 0u);
}

TEST_P(ThroughThePlugin, SaveWritesWhatConvertWriteWrites) {
  Sandbox box({.converter = DORV_REAL_CONVERTER});
  DirectConverter direct;
  ASSERT_TRUE(direct.Write(box.File("direct.dov"), GetParam().document));
  HostSettings settings;
  settings.imageResources = {9};
  PluginHost host(box.PluginPath(), settings);
  ASSERT_EQ(host.Save(GetParam().document, box.File("plugin.dov"), false), noErr);
  EXPECT_TRUE(host.Counts().Balanced());
  const Decoded expected = direct.Read(box.File("direct.dov"));
  ASSERT_TRUE(expected.ok);
  EXPECT_EQ(direct.Read(box.File("plugin.dov")), expected);
  EXPECT_EQ(ReadAll(box.File("plugin.dov")), ReadAll(box.File("direct.dov")));
}

INSTANTIATE_TEST_SUITE_P(
    Documents, ThroughThePlugin,
    testing::Values(DocumentCase{"Indexed", IndexedWithTransparentIndex()},
                    DocumentCase{"RgbWithTransparency", RgbaWithTransparency()},
                    DocumentCase{"Rgb", PatternDocument(plugInModeRGBColor, 3, 2, 8, 3)},
                    DocumentCase{"Greyscale", PatternDocument(plugInModeGrayScale, 6, 2, 8, 1)},
                    DocumentCase{"Bitmap", PatternDocument(plugInModeBitmap, 10, 3, 1, 1)}),
    [](const testing::TestParamInfo<DocumentCase>& info) { return info.param.name; });

TEST(ThroughThePlugin, BundledSamplesOpenAsConvertReadReturnsThem) {
  DirectConverter direct;
  int opened = 0;
  for (const auto& entry : std::filesystem::directory_iterator(DORV_SAMPLES_DIR)) {
    if (entry.path().extension() != ".dov") continue;
    SCOPED_TRACE(entry.path().string());
    Sandbox box({.converter = DORV_REAL_CONVERTER});
    PluginHost host(box.PluginPath());
    HostDocument document;
    ASSERT_EQ(host.Open(entry.path().string(), document), noErr);
    ExpectSameImage(document, direct.Read(entry.path().string()));
    ++opened;
  }
  EXPECT_GT(opened, 0);
}

// A folder whose name code page 932, the ANSI code page of the Windows
// tests, cannot spell (Hangul, Latin letters with diaeresis and a Devanagari
// letter): the plug-in and its converter are found and loaded by their wide
// names, and a sample opens and saves.
TEST(ThroughThePlugin, FolderOutsideTheAnsiCodePageStillOpensAndSaves) {
  Sandbox box({.converter = DORV_REAL_CONVERTER,
               .subfolderUtf8 = "\xED\x94\x8C\xEB\x9F\xAC\xEA\xB7\xB8\xEC\x9D\xB8 "
                                "\xC3\xA4\xC3\xB6 \xE0\xA4\x95"});
  PluginHost host(host::ModuleFile{box.PluginFile()});
  ASSERT_TRUE(host.Loaded());
  DirectConverter direct;
  const std::string sample = std::string(DORV_SAMPLES_DIR) + "/palette4.dov";
  HostDocument opened;
  ASSERT_EQ(host.Open(sample, opened), noErr);
  ExpectSameImage(opened, direct.Read(sample));

  ASSERT_EQ(host.Save(opened, box.File("saved.dov"), false), noErr);
  HostDocument again;
  ASSERT_EQ(host.Open(box.File("saved.dov"), again), noErr);
  EXPECT_EQ(again.pixels, opened.pixels);
  EXPECT_EQ(again.red, opened.red);
  EXPECT_TRUE(host.Counts().Balanced());
}

TEST(ThroughThePlugin, FileTheConverterRejectsCannotBeRead) {
  Sandbox box({.converter = DORV_REAL_CONVERTER});
  std::ofstream(box.File("bad.dov")) << "DorvX200 but nothing after it";
  PluginHost host(box.PluginPath());
  HostDocument document;
  testing::internal::CaptureStderr();  // the converter's own message
  EXPECT_EQ(host.Open(box.File("bad.dov"), document), formatCannotRead);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(host.Data(), nullptr);
  EXPECT_TRUE(document.pixels.empty());
}

}  // namespace
}  // namespace dorv::test

#endif

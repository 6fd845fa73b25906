// Every frame and layer through dovtool: to-png of each frame of the
// samples, documents of several frames made from PNG pictures and read back,
// the animated export decoded by libwebp, and thumbnails.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "libdov/document/document.h"
#include "support/dov_writer.h"
#include "tool_test_util.h"
#include "tools/png_io.h"
#ifdef DORV_TEST_WEBP
#include <webp/demux.h>
#endif

namespace dorv::tools {
namespace {

using tooltest::ReadFile;
using tooltest::RunDovtool;
using tooltest::ScratchDir;
using tooltest::ToolRun;

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// A PNG as straight RGBA rows.
std::vector<uint8_t> Rgba(const PngImage& png) {
  std::vector<uint8_t> out;
  for (uint32_t y = 0; y < png.height; ++y) {
    const uint8_t* row = png.rows.data() + y * png.RowBytes();
    for (uint32_t x = 0; x < png.width; ++x) {
      switch (png.color) {
        case PngColor::Palette: {
          const auto& e = png.palette.at(row[x]);
          out.insert(out.end(), e.begin(), e.end());
          break;
        }
        case PngColor::RGB: out.insert(out.end(), {row[3 * x], row[3 * x + 1], row[3 * x + 2], 255}); break;
        case PngColor::RGBA: out.insert(out.end(), row + 4 * x, row + 4 * x + 4); break;
        default: ADD_FAILURE() << "unexpected colour type"; return out;
      }
    }
  }
  return out;
}

std::string SamplePath(const std::string& name) { return std::string(DORV_SAMPLES_DIR) + "/" + name; }

class SampleFrames : public ::testing::TestWithParam<const char*> {};

// Each NAME.fNNN.png is the composite of frame NNN; frame 0 is what plain
// to-png writes through the converter.
TEST_P(SampleFrames, AllFramesAreTheCompositesOfEachFrame) {
  ScratchDir dir;
  const std::string sample = SamplePath(GetParam());
  const ToolRun run = RunDovtool({"to-png", "--all-frames", sample, "--out-dir", dir.Path("out")});
  ASSERT_EQ(run.status, 0) << run.err;
  const frames::Document doc = frames::ReadDocument(Bytes(ReadFile(sample)));
  const std::string stem = std::filesystem::path(sample).stem();
  ASSERT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("out")), {}), long(doc.Frames.size()));
  for (size_t k = 0; k < doc.Frames.size(); ++k) {
    SCOPED_TRACE(k);
    char name[64];
    std::snprintf(name, sizeof name, "out/%s.f%03zu.png", stem.c_str(), k);
    const PngImage png = ReadPng(dir.Path(name));
    EXPECT_EQ(Rgba(png), frames::CompositeToRgba(doc.Frames[k].Picture).Pixels);
    EXPECT_EQ(png.color == PngColor::Palette, doc.Frames[k].Picture.Bpp == 8);
  }
  ASSERT_EQ(RunDovtool({"to-png", sample, "-o", dir.Path("first.png")}).status, 0);
  EXPECT_EQ(ReadFile(dir.Path("first.png")), ReadFile(dir.Path("out/" + stem + ".f000.png")));
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleFrames, ::testing::Values("animation.dov", "palette4.dov", "highcolor16.dov"),
                         [](const auto& info) { return std::filesystem::path(info.param).stem().string(); });

// The sample animation's layers alone: the sky's key band is clear, the
// sprite's alpha plane is its alpha, the hidden guide is still written.
TEST(ToPngLayers, EachLayerAloneWithItsTransparency) {
  ScratchDir dir;
  const ToolRun run = RunDovtool({"to-png", "--layers", "--frame", "1", SamplePath("animation.dov"), "--out-dir", dir.Path("")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"animation.f001.l000.png", "animation.f001.l001.png",
                                                   "animation.f001.l002.png", "animation.f001.l003.png"}));
  const std::vector<uint8_t> sky = Rgba(ReadPng(dir.Path("animation.f001.l000.png")));
  auto alphaAt = [](const std::vector<uint8_t>& px, int x, int y) { return px[size_t(4 * (y * 96 + x) + 3)]; };
  EXPECT_EQ(alphaAt(sky, 10, 43), 0);    // the magenta key band
  EXPECT_EQ(alphaAt(sky, 10, 20), 255);
  const std::vector<uint8_t> sprite = Rgba(ReadPng(dir.Path("animation.f001.l001.png")));
  EXPECT_EQ(alphaAt(sprite, 44, 30), 255);  // the sprite's centre in frame 1
  EXPECT_EQ(alphaAt(sprite, 0, 0), 0);
  const std::vector<uint8_t> guide = Rgba(ReadPng(dir.Path("animation.f001.l003.png")));
  EXPECT_EQ(guide[0], 255);  // red, though hidden in the composite
}

TEST(ToPngFrame, AFrameThatDoesNotExistFailsNamingTheRange) {
  ScratchDir dir;
  const ToolRun run = RunDovtool({"to-png", "--frame=5", SamplePath("animation.dov"), "-o", dir.Path("x.png")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("no frame 5: the document has 3 frames (0 to 2)"), std::string::npos) << run.err;
  EXPECT_EQ(dir.Names(), std::vector<std::string>{});
}

PngImage Picture(PngColor color, int seed) {
  PngImage img;
  img.width = 5;
  img.height = 4;
  img.color = color;
  if (color == PngColor::Palette)
    for (int i = 0; i < 6; ++i) img.palette.push_back({uint8_t(40 * i), uint8_t(seed), uint8_t(200 - 30 * i), uint8_t(i == 2 ? 0 : 255)});
  img.rows.resize(img.RowBytes() * img.height);
  for (size_t i = 0; i < img.rows.size(); ++i)
    img.rows[i] = color == PngColor::Palette ? uint8_t((i + size_t(seed)) % 6) : uint8_t(i * 29 + size_t(seed) * 7);
  if (color == PngColor::RGBA)  // clear pixels are stored black
    for (size_t i = 3; i < img.rows.size(); i += 4)
      if (img.rows[i] == 0) img.rows[i - 1] = img.rows[i - 2] = img.rows[i - 3] = 0;
  return img;
}

// A 3-frame document made from PNG pictures reads back frame for frame,
// with the delays given.
TEST(FromPngFrames, ThreeFramesReadBackFrameForFrame) {
  ScratchDir dir;
  const std::vector<PngImage> inputs = {Picture(PngColor::RGB, 1), Picture(PngColor::RGBA, 2), Picture(PngColor::Palette, 3)};
  std::vector<std::string> args = {"from-png", "--frames", "--delay=40,80,120", "-o", dir.Path("anim.dov")};
  for (size_t i = 0; i < inputs.size(); ++i) {
    WritePng(dir.Path("in" + std::to_string(i) + ".png"), inputs[i]);
    args.push_back(dir.Path("in" + std::to_string(i) + ".png"));
  }
  ToolRun run = RunDovtool(args);
  ASSERT_EQ(run.status, 0) << run.err;
  run = RunDovtool({"info", "--frames", dir.Path("anim.dov")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("\"frames\":3,"), std::string::npos) << run.out;
  size_t at = 0;
  for (const char* delay : {"\"delay_ms\":40,", "\"delay_ms\":80,", "\"delay_ms\":120,"}) {
    at = run.out.find(delay, at);
    ASSERT_NE(at, std::string::npos) << delay << " in " << run.out;
  }
  run = RunDovtool({"to-png", "--all-frames", dir.Path("anim.dov"), "--out-dir", dir.Path("back")});
  ASSERT_EQ(run.status, 0) << run.err;
  for (size_t i = 0; i < inputs.size(); ++i) {
    SCOPED_TRACE(i);
    const PngImage back = ReadPng(dir.Path("back/anim.f00" + std::to_string(i) + ".png"));
    EXPECT_EQ(Rgba(back), Rgba(inputs[i]));
  }
}

TEST(FromPngFrames, PicturesOfAnotherSizeAreRefusedAndNothingIsWritten) {
  ScratchDir dir;
  WritePng(dir.Path("a.png"), Picture(PngColor::RGB, 1));
  PngImage wide = Picture(PngColor::RGB, 2);
  wide.width = 4;
  wide.rows.resize(wide.RowBytes() * wide.height);
  WritePng(dir.Path("b.png"), wide);
  const ToolRun run = RunDovtool({"from-png", "--frames", dir.Path("a.png"), dir.Path("b.png")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("b.png: 4 x 4 does not match the first frame's 5 x 4"), std::string::npos) << run.err;
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a.png", "b.png"}));
}

std::vector<uint8_t> ThreeFrameDoc() {
  testing::DocSpec doc;
  for (int k = 0; k < 3; ++k) {
    testing::FrameSpec f;
    f.width = 12;
    f.height = 7;
    f.bpp = 24;
    f.delay = 50 + 20 * k;
    testing::LayerSpec l;
    l.rows = testing::MakeRows(12, 7, 24, [=](int x, int y) { return uint32_t(0x0A0B0C * (x + 2 * y + 5 * k)); });
    l.alphaOn = true;
    l.alphaRows = testing::MakeRows(12, 7, 8, [=](int x, int y) { return uint32_t((x + y + k) % 3 == 0 ? 0 : 255); });
    f.layers = {l};
    doc.frames.push_back(f);
  }
  return testing::WriteDov(doc);
}

// The animated WebP decodes, with libwebp's own decoder, to the composites
// and delays of the document's frames.
TEST(ToAnim, DecodesToTheSameFramesAndDelays) {
#ifndef DORV_TEST_WEBP
  GTEST_SKIP() << "libwebp's decoder is not installed";
#else
  ScratchDir dir;
  const std::vector<uint8_t> file = ThreeFrameDoc();
  tooltest::WriteFile(dir.Path("a.dov"), std::string(file.begin(), file.end()));
  const ToolRun run = RunDovtool({"to-anim", dir.Path("a.dov"), "-o", dir.Path("a.webp")});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string webp = ReadFile(dir.Path("a.webp"));
  const frames::Document doc = frames::ReadDocument(file);

  WebPAnimDecoderOptions options;
  ASSERT_TRUE(WebPAnimDecoderOptionsInit(&options));
  options.color_mode = MODE_RGBA;
  const WebPData data{reinterpret_cast<const uint8_t*>(webp.data()), webp.size()};
  WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
  ASSERT_NE(decoder, nullptr);
  WebPAnimInfo info;
  ASSERT_TRUE(WebPAnimDecoderGetInfo(decoder, &info));
  EXPECT_EQ(info.canvas_width, 12u);
  EXPECT_EQ(info.canvas_height, 7u);
  EXPECT_EQ(info.frame_count, 3u);
  EXPECT_EQ(info.loop_count, 0u);
  int elapsed = 0;
  for (size_t k = 0; WebPAnimDecoderHasMoreFrames(decoder); ++k) {
    SCOPED_TRACE(k);
    uint8_t* pixels = nullptr;
    int timestamp = 0;
    ASSERT_TRUE(WebPAnimDecoderGetNext(decoder, &pixels, &timestamp));
    ASSERT_LT(k, doc.Frames.size());
    elapsed += doc.Frames[k].DelayMilliseconds;
    EXPECT_EQ(timestamp, elapsed);  // the end of frame k
    const std::vector<uint8_t> want = frames::CompositeToRgba(doc.Frames[k].Picture).Pixels;
    for (size_t i = 0; i < want.size(); i += 4) {
      EXPECT_EQ(pixels[i + 3], want[i + 3]) << i / 4;
      if (want[i + 3] != 0) {
        EXPECT_TRUE(std::equal(want.begin() + long(i), want.begin() + long(i) + 3, pixels + i)) << i / 4;
      }
    }
  }
  WebPAnimDecoderDelete(decoder);
#ifdef DORV_WEBPMUX_PATH
  // The library's own tool sees the same durations.
  FILE* mux = ::popen((std::string(DORV_WEBPMUX_PATH) + " -info '" + dir.Path("a.webp") + "'").c_str(), "r");
  ASSERT_NE(mux, nullptr);
  std::string listing;
  char buf[512];
  while (std::fgets(buf, sizeof buf, mux) != nullptr) listing += buf;
  EXPECT_EQ(::pclose(mux), 0);
  EXPECT_NE(listing.find("Number of frames: 3"), std::string::npos) << listing;
  // Frame lines: "N: width height alpha x_offset y_offset duration ...".
  std::vector<std::string> durations;
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::vector<std::string> f;
    for (std::string w; fields >> w;) f.push_back(w);
    if (f.size() > 6 && f[0].size() > 1 && f[0].back() == ':' && std::isdigit(static_cast<unsigned char>(f[0][0])))
      durations.push_back(f[6]);
  }
  EXPECT_EQ(durations, (std::vector<std::string>{"50", "70", "90"})) << listing;
#endif
#endif
}

struct ThumbCase {
  const char* name;
  const char* sample;
  int size;
  uint32_t width, height;
  bool nearestFromFrame0;  // every pixel is a pixel of frame 0 (scaled by nearest neighbour)
};

class Thumbnail : public ::testing::TestWithParam<ThumbCase> {};

TEST_P(Thumbnail, FitsTheSquareKeepingTheAspect) {
  const ThumbCase& c = GetParam();
  ScratchDir dir;
  const ToolRun run = RunDovtool({"thumbnail", "-s", std::to_string(c.size), SamplePath(c.sample), dir.Path("t.png")});
  ASSERT_EQ(run.status, 0) << run.err;
  const PngImage thumb = ReadPng(dir.Path("t.png"));
  EXPECT_EQ(thumb.color, PngColor::RGBA);
  ASSERT_EQ(thumb.width, c.width);
  ASSERT_EQ(thumb.height, c.height);
  if (!c.nearestFromFrame0) return;
  const frames::Document doc = frames::ReadDocument(Bytes(ReadFile(SamplePath(c.sample))));
  const frames::RgbaImage frame = frames::CompositeToRgba(doc.Frames[0].Picture);
  for (uint32_t y = 0; y < thumb.height; ++y)
    for (uint32_t x = 0; x < thumb.width; ++x) {
      const size_t sx = x * uint32_t(frame.Width) / thumb.width, sy = y * uint32_t(frame.Height) / thumb.height;
      const uint8_t* want = &frame.Pixels[4 * (sy * size_t(frame.Width) + sx)];
      const uint8_t* got = &thumb.rows[4 * (y * size_t(thumb.width) + x)];
      ASSERT_TRUE(std::equal(want, want + 4, got)) << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, Thumbnail,
    ::testing::Values(ThumbCase{"PixelArtEnlargedThreeTimes", "palette4.dov", 128, 120, 72, true},
                      ThumbCase{"PixelArtReducedByNearest", "palette4.dov", 20, 20, 12, true},
                      ThumbCase{"FitsAlready", "palette4.dov", 40, 40, 24, true},
                      ThumbCase{"ColourReducedByAveraging", "animation.dov", 48, 48, 32, false},
                      ThumbCase{"TallerSideLimits", "highcolor16.dov", 16, 16, 8, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dorv::tools

namespace dorv::tools {
namespace {

// The install script puts dovtool, libdov and the thumbnailer entry
// under a prefix; the entry's command line, as a file manager runs it,
// writes the thumbnail.
TEST(ThumbnailerEntry, InstalledEntryMakesAThumbnail) {
  ScratchDir dir;
  const std::string prefix = dir.Path("prefix");
  const std::string install = "DOVTOOL_BUILD='" + std::string(DORV_BUILD_DIR) + "' bash '" + DORV_SCRIPTS_DIR +
                              "/install-thumbnailer.sh' '" + prefix + "' > '" + dir.Path("install.log") + "' 2>&1";
  ASSERT_EQ(std::system(install.c_str()), 0) << ReadFile(dir.Path("install.log"));
  EXPECT_TRUE(std::filesystem::exists(prefix + "/share/mime/image/x-dorvstudio.xml"));
  // The installed dovtool takes the library installed beside it.
  const std::string ldd = "ldd '" + prefix + "/lib/dorvformat/dovtool' > '" + dir.Path("ldd.txt") + "'";
  ASSERT_EQ(std::system(ldd.c_str()), 0);
  EXPECT_NE(ReadFile(dir.Path("ldd.txt")).find(prefix + "/lib/dorvformat/libdov.so.1"), std::string::npos)
      << ReadFile(dir.Path("ldd.txt"));
  const std::string entry = ReadFile(prefix + "/share/thumbnailers/dovtool.thumbnailer");
  const size_t exec = entry.find("\nExec=dovtool ");
  ASSERT_NE(exec, std::string::npos) << entry;
  const size_t from = exec + std::strlen("\nExec=dovtool ");
  std::string command = "'" + prefix + "/bin/dovtool' " + entry.substr(from, entry.find('\n', from) - from);
  for (const auto& [field, value] : std::vector<std::pair<std::string, std::string>>{
           {"%s", "64"}, {"%i", "'" + SamplePath("palette4.dov") + "'"}, {"%o", "'" + dir.Path("thumb.png") + "'"}})
    command.replace(command.find(field), 2, value);
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const PngImage thumb = ReadPng(dir.Path("thumb.png"));
  EXPECT_EQ(thumb.width, 40u);  // already fits: kept at its size
  EXPECT_EQ(thumb.height, 24u);
}

}  // namespace
}  // namespace dorv::tools

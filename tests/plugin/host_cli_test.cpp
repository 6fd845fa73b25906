// The host as a command: PNG pictures in and out through the plug-in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "tools/host/host_cli.h"
#include "sandbox.h"

#ifdef DORV_TEST_HOST_PNG
#include "tools/png_io.h"
#endif

namespace dorv::test {
namespace {

int RunHost(std::initializer_list<std::string> args) {
  std::vector<std::string> strings(args);
  std::vector<char*> argv;
  for (std::string& s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);
  testing::internal::CaptureStderr();
  const int code = host::RunHostCommand(static_cast<int>(strings.size()), argv.data());
  testing::internal::GetCapturedStderr();
  return code;
}

TEST(HostCommand, BadUsageIsRefused) {
  EXPECT_EQ(RunHost({"host"}), 2);
  EXPECT_EQ(RunHost({"host", "open", "only-one"}), 2);
  EXPECT_EQ(RunHost({"host", "frob", "a", "b"}), 2);
  EXPECT_EQ(RunHost({"host", "open", "a", "b", "c"}), 2);
  EXPECT_EQ(RunHost({"host", "open", "a.dov", "b.png", "--skip-options"}), 2);
  EXPECT_EQ(RunHost({"host", "save", "a.png", "b.dov", "--plugin"}), 2);
}

#ifdef DORV_TEST_HOST_PNG

using tools::PngColor;
using tools::PngImage;

TEST(HostCommand, PluginThatCannotBeLoadedFails) {
  Sandbox box;
  EXPECT_EQ(RunHost({"host", "open", box.File("a"), box.File("b.png"), "--plugin",
                 box.File("missing.8bi")}),
            1);
}

TEST(HostCommand, OpenWritesIndexedPictureWithItsTransparentEntry) {
  Sandbox box;
  std::vector<uint8_t> palette(1024, 0);
  palette[4 * 1 + 2] = 200;  // red of entry 1
  WriteFakeFile(box.File("in.fake"), {.width = 3, .height = 2, .bpp = 8, .transparentIndex = 1,
                                      .palette = palette, .block = {0, 1, 2, 2, 1, 0}});
  ASSERT_EQ(RunHost({"host", "open", box.File("in.fake"), box.File("out.png"), "--plugin",
                 box.PluginPath()}),
            0);
  const PngImage png = tools::ReadPng(box.File("out.png"));
  EXPECT_EQ(png.color, PngColor::Palette);
  EXPECT_EQ(png.rows, (std::vector<uint8_t>{0, 1, 2, 2, 1, 0}));
  ASSERT_GE(png.palette.size(), 3u);
  EXPECT_EQ(png.palette[1], (std::array<uint8_t, 4>{200, 0, 0, 0}));
  EXPECT_EQ(png.palette[2][3], 255);
}

TEST(HostCommand, OpenWritesRgbaPicture) {
  Sandbox box;
  WriteFakeFile(box.File("in.fake"),
                {.width = 2, .height = 1, .bpp = 32, .block = {1, 2, 3, 4, 5, 6, 7, 8}});
  ASSERT_EQ(RunHost({"host", "open", box.File("in.fake"), box.File("out.png"), "--plugin",
                 box.PluginPath()}),
            0);
  const PngImage png = tools::ReadPng(box.File("out.png"));
  EXPECT_EQ(png.color, PngColor::RGBA);
  EXPECT_EQ(png.rows, (std::vector<uint8_t>{3, 2, 1, 4, 7, 6, 5, 8}));
}

struct SaveCase {
  const char* name;
  PngImage png;
  int32_t mode, planes, depth, transparentIndex;
  std::vector<uint8_t> pixels;
};

class HostSave : public testing::TestWithParam<SaveCase> {};

TEST_P(HostSave, HandsThePictureToTheConverterAsADocument) {
  const SaveCase& c = GetParam();
  Sandbox box;
  tools::WritePng(box.File("in.png"), c.png);
  ASSERT_EQ(RunHost({"host", "save", box.File("in.png"), box.File("out.dov"), "--skip-options",
                 "--plugin", box.PluginPath()}),
            0);
  const auto written = ReadWriteRecord(box.File("out.dov"));
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(written->imageMode, c.mode);
  EXPECT_EQ(written->planes, c.planes);
  EXPECT_EQ(written->depth, c.depth);
  EXPECT_EQ(written->transparentIndex, c.transparentIndex);
  EXPECT_EQ(written->pixels, c.pixels);
  EXPECT_EQ(written->quality, 70);
  EXPECT_FALSE(std::filesystem::exists(box.File("out.dov.partial")));
}

PngImage Picture(PngColor color, uint32_t width, uint32_t height, std::vector<uint8_t> rows,
                 int bitDepth = 8, std::vector<std::array<uint8_t, 4>> palette = {}) {
  PngImage png;
  png.width = width;
  png.height = height;
  png.color = color;
  png.bitDepth = bitDepth;
  png.rows = std::move(rows);
  png.palette = std::move(palette);
  return png;
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, HostSave,
    testing::Values(
        SaveCase{"PaletteWithOneTransparentEntry",
                 Picture(PngColor::Palette, 2, 2, {0, 1, 1, 0}, 8,
                         {{10, 20, 30, 255}, {0, 0, 0, 0}}),
                 2, 1, 8, 1, {0, 1, 1, 0}},
        // Partial alpha cannot be an indexed document's transparent index.
        SaveCase{"PaletteWithPartialAlpha",
                 Picture(PngColor::Palette, 2, 1, {0, 1}, 8, {{10, 20, 30, 128}, {1, 2, 3, 255}}),
                 3, 4, 8, -1, {10, 20, 30, 128, 1, 2, 3, 255}},
        SaveCase{"Rgba", Picture(PngColor::RGBA, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}), 3, 4, 8, -1,
                 {1, 2, 3, 4, 5, 6, 7, 8}},
        SaveCase{"Rgb", Picture(PngColor::RGB, 1, 1, {9, 8, 7}), 3, 3, 8, -1, {9, 8, 7}},
        SaveCase{"GreyAlpha", Picture(PngColor::GreyAlpha, 2, 1, {50, 255, 60, 0}), 1, 2, 8, -1,
                 {50, 255, 60, 0}},
        // 1 is white in the picture and black in the bitmap.
        SaveCase{"OneBitGrey", Picture(PngColor::Grey, 8, 1, {0xF0}, 1), 0, 1, 1, -1, {0x0F}}),
    [](const testing::TestParamInfo<SaveCase>& info) { return info.param.name; });

TEST(HostCommand, OlderHostsShorterRecordOpensAndSaves) {
  Sandbox box;
  WriteFakeFile(box.File("in.fake"),
                {.width = 2, .height = 1, .bpp = 32, .block = {1, 2, 3, 4, 5, 6, 7, 8}});
  ASSERT_EQ(RunHost({"host", "open", box.File("in.fake"), box.File("out.png"), "--short-record",
                 "--plugin", box.PluginPath()}),
            0);
  ASSERT_EQ(RunHost({"host", "save", box.File("out.png"), box.File("out.dov"), "--skip-options",
                 "--short-record", "--plugin", box.PluginPath()}),
            0);
  const auto written = ReadWriteRecord(box.File("out.dov"));
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(written->pixels, (std::vector<uint8_t>{3, 2, 1, 4, 7, 6, 5, 8}));
}

#ifdef DORV_REAL_CONVERTER
// The bundled samples through the real converter: opened, saved and opened
// again give the same picture, with the whole record and with an older
// host's.
struct SampleCase {
  const char* name;
  const char* sample;
  bool shortRecord;
};

class HostSample : public testing::TestWithParam<SampleCase> {};

TEST_P(HostSample, OpensSavesAndOpensAgainToTheSamePicture) {
  const SampleCase& c = GetParam();
  Sandbox box({.converter = DORV_REAL_CONVERTER});
  const std::string sample = std::string(DORV_SAMPLES_DIR) + "/" + c.sample;
  std::vector<std::string> extra = {"--plugin", box.PluginPath()};
  if (c.shortRecord) extra.push_back("--short-record");
  auto run = [&](std::vector<std::string> args) {
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    testing::internal::CaptureStderr();
    const int code = host::RunHostCommand(static_cast<int>(argv.size()), argv.data());
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, 0) << said;
    return code;
  };
  ASSERT_EQ(run({"host", "open", sample, box.File("first.png")}), 0);
  ASSERT_EQ(run({"host", "save", box.File("first.png"), box.File("saved.dov"), "--skip-options"}), 0);
  ASSERT_EQ(run({"host", "open", box.File("saved.dov"), box.File("again.png")}), 0);
  EXPECT_EQ(ReadAll(box.File("again.png")), ReadAll(box.File("first.png")));
}

INSTANTIATE_TEST_SUITE_P(
    Samples, HostSample,
    testing::Values(SampleCase{"Palette", "palette4.dov", false},
                    SampleCase{"PaletteShortRecord", "palette4.dov", true},
                    SampleCase{"HighColour", "highcolor16.dov", false},
                    SampleCase{"HighColourShortRecord", "highcolor16.dov", true},
                    SampleCase{"AnimationShortRecord", "animation.dov", true}),
    [](const testing::TestParamInfo<SampleCase>& info) { return info.param.name; });
#endif

TEST(HostCommand, FailedSaveLeavesTheExistingFileAlone) {
  Sandbox box;
  box.Control("write=fail\n");
  tools::WritePng(box.File("in.png"), Picture(PngColor::RGB, 1, 1, {1, 2, 3}));
  std::ofstream(box.File("out.dov")) << "older";
  EXPECT_EQ(RunHost({"host", "save", box.File("in.png"), box.File("out.dov"), "--skip-options",
                 "--plugin", box.PluginPath()}),
            1);
  EXPECT_EQ(ReadAll(box.File("out.dov")), (std::vector<uint8_t>{'o', 'l', 'd', 'e', 'r'}));
  EXPECT_FALSE(std::filesystem::exists(box.File("out.dov.partial")));
}

#endif

}  // namespace
}  // namespace dorv::test

// dovtool as a user runs it: pictures through from-png and back through
// to-png, info's JSON, output naming, and failures that name the file and
// leave no output behind.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <regex>

#include "support/dov_writer.h"
#include "tool_test_util.h"
#include "tools/png_io.h"

namespace dorv::tools {
namespace {

using tooltest::Exists;
using tooltest::ReadFile;
using tooltest::RunDovtool;
using tooltest::RunDovtoolOnTerminal;
using tooltest::ScratchDir;
using tooltest::ToolRun;
using RGBA = std::array<uint8_t, 4>;

bool HaveTool() { return std::string(DOVTOOL_PATH).size() > 0; }

#define REQUIRE_TOOL()                     \
  do {                                     \
    if (!HaveTool()) {                     \
      GTEST_SKIP() << "dovtool is not built"; \
    }                                      \
  } while (0)

std::vector<RGBA> Resolve(const PngImage& img) {
  std::vector<RGBA> out;
  for (uint32_t y = 0; y < img.height; ++y) {
    const uint8_t* row = img.rows.data() + y * img.RowBytes();
    for (uint32_t x = 0; x < img.width; ++x) {
      switch (img.color) {
        case PngColor::Palette: out.push_back(img.palette.at(row[x])); break;
        case PngColor::Grey:
          if (img.bitDepth == 1) {
            uint8_t g = (row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
            out.push_back({g, g, g, 255});
          } else {
            out.push_back({row[x], row[x], row[x], 255});
          }
          break;
        case PngColor::GreyAlpha: out.push_back({row[2 * x], row[2 * x], row[2 * x], row[2 * x + 1]}); break;
        case PngColor::RGB: out.push_back({row[3 * x], row[3 * x + 1], row[3 * x + 2], 255}); break;
        case PngColor::RGBA:
          out.push_back({row[4 * x], row[4 * x + 1], row[4 * x + 2], row[4 * x + 3]});
          break;
      }
    }
  }
  return out;
}

constexpr uint32_t kW = 5, kH = 3;  // odd width: rows are not padded

PngImage Make(PngColor color, const std::function<uint8_t(size_t)>& byte, int bitDepth = 8,
              std::vector<RGBA> palette = {}) {
  PngImage img;
  img.width = kW;
  img.height = kH;
  img.color = color;
  img.bitDepth = bitDepth;
  img.palette = std::move(palette);
  img.rows.resize(img.RowBytes() * kH);
  for (size_t i = 0; i < img.rows.size(); ++i) img.rows[i] = byte(i);
  return img;
}

uint8_t Pattern(size_t i) { return static_cast<uint8_t>(i * 53 + 7); }

std::vector<RGBA> Palette(size_t n, uint8_t clearAt = 255, uint8_t partialAt = 255) {
  std::vector<RGBA> p;
  for (size_t i = 0; i < n; ++i)
    p.push_back({static_cast<uint8_t>(i * 40), static_cast<uint8_t>(255 - i * 30),
                 static_cast<uint8_t>(i * 7), i == clearAt ? uint8_t{0} : i == partialAt ? uint8_t{128} : uint8_t{255}});
  return p;
}

struct RoundTripCase {
  const char* name;
  PngImage input;
  std::vector<std::string> options;
  int bpp;               // of what ConvertRead returns
  int transparent;
  int tolerance;         // per channel (lossy coding)
  std::function<RGBA(RGBA)> expect;  // from the input pixel
  bool colourOfClearOpen = false;    // the colour of an alpha-0 pixel is not fixed
};

RGBA Same(RGBA p) { return p; }
RGBA ClearIsBlack(RGBA p) { return p[3] == 0 ? RGBA{0, 0, 0, 0} : p; }

class DovtoolRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(DovtoolRoundTrip, ToPngGivesBackThePicture) {
  REQUIRE_TOOL();
  const RoundTripCase& c = GetParam();
  ScratchDir dir;
  WritePng(dir.Path("in.png"), c.input);
  std::vector<std::string> args = {"from-png", dir.Path("in.png")};
  args.insert(args.end(), c.options.begin(), c.options.end());
  ToolRun write = RunDovtool(args);
  ASSERT_EQ(write.status, 0) << write.err;
  ASSERT_TRUE(Exists(dir.Path("in.dov")));

  ToolRun info = RunDovtool({"info", dir.Path("in.dov")});
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("\"bpp\":" + std::to_string(c.bpp) + ","), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("\"transparent\":" + std::to_string(c.transparent) + ","), std::string::npos)
      << info.out;

  ToolRun read = RunDovtool({"to-png", dir.Path("in.dov"), "-o", dir.Path("out.png")});
  ASSERT_EQ(read.status, 0) << read.err;
  PngImage out = ReadPng(dir.Path("out.png"));
  ASSERT_EQ(out.width, kW);
  ASSERT_EQ(out.height, kH);
  if (c.bpp == 8) {
    EXPECT_EQ(static_cast<int>(out.color), static_cast<int>(PngColor::Palette));
    EXPECT_EQ(out.palette.size(), 256u);
  } else {
    EXPECT_EQ(static_cast<int>(out.color), static_cast<int>(PngColor::RGBA));
  }
  std::vector<RGBA> want = Resolve(c.input), got = Resolve(out);
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    RGBA w = c.expect(want[i]);
    for (int ch = 0; ch < 4; ++ch) {
      if (ch < 3 && c.colourOfClearOpen && w[3] == 0) continue;
      EXPECT_NEAR(got[i][ch], w[ch], c.tolerance) << "pixel " << i << " channel " << ch;
    }
  }
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"in.dov", "in.png", "out.png"}));
}

uint8_t AlphaPattern(size_t i) {  // RGBA bytes with alpha 0, 1, 254 and 255 among them
  if (i % 4 != 3) return Pattern(i);
  const uint8_t a[] = {0, 1, 254, 255, 128};
  return a[(i / 4) % 5];
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, DovtoolRoundTrip,
    ::testing::Values(
        RoundTripCase{"RgbZlib", Make(PngColor::RGB, Pattern), {}, 32, -1, 0, Same},
        RoundTripCase{"RgbStored", Make(PngColor::RGB, Pattern), {"--compression", "none"}, 32, -1, 0, Same},
        RoundTripCase{"RgbaClearPixelsBlack", Make(PngColor::RGBA, AlphaPattern), {}, 32, -1, 0,
                      ClearIsBlack},
        RoundTripCase{"RgbaOpaque",
                      Make(PngColor::RGBA, [](size_t i) { return i % 4 == 3 ? uint8_t{255} : Pattern(i); }),
                      {}, 32, -1, 0, Same},
        RoundTripCase{"PaletteSingleClearEntry",
                      Make(PngColor::Palette, [](size_t i) { return static_cast<uint8_t>(i % 4); }, 8,
                           Palette(4, 2)),
                      {}, 8, 2, 0, Same},
        RoundTripCase{"PaletteOpaque",
                      Make(PngColor::Palette, [](size_t i) { return static_cast<uint8_t>(i % 3); }, 8,
                           Palette(3)),
                      {"--compression", "none"}, 8, -1, 0, Same},
        RoundTripCase{"Grey", Make(PngColor::Grey, Pattern), {}, 8, -1, 0, Same},
        RoundTripCase{"GreyAlpha",
                      Make(PngColor::GreyAlpha,
                           [](size_t i) { return i % 2 ? static_cast<uint8_t>((i / 2) % 3 == 0 ? 0 : i * 17) : Pattern(i); }),
                      {}, 32, -1, 0, Same, true},
        RoundTripCase{"OneBitGrey", Make(PngColor::Grey, Pattern, 1), {}, 8, -1, 0, Same},
        RoundTripCase{"RgbLossy",
                      Make(PngColor::RGB, [](size_t i) { return static_cast<uint8_t>(100 + (i % 3) * 20); }),
                      {"--compression", "lossy", "--quality", "95"}, 32, -1, 12, Same}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DovtoolInfo, PrintsOneObjectWithTheseKeys) {
  REQUIRE_TOOL();
  ScratchDir dir;
  testing::DocSpec doc;
  doc.bgColor = 0x123456;
  doc.notFillBG = true;
  for (int f = 0; f < 3; ++f) {
    testing::FrameSpec frame;
    frame.width = 7;
    frame.height = 2;
    frame.bpp = 8;
    frame.palette = {0x0000FF, 0x00FF00};
    frame.trans = 1;
    testing::LayerSpec layer;
    layer.rows = testing::MakeRows(7, 2, 8, [](int32_t x, int32_t) { return static_cast<uint32_t>(x % 2); });
    frame.layers.push_back(layer);
    doc.frames.push_back(frame);
  }
  std::vector<uint8_t> bytes = testing::WriteDov(doc);
  tooltest::WriteFile(dir.Path("doc.dov"), std::string(bytes.begin(), bytes.end()));
  ToolRun run = RunDovtool({"info", dir.Path("doc.dov")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "{\"file\":\"" + dir.Path("doc.dov") + "\",\"frames\":3,\"width\":7,\"height\":2,\"bpp\":8,\"transparent\":1,"
            "\"bgcolor\":1193046,\"notfillbg\":true,\"version\":200}\n");
}

TEST(DovtoolToPng, LoadErrorAfterTheFirstFrameStillWritesThePictureWithStatus3) {
  REQUIRE_TOOL();
  ScratchDir dir;
  testing::DocSpec doc;
  for (int f = 0; f < 2; ++f) {
    testing::FrameSpec frame;
    frame.width = 3;
    frame.height = 2;
    frame.bpp = 24;
    testing::LayerSpec layer;
    layer.rows = testing::MakeRows(3, 2, 24, [](int32_t x, int32_t y) { return 0x102030u * static_cast<uint32_t>(x + y + 1); });
    if (f == 1) layer.colourBlob = std::vector<uint8_t>{1, 2, 3, 4, 5};
    frame.layers.push_back(layer);
    doc.frames.push_back(frame);
  }
  std::vector<uint8_t> bytes = testing::WriteDov(doc);
  tooltest::WriteFile(dir.Path("two.dov"), std::string(bytes.begin(), bytes.end()));
  ToolRun run = RunDovtool({"to-png", dir.Path("two.dov")});
  EXPECT_EQ(run.status, 3) << run.err;  // converted, but rescued from a damaged file
  EXPECT_NE(run.err.find("two.dov: damaged"), std::string::npos) << run.err;
  ASSERT_TRUE(Exists(dir.Path("two.png")));
  PngImage out = ReadPng(dir.Path("two.png"));
  EXPECT_EQ(Resolve(out)[0], (RGBA{0x10, 0x20, 0x30, 255}));
  EXPECT_EQ(RunDovtool({"to-png", dir.Path("two.dov"), "--allow-damaged"}).status, 0);
}

struct FailCase {
  const char* name;
  std::function<void(ScratchDir&)> setUp;
  std::vector<std::string> args;  // "@name" is a file in the scratch folder
  int status;
  std::vector<std::string> inErrors;
  std::vector<std::string> filesAfter;
};

class DovtoolFailure : public ::testing::TestWithParam<FailCase> {};

TEST_P(DovtoolFailure, FailsAndLeavesNoOutput) {
  REQUIRE_TOOL();
  const FailCase& c = GetParam();
  ScratchDir dir;
  if (c.setUp) c.setUp(dir);
  std::vector<std::string> args;
  for (const std::string& a : c.args) args.push_back(a[0] == '@' ? dir.Path(a.substr(1)) : a);
  ToolRun run = RunDovtool(args);
  EXPECT_EQ(run.status, c.status) << run.err;
  for (const std::string& s : c.inErrors) EXPECT_NE(run.err.find(s), std::string::npos) << run.err;
  EXPECT_EQ(dir.Names(), c.filesAfter);
  if (Exists(dir.Path("keep.png"))) {
    EXPECT_EQ(ReadFile(dir.Path("keep.png")), "keep");
  }
}

void Put(ScratchDir& d, const std::string& name, const std::string& bytes) {
  tooltest::WriteFile(d.Path(name), bytes);
}
void PutRgbPng(ScratchDir& d) { WritePng(d.Path("rgb.png"), Make(PngColor::RGB, Pattern)); }

INSTANTIATE_TEST_SUITE_P(
    Cases, DovtoolFailure,
    ::testing::Values(
        FailCase{"EmptyFile", [](ScratchDir& d) { Put(d, "empty.dov", ""); }, {"to-png", "@empty.dov"},
                 1, {"empty.dov: not a DorvStudio document"}, {"empty.dov"}},
        FailCase{"NotADocument", [](ScratchDir& d) { Put(d, "junk.dov", std::string(300, 'x')); },
                 {"to-png", "@junk.dov"}, 1, {"junk.dov: not a DorvStudio document"}, {"junk.dov"}},
        FailCase{"UnreadableKeepsExistingOutput",
                 [](ScratchDir& d) {
                   Put(d, "junk.dov", "DorvX200 and nothing else");
                   Put(d, "keep.png", "keep");
                 },
                 {"to-png", "@junk.dov", "-o", "@keep.png"}, 1, {"junk.dov: "}, {"junk.dov", "keep.png"}},
        FailCase{"MissingFile", nullptr, {"to-png", "@none.dov"}, 1, {"none.dov: cannot open"}, {}},
        FailCase{"FolderAsInput", [](ScratchDir& d) { std::filesystem::create_directory(d.Path("f.dov")); },
                 {"info", "@f.dov"}, 1, {"f.dov: is a folder"}, {"f.dov"}},
        FailCase{"InfoOfEmptyFile", [](ScratchDir& d) { Put(d, "empty.dov", ""); }, {"info", "@empty.dov"},
                 1, {"empty.dov: "}, {"empty.dov"}},
        FailCase{"NotAPng", [](ScratchDir& d) { Put(d, "x.png", "GIF89a"); }, {"from-png", "@x.png"}, 1,
                 {"x.png: not a PNG file"}, {"x.png"}},
        FailCase{"SeveralInputsOneOutput", PutRgbPng, {"from-png", "@rgb.png", "@rgb.png", "-o", "@o.dov"},
                 2, {"-o names one output"}, {"rgb.png"}},
        FailCase{"QualityZero", PutRgbPng, {"from-png", "@rgb.png", "--quality", "0"}, 2, {"--quality"},
                 {"rgb.png"}},
        FailCase{"QualityTooHigh", PutRgbPng, {"from-png", "@rgb.png", "--quality", "101"}, 2,
                 {"--quality"}, {"rgb.png"}},
        FailCase{"QualityNotANumber", PutRgbPng, {"from-png", "@rgb.png", "--quality", "7x"}, 2,
                 {"--quality"}, {"rgb.png"}},
        FailCase{"UnknownCompression", PutRgbPng, {"from-png", "@rgb.png", "--compression", "gzip"}, 2,
                 {"zlib, none or lossy"}, {"rgb.png"}},
        FailCase{"SaveOptionForToPng", PutRgbPng, {"to-png", "@rgb.png", "--quality", "5"}, 2,
                 {"unknown option --quality"}, {"rgb.png"}},
        FailCase{"OutDirIsAFile",
                 [](ScratchDir& d) {
                   PutRgbPng(d);
                   Put(d, "nowhere", "x");
                 },
                 {"from-png", "@rgb.png", "--out-dir", "@nowhere"}, 2, {"is not a folder"}, {"nowhere", "rgb.png"}},
        FailCase{"NoInput", nullptr, {"to-png"}, 2, {"no input file"}, {}},
        FailCase{"UnknownCommand", nullptr, {"convert"}, 2, {"unknown command"}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DovtoolNaming, OutputsBesideInputsOrInTheFolderGiven) {
  REQUIRE_TOOL();
  ScratchDir dir;
  std::filesystem::create_directory(dir.Path("src"));
  std::filesystem::create_directory(dir.Path("out"));
  WritePng(dir.Path("src/a.b.png"), Make(PngColor::RGB, Pattern));
  WritePng(dir.Path("src/c.png"), Make(PngColor::Grey, Pattern));
  ToolRun run = RunDovtool({"from-png", dir.Path("src/a.b.png"), dir.Path("src/c.png")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Exists(dir.Path("src/a.b.dov")));
  EXPECT_TRUE(Exists(dir.Path("src/c.dov")));

  tooltest::WriteFile(dir.Path("src/bad.dov"), "");
  run = RunDovtool({"to-png", dir.Path("src/a.b.dov"), dir.Path("src/bad.dov"), dir.Path("src/c.dov"),
                    "--out-dir", dir.Path("out")});
  EXPECT_EQ(run.status, 1);  // the bad one fails, the others are written
  EXPECT_NE(run.err.find("bad.dov"), std::string::npos);
  std::vector<std::string> outNames;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path("out"))) outNames.push_back(e.path().filename());
  std::sort(outNames.begin(), outNames.end());
  EXPECT_EQ(outNames, (std::vector<std::string>{"a.b.png", "c.png"}));
}

TEST(DovtoolNaming, TwoInputsWithTheSameStemDoNotOverwriteEachOther) {
  REQUIRE_TOOL();
  ScratchDir dir;
  std::filesystem::create_directory(dir.Path("one"));
  std::filesystem::create_directory(dir.Path("two"));
  std::filesystem::create_directory(dir.Path("out"));
  WritePng(dir.Path("one/x.png"), Make(PngColor::RGB, Pattern));
  WritePng(dir.Path("two/x.png"), Make(PngColor::Grey, Pattern));
  ToolRun run = RunDovtool({"from-png", dir.Path("one/x.png"), dir.Path("two/x.png"), "--out-dir",
                            dir.Path("out")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("would overwrite"), std::string::npos) << run.err;
  ToolRun info = RunDovtool({"info", dir.Path("out/x.dov")});
  EXPECT_NE(info.out.find("\"bpp\":32"), std::string::npos);  // the first input's picture
}

TEST(DovtoolProgress, SeveralInputsOnATerminalShowAProgressLine) {
  REQUIRE_TOOL();
  ScratchDir dir;
  WritePng(dir.Path("a.png"), Make(PngColor::RGB, Pattern));
  WritePng(dir.Path("b.png"), Make(PngColor::RGB, Pattern));
  ToolRun one = RunDovtoolOnTerminal({"from-png", dir.Path("a.png")});
  EXPECT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(one.err.find("[1/"), std::string::npos) << one.err;
  ToolRun two = RunDovtoolOnTerminal({"from-png", dir.Path("a.png"), dir.Path("b.png")});
  EXPECT_EQ(two.status, 0) << two.err;
  EXPECT_NE(two.err.find("[1/2] "), std::string::npos) << two.err;
  EXPECT_NE(two.err.find("[2/2] "), std::string::npos) << two.err;
  // Redirected, or on a terminal that cannot redraw a line, the same run
  // shows no progress, only its summary.
  for (const ToolRun& quietly : {RunDovtool({"from-png", dir.Path("a.png"), dir.Path("b.png")}),
                                 RunDovtoolOnTerminal({"from-png", dir.Path("a.png"), dir.Path("b.png")}, "dumb"),
                                 RunDovtoolOnTerminal({"from-png", dir.Path("a.png"), dir.Path("b.png")}, "")}) {
    EXPECT_EQ(quietly.err.find("[1/"), std::string::npos) << quietly.err;
    EXPECT_NE(quietly.err.find("dovtool: 2 files: 2 converted, 0 failed"), std::string::npos) << quietly.err;
  }
  EXPECT_EQ(RunDovtoolOnTerminal({"from-png", "--quiet", dir.Path("a.png"), dir.Path("b.png")}).err, "");
}

TEST(DovtoolFromPng, PartialPaletteTransparencyIsKeptAsRgba) {
  REQUIRE_TOOL();
  ScratchDir dir;
  const PngImage in =
      Make(PngColor::Palette, [](size_t i) { return static_cast<uint8_t>(i % 3); }, 8, Palette(3, 0, 1));
  WritePng(dir.Path("p.png"), in);
  ToolRun run = RunDovtool({"from-png", dir.Path("p.png")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("p.png: warning: the palette's partial transparency is kept"), std::string::npos)
      << run.err;
  ToolRun info = RunDovtool({"info", dir.Path("p.dov")});
  EXPECT_NE(info.out.find("\"bpp\":32"), std::string::npos) << info.out;
  ASSERT_EQ(RunDovtool({"to-png", dir.Path("p.dov"), "-o", dir.Path("back.png")}).status, 0);
  std::vector<RGBA> want = Resolve(in), got = Resolve(ReadPng(dir.Path("back.png")));
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(got[i][3], want[i][3]) << i;  // every alpha value, 0 and 128 among them
    if (want[i][3] != 0) {
      EXPECT_EQ(got[i], want[i]) << i;
    }
  }
}

}  // namespace
}  // namespace dorv::tools

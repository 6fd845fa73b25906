// dovtool's habits as a command line: help and version, one-line usage
// errors, option forms, exit statuses, warnings for what a save changes,
// files that are no documents, info's lines, and how much it says.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "support/dov_writer.h"
#include "tool_test_util.h"
#include "tools/png_io.h"

namespace dorv::tools {
namespace {

using tooltest::RawPng;
using tooltest::ReadFile;
using tooltest::RunDovtool;
using tooltest::ScratchDir;
using tooltest::ToolRun;

std::string Doc(int frames, bool damagedLast = false, int bpp = 24) {
  testing::DocSpec doc;
  for (int k = 0; k < frames; ++k) {
    testing::FrameSpec f;
    f.width = 6;
    f.height = 4;
    f.bpp = bpp;
    if (bpp == 8) f.palette = {0x0000FF, 0x00FF00, 0xFF0000};
    testing::LayerSpec l;
    l.rows = testing::MakeRows(6, 4, bpp, [=](int x, int y) { return uint32_t(bpp == 8 ? (x + y + k) % 3 : 0x030201 * (x + y + k)); });
    if (damagedLast && k == frames - 1) l.colourBlob = std::vector<uint8_t>{1, 2, 3};
    f.layers = {l};
    doc.frames.push_back(f);
  }
  const std::vector<uint8_t> bytes = testing::WriteDov(doc);
  return std::string(bytes.begin(), bytes.end());
}

// A profile that passes libpng's checks: header only, no tags.
std::vector<uint8_t> MinimalIccProfile() {
  std::vector<uint8_t> p(132, 0);
  auto put = [&](size_t at, const char* four) { std::copy(four, four + 4, p.begin() + long(at)); };
  auto word = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
  };
  word(0, 132);
  word(8, 0x02100000);
  put(12, "mntr");
  put(16, "RGB ");
  put(20, "XYZ ");
  put(36, "acsp");
  word(68, 0x0000F6D6);
  word(72, 0x00010000);
  word(76, 0x0000D32D);
  return p;
}

RawPng Rgb(int bitDepth, bool icc) {
  RawPng png;
  png.width = 3;
  png.height = 2;
  png.colorType = 2;
  png.bitDepth = bitDepth;
  png.rows.assign(size_t(3 * 2 * 3 * bitDepth / 8), 0x5A);
  if (icc) png.icc = MinimalIccProfile();
  return png;
}

RawPng Indexed() {
  RawPng png;
  png.width = 3;
  png.height = 2;
  png.colorType = 3;
  png.rows = {0, 1, 2, 2, 1, 0};
  png.plte = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  return png;
}

RawPng Grey() {
  RawPng png;
  png.width = 3;
  png.height = 2;
  png.colorType = 0;
  png.rows = {0, 80, 160, 240, 30, 90};
  return png;
}

// The scratch folder of every case: documents, PNG pictures and files that
// are no documents.
void PutFiles(ScratchDir& d) {
  tooltest::WriteFile(d.Path("a.dov"), Doc(1));
  tooltest::WriteFile(d.Path("anim.dov"), Doc(3));
  tooltest::WriteFile(d.Path("damaged.dov"), Doc(2, true));
  tooltest::WriteFile(d.Path("empty.dov"), "");
  tooltest::WriteFile(d.Path("text.dov"), "hello, this is text\n");
  tooltest::WriteFile(d.Path("garbled.dov"), "DorvX200 and nothing after it");
  tooltest::WriteRawPng(d.Path("rgb.png"), Rgb(8, false));
  tooltest::WriteRawPng(d.Path("png.dov"), Rgb(8, false));
  tooltest::WriteRawPng(d.Path("deep.png"), Rgb(16, false));
  tooltest::WriteRawPng(d.Path("icc.png"), Rgb(8, true));
  tooltest::WriteRawPng(d.Path("pal.png"), Indexed());
  tooltest::WriteRawPng(d.Path("grey.png"), Grey());
}

struct CliCase {
  const char* name;
  std::vector<std::string> args;  // "@x" names a file in the scratch folder
  int status;
  std::string outStarts;                // standard output starts with this
  std::vector<std::string> errHas;      // standard error contains each of these
  bool errOneLine = false;              // standard error is exactly one line
  std::string errIs = "-";              // standard error is exactly this ("-": not checked)
};

class CommandLine : public ::testing::TestWithParam<CliCase> {};

TEST_P(CommandLine, BehavesAsItsCaseSays) {
  const CliCase& c = GetParam();
  ScratchDir dir;
  PutFiles(dir);
  std::vector<std::string> args;
  for (const std::string& a : c.args) args.push_back(a.size() > 1 && a[0] == '@' ? dir.Path(a.substr(1)) : a);
  const ToolRun run = RunDovtool(args);
  EXPECT_EQ(run.status, c.status) << run.err;
  EXPECT_EQ(run.out.substr(0, c.outStarts.size()), c.outStarts) << run.out;
  for (const std::string& s : c.errHas) EXPECT_NE(run.err.find(s), std::string::npos) << run.err;
  if (c.errOneLine) {
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find("--help')"), std::string::npos) << run.err;
  }
  if (c.errIs != "-") {
    EXPECT_EQ(run.err, c.errIs);
  }
}

const std::string kDorv = "ファイルが破壊されています";

INSTANTIATE_TEST_SUITE_P(
    Help, CommandLine,
    ::testing::Values(CliCase{"VersionLong", {"--version"}, 0, "dovtool 1."},
                      CliCase{"VersionShort", {"-V"}, 0, "dovtool 1."},
                      CliCase{"HelpWithoutCommand", {"--help"}, 0, "usage: dovtool COMMAND"},
                      CliCase{"HelpCommand", {"help", "to-png"}, 0, "usage: dovtool to-png"},
                      CliCase{"CommandLongHelp", {"from-png", "--help"}, 0, "usage: dovtool from-png"},
                      CliCase{"CommandShortHelp", {"info", "-h"}, 0, "usage: dovtool info"},
                      CliCase{"HelpAmongOtherArguments", {"to-anim", "@anim.dov", "-h"}, 0, "usage: dovtool to-anim"},
                      CliCase{"HostHelp", {"host", "--help"}, 0, "usage: dovtool host"},
                      CliCase{"ThumbnailHelp", {"help", "thumbnail"}, 0, "usage: dovtool thumbnail"},
                      CliCase{"HelpOfNoCommand", {"help", "convert"}, 2, "", {"no command 'convert'"}, true}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    UsageErrors, CommandLine,
    ::testing::Values(
        CliCase{"HostWithTooManyFiles", {"host", "open", "a.dov", "a", "b", "c"}, 2, "", {"takes two files"}, true},
        CliCase{"UnknownCommand", {"convert"}, 2, "", {"unknown command 'convert'"}, true},
        CliCase{"UnknownOption", {"to-png", "@a.dov", "--bogus"}, 2, "", {"unknown option --bogus"}, true},
        CliCase{"EmptyOutputName", {"to-png", "@a.dov", "-o", ""}, 2, "", {"-o needs a file name"}, true},
        CliCase{"EmptyOutputNameJoined", {"to-png", "@a.dov", "--output="}, 2, "", {"-o needs a file name"}, true},
        CliCase{"QualityOutOfRange", {"from-png", "@rgb.png", "--quality=0"}, 2, "", {"--quality takes"}, true},
        CliCase{"FlagWithValue", {"to-png", "@a.dov", "--all-frames=yes"}, 2, "", {"takes no value"}, true},
        CliCase{"MissingValue", {"from-png", "@rgb.png", "--compression"}, 2, "", {"needs a value"}, true},
        CliCase{"DelayWithoutFrames", {"from-png", "@rgb.png", "--delay", "10"}, 2, "", {"--delay is for"}, true},
        CliCase{"DelaysNotMatchingInputs",
                {"from-png", "--frames", "@rgb.png", "@rgb.png", "--delay", "1,2,3"}, 2, "", {"one per input (2)"}, true},
        CliCase{"FrameAndAllFrames", {"to-png", "@anim.dov", "--frame", "1", "--all-frames"}, 2, "", {"not both"}, true},
        CliCase{"SeveralOutputsToOneFile", {"to-png", "@anim.dov", "--all-frames", "-o", "x.png"}, 2, "", {"--out-dir"}, true},
        CliCase{"StandardInputTwice", {"info", "-", "-"}, 2, "", {"only be the one input"}, true},
        CliCase{"ThumbnailWithoutSize", {"thumbnail", "@a.dov", "t.png"}, 2, "", {"-s SIZE"}, true},
        CliCase{"ThumbnailWithOneFile", {"thumbnail", "-s", "64", "@a.dov"}, 2, "", {"IN.dov and OUT.png"}, true}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    ExitStatus, CommandLine,
    ::testing::Values(
        CliCase{"AllClean", {"to-png", "@a.dov", "@anim.dov", "--out-dir", "@o"}, 0, "", {"2 files: 2 converted, 0 failed"}},
        CliCase{"OneFailed", {"to-png", "@a.dov", "@empty.dov", "--out-dir", "@o"}, 1, "", {"1 converted, 1 failed"}},
        CliCase{"Damaged", {"to-png", "@damaged.dov", "--out-dir", "@o"}, 3, "", {"damaged.dov: damaged, read as far"}},
        CliCase{"DamagedAllowed", {"to-png", "@damaged.dov", "--out-dir", "@o", "--allow-damaged"}, 0, ""},
        CliCase{"DamagedFramesMode", {"to-png", "@damaged.dov", "--all-frames", "--out-dir", "@o"}, 3, ""},
        CliCase{"DamagedInfo", {"info", "@damaged.dov"}, 3, "{\"file\":"},
        CliCase{"FailureWinsOverDamage", {"info", "@damaged.dov", "@empty.dov"}, 1, "{\"file\":"},
        CliCase{"DamagedQuietStillSays3", {"to-png", "-q", "@damaged.dov", "--out-dir", "@o"}, 3, "", {}, false, ""},
        CliCase{"HostOpenWithAnOlderHostsRecord", {"host", "open", "@a.dov", "@host.png", "--short-record"}, 0, "", {}, false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    NotDocuments, CommandLine,
    ::testing::Values(
        CliCase{"Empty", {"to-png", "@empty.dov", "--out-dir", "@o"}, 1, "", {"empty.dov: not a DorvStudio document\n"}},
        CliCase{"Text", {"to-png", "@text.dov", "--out-dir", "@o"}, 1, "", {"text.dov: not a DorvStudio document"}},
        CliCase{"Png", {"info", "@png.dov"}, 1, "{\"file\":", {"png.dov: not a DorvStudio document"}},
        CliCase{"PngAllFrames", {"to-png", "--all-frames", "@png.dov", "--out-dir", "@o"}, 1, "",
                {"png.dov: not a DorvStudio document"}},
        CliCase{"DamagedDocumentKeepsTheFormatsMessage", {"to-png", "@garbled.dov", "--out-dir", "@o"}, 1, "",
                {"garbled.dov: " + kDorv}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Warnings, CommandLine,
    ::testing::Values(
        CliCase{"QualityWithoutLossy", {"from-png", "@rgb.png", "-q", "50", "-o", "@o.dov"}, 0, "",
                {"--quality: warning: has no effect without --compression lossy"}},
        CliCase{"LossyForPalette", {"from-png", "@pal.png", "--compression=lossy", "-o", "@o.dov"}, 0, "",
                {"pal.png: warning: lossy compression cannot keep palette or grey pictures: stored with zlib"}},
        CliCase{"LossyForGrey", {"from-png", "@grey.png", "--compression", "lossy", "-o", "@o.dov"}, 0, "",
                {"grey.png: warning: lossy compression cannot keep"}},
        CliCase{"LossyFramesWithPalette", {"from-png", "--frames", "@pal.png", "@pal.png", "--compression", "lossy", "-o", "@o.dov"}, 0,
                "", {"o.dov: warning: lossy compression cannot keep palette or grey pictures: the document"}},
        CliCase{"SixteenBitReduced", {"from-png", "@deep.png", "-o", "@o.dov"}, 0, "",
                {"deep.png: warning: 16-bit samples reduced to 8 bits"}},
        CliCase{"IccProfileDropped", {"from-png", "@icc.png", "-o", "@o.dov"}, 0, "",
                {"icc.png: warning: its ICC colour profile is dropped"}},
        CliCase{"QuietSaysNothing", {"from-png", "--quiet", "@deep.png", "@icc.png", "--out-dir", "@o"}, 0, "", {}, false, ""},
        CliCase{"CleanSaveSaysNothing", {"from-png", "@rgb.png", "-o", "@o.dov"}, 0, "", {}, false, ""},
        CliCase{"VerboseNamesOutputs", {"from-png", "-v", "@rgb.png", "-o", "@o.dov"}, 0, "", {"rgb.png -> "}}),
    [](const auto& info) { return std::string(info.param.name); });

// --opt=value, --opt value and the short letters write the same file.
TEST(OptionForms, AllSpellingsWriteTheSameFile) {
  ScratchDir dir;
  PutFiles(dir);
  const std::vector<std::vector<std::string>> spellings = {
      {"--compression", "lossy", "--quality", "90"}, {"--compression=lossy", "--quality=90"},
      {"--compression=lossy", "-q", "90"},           {"--compression", "lossy", "-q90"}};
  std::string first;
  for (size_t i = 0; i < spellings.size(); ++i) {
    std::vector<std::string> args = {"from-png", dir.Path("rgb.png"), "-o", dir.Path("o.dov")};
    args.insert(args.end(), spellings[i].begin(), spellings[i].end());
    ASSERT_EQ(RunDovtool(args).status, 0);
    if (i == 0) first = ReadFile(dir.Path("o.dov"));
    else EXPECT_EQ(ReadFile(dir.Path("o.dov")), first) << i;
  }
  ASSERT_EQ(RunDovtool({"from-png", dir.Path("rgb.png"), "-o", dir.Path("q70.dov"), "--compression=lossy"}).status, 0);
  EXPECT_NE(ReadFile(dir.Path("q70.dov")), first);  // the quality did reach the coder
}

TEST(OutDir, IsCreatedWhenMissing) {
  ScratchDir dir;
  PutFiles(dir);
  const ToolRun run = RunDovtool({"to-png", dir.Path("a.dov"), "--out-dir=" + dir.Path("x/y/z")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(std::filesystem::is_regular_file(dir.Path("x/y/z/a.png")));
}

// One line per input, in order, also for those that fail.
TEST(InfoLines, MatchTheInputs) {
  ScratchDir dir;
  PutFiles(dir);
  const ToolRun run = RunDovtool({"info", dir.Path("a.dov"), dir.Path("empty.dov"), dir.Path("anim.dov")});
  EXPECT_EQ(run.status, 1);
  std::vector<std::string> lines;
  for (size_t from = 0, nl; (nl = run.out.find('\n', from)) != std::string::npos; from = nl + 1)
    lines.push_back(run.out.substr(from, nl - from));
  ASSERT_EQ(lines.size(), 3u) << run.out;
  EXPECT_EQ(lines[0].rfind("{\"file\":\"" + dir.Path("a.dov") + "\",\"frames\":1,", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1], "{\"file\":\"" + dir.Path("empty.dov") + "\",\"error\":\"not a DorvStudio document\"}");
  EXPECT_EQ(lines[2].rfind("{\"file\":\"" + dir.Path("anim.dov") + "\",\"frames\":3,", 0), 0u) << lines[2];
}

}  // namespace
}  // namespace dorv::tools

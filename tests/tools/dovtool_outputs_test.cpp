// Outputs that never destroy anything: what each kind of target becomes,
// outputs that are inputs, standard input and output, and a run stopped by
// a signal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <thread>

#include "support/dov_writer.h"
#include "tool_test_util.h"
#include "tools/png_io.h"

namespace dorv::tools {
namespace {

namespace fs = std::filesystem;
using tooltest::ReadFile;
using tooltest::RunDovtool;
using tooltest::RunDovtoolWithInput;
using tooltest::ScratchDir;
using tooltest::ToolRun;

std::string SmallDov() {
  testing::DocSpec doc;
  testing::FrameSpec f;
  f.width = 5;
  f.height = 3;
  f.bpp = 24;
  testing::LayerSpec l;
  l.rows = testing::MakeRows(5, 3, 24, [](int x, int y) { return uint32_t(0x102030 * (x + y + 1)); });
  f.layers = {l};
  doc.frames = {f};
  const std::vector<uint8_t> bytes = testing::WriteDov(doc);
  return std::string(bytes.begin(), bytes.end());
}

PngImage SmallPng() {
  PngImage img;
  img.width = 4;
  img.height = 2;
  img.color = PngColor::RGB;
  for (int i = 0; i < 24; ++i) img.rows.push_back(uint8_t(i * 9));
  return img;
}

void PutInputs(ScratchDir& d) {
  tooltest::WriteFile(d.Path("a.dov"), SmallDov());
  WritePng(d.Path("s.png"), SmallPng());
}

bool IsPng(const std::string& bytes) {
  try {
    DecodePng(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

unsigned Mode(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

struct TargetCase {
  const char* name;
  std::function<void(ScratchDir&)> setUp;  // after the inputs a.dov and s.png
  std::vector<std::string> args;           // "@x" names a file in the scratch folder
  std::string stdinFile;                   // piped to standard input when set
  int status;
  std::function<void(ScratchDir&, const ToolRun&)> check;
};

class OutputTarget : public ::testing::TestWithParam<TargetCase> {};

TEST_P(OutputTarget, IsWrittenWithoutDestroyingAnything) {
  const TargetCase& c = GetParam();
  ScratchDir dir;
  PutInputs(dir);
  if (c.setUp) c.setUp(dir);
  const std::string dovBefore = ReadFile(dir.Path("a.dov")), pngBefore = ReadFile(dir.Path("s.png"));
  std::vector<std::string> args;
  for (const std::string& a : c.args) args.push_back(a[0] == '@' ? dir.Path(a.substr(1)) : a);
  const ToolRun run = c.stdinFile.empty() ? RunDovtool(args) : RunDovtoolWithInput(args, ReadFile(dir.Path(c.stdinFile)));
  EXPECT_EQ(run.status, c.status) << run.err;
  c.check(dir, run);
  // Inputs are never touched and no temporary is left behind.
  EXPECT_EQ(ReadFile(dir.Path("a.dov")), dovBefore);
  EXPECT_EQ(ReadFile(dir.Path("s.png")), pngBefore);
  for (const std::string& name : dir.Names()) EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
}

void Link(ScratchDir& d, const std::string& target, const std::string& name) { fs::create_symlink(target, d.Path(name)); }

INSTANTIATE_TEST_SUITE_P(
    Targets, OutputTarget,
    ::testing::Values(
        TargetCase{"ExistingFileKeepsItsMode",
                   [](ScratchDir& d) {
                     tooltest::WriteFile(d.Path("out.png"), "old");
                     ::chmod(d.Path("out.png").c_str(), 0600);
                   },
                   {"to-png", "@a.dov", "-o", "@out.png"}, "", 0,
                   [](ScratchDir& d, const ToolRun&) {
                     EXPECT_TRUE(IsPng(ReadFile(d.Path("out.png"))));
                     EXPECT_EQ(Mode(d.Path("out.png")), 0600u);
                   }},
        TargetCase{"SymlinkTargetIsReplacedAndTheLinkStays",
                   [](ScratchDir& d) {
                     tooltest::WriteFile(d.Path("real.dov"), "old");
                     ::chmod(d.Path("real.dov").c_str(), 0640);
                     Link(d, "real.dov", "link.dov");
                   },
                   {"from-png", "@s.png", "-o", "@link.dov"}, "", 0,
                   [](ScratchDir& d, const ToolRun&) {
                     EXPECT_TRUE(fs::is_symlink(d.Path("link.dov")));
                     EXPECT_EQ(fs::read_symlink(d.Path("link.dov")), "real.dov");
                     EXPECT_EQ(ReadFile(d.Path("real.dov")).substr(0, 8), "DorvX200");
                     EXPECT_EQ(Mode(d.Path("real.dov")), 0640u);
                   }},
        TargetCase{"DanglingSymlinkGetsItsTarget",
                   [](ScratchDir& d) {
                     fs::create_directory(d.Path("sub"));
                     Link(d, "sub/new.png", "link.png");
                   },
                   {"to-png", "@a.dov", "-o", "@link.png"}, "", 0,
                   [](ScratchDir& d, const ToolRun&) {
                     EXPECT_TRUE(fs::is_symlink(d.Path("link.png")));
                     EXPECT_TRUE(IsPng(ReadFile(d.Path("sub/new.png"))));
                   }},
        TargetCase{"DevNullIsWrittenThrough", nullptr, {"to-png", "@a.dov", "-o", "/dev/null"}, "", 0,
                   [](ScratchDir&, const ToolRun& r) {
                     EXPECT_TRUE(fs::is_character_file("/dev/null"));
                     EXPECT_EQ(r.err, "");
                   }},
        TargetCase{"DashIsStandardOutput", nullptr, {"to-png", "@a.dov", "-o", "-"}, "", 0,
                   [](ScratchDir& d, const ToolRun& r) {
                     EXPECT_TRUE(IsPng(r.out));
                     EXPECT_EQ(d.Names(), (std::vector<std::string>{"a.dov", "s.png"}));
                   }},
        TargetCase{"DevStdoutIsStandardOutput", nullptr, {"to-png", "@a.dov", "-o", "/dev/stdout"}, "", 0,
                   [](ScratchDir&, const ToolRun& r) { EXPECT_TRUE(IsPng(r.out)); }},
        TargetCase{"ToPngOverItsInputIsRefused", nullptr, {"to-png", "@a.dov", "-o", "@a.dov"}, "", 1,
                   [](ScratchDir& d, const ToolRun& r) {
                     EXPECT_NE(r.err.find(d.Path("a.dov") + ": is the input"), std::string::npos) << r.err;
                   }},
        TargetCase{"FromPngOverItsInputIsRefused", nullptr, {"from-png", "@s.png", "-o", "@s.png"}, "", 1,
                   [](ScratchDir& d, const ToolRun& r) {
                     EXPECT_NE(r.err.find(d.Path("s.png") + ": is the input"), std::string::npos) << r.err;
                   }},
        TargetCase{"HardLinkToTheInputIsRefused",
                   [](ScratchDir& d) { fs::create_hard_link(d.Path("s.png"), d.Path("h.png")); },
                   {"from-png", "@s.png", "-o", "@h.png"}, "", 1,
                   [](ScratchDir& d, const ToolRun&) { EXPECT_TRUE(IsPng(ReadFile(d.Path("h.png")))); }},
        TargetCase{"SymlinkToTheInputIsRefused", [](ScratchDir& d) { Link(d, "a.dov", "l.png"); },
                   {"to-png", "@a.dov", "-o", "@l.png"}, "", 1,
                   [](ScratchDir& d, const ToolRun&) { EXPECT_TRUE(fs::is_symlink(d.Path("l.png"))); }},
        TargetCase{"FramesOutputOverAnInputIsRefused", [](ScratchDir& d) { WritePng(d.Path("t.png"), SmallPng()); },
                   {"from-png", "--frames", "@t.png", "@s.png", "-o", "@s.png"}, "", 1,
                   [](ScratchDir&, const ToolRun& r) { EXPECT_NE(r.err.find("is the input"), std::string::npos); }},
        TargetCase{"AFolderIsNoOutput", [](ScratchDir& d) { fs::create_directory(d.Path("dir.png")); },
                   {"to-png", "@a.dov", "-o", "@dir.png"}, "", 1,
                   [](ScratchDir& d, const ToolRun& r) {
                     EXPECT_NE(r.err.find("dovtool: " + d.Path("dir.png") + ": is a folder"), std::string::npos) << r.err;
                   }},
        TargetCase{"AnOutputErrorNamesTheOutput", nullptr, {"to-png", "@a.dov", "-o", "@missing/out.png"}, "", 1,
                   [](ScratchDir& d, const ToolRun& r) {
                     EXPECT_EQ(r.err.rfind("dovtool: " + d.Path("missing/out.png") + ": ", 0), 0u) << r.err;
                   }},
        TargetCase{"InfoReadsStandardInput", nullptr, {"info", "-"}, "a.dov", 0,
                   [](ScratchDir&, const ToolRun& r) {
                     EXPECT_EQ(r.out.rfind("{\"file\":\"-\",\"frames\":1,\"width\":5,\"height\":3,", 0), 0u) << r.out;
                   }},
        TargetCase{"ToPngThroughPipes", nullptr, {"to-png", "-", "-o", "-"}, "a.dov", 0,
                   [](ScratchDir& d, const ToolRun& r) {
                     EXPECT_TRUE(IsPng(r.out));
                     EXPECT_EQ(d.Names(), (std::vector<std::string>{"a.dov", "s.png"}));
                   }},
        TargetCase{"FromPngThroughPipes", nullptr, {"from-png", "-", "-o", "-"}, "s.png", 0,
                   [](ScratchDir&, const ToolRun& r) { EXPECT_EQ(r.out.substr(0, 8), "DorvX200"); }},
        TargetCase{"StandardInputNamesItsOutputStdin", nullptr, {"to-png", "-", "--out-dir", "@o"}, "a.dov", 0,
                   [](ScratchDir& d, const ToolRun&) { EXPECT_TRUE(IsPng(ReadFile(d.Path("o/stdin.png")))); }}),
    [](const auto& info) { return std::string(info.param.name); });

// A FIFO is opened and written, not replaced by a regular file.
TEST(OutputFifo, IsWrittenThrough) {
  ScratchDir dir;
  PutInputs(dir);
  ASSERT_EQ(::mkfifo(dir.Path("pipe.png").c_str(), 0600), 0);
  auto reader = std::async(std::launch::async, [&] { return ReadFile(dir.Path("pipe.png")); });
  const ToolRun run = RunDovtool({"to-png", dir.Path("a.dov"), "-o", dir.Path("pipe.png")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(IsPng(reader.get()));
  EXPECT_TRUE(fs::is_fifo(dir.Path("pipe.png")));
}

// A run stopped while it waits for its input removes the temporary file it
// had already made beside the output.
TEST(OutputSignals, TemporaryIsRemovedOnSigtermAndSigint) {
  for (int sig : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(sig);
    ScratchDir dir;
    int in[2];
    ASSERT_EQ(::pipe(in), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::dup2(in[0], 0);
      ::close(in[1]);
      const std::string out = dir.Path("out.dov");
      ::execl(DOVTOOL_PATH, DOVTOOL_PATH, "from-png", "-", "-o", out.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(in[0]);
    bool sawTemporary = false;
    for (int i = 0; i < 500 && !sawTemporary; ++i) {
      for (const std::string& name : dir.Names()) sawTemporary |= name.find(".out.dov.tmp-") == 0;
      if (!sawTemporary) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(sawTemporary);
    ::kill(pid, sig);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(in[1]);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(dir.Names(), std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace dorv::tools

// The hostile file set: every file is refused with its message (or read, for
// the streams that only inflate past their plane), and none makes the
// reader's memory grow by more than 64 MiB.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "support/doc_helpers.h"
#include "support/dov_writer.h"
#include "support/hostile_files.h"

#if defined(__SANITIZE_ADDRESS__)
#define DORV_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DORV_UNDER_ASAN 1
#endif
#endif

namespace dorv::testing {
namespace {

class HostileInput : public ::testing::TestWithParam<size_t> {
 protected:
  const HostileFile& File() const { return HostileFiles()[GetParam()]; }
};

TEST_P(HostileInput, IsRefusedWithItsMessage) {
  EXPECT_EQ(LoadError(File().bytes), File().error);
}

#ifndef _WIN32
#ifndef DORV_UNDER_ASAN
// Peak resident memory added by loading the file, in MiB, measured in a
// child process so that nothing the test binary holds is counted.
long GrowthMiB(const std::vector<uint8_t>& bytes) {
  const pid_t pid = fork();
  if (pid == 0) {
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    (void)LoadError(bytes);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    _exit(static_cast<int>(std::min<long>(255, (after.ru_maxrss - before.ru_maxrss) / 1024)));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
}
#endif

#endif

TEST_P(HostileInput, StaysWithin64MiB) {
#if defined(_WIN32)
  GTEST_SKIP() << "measured in a child process of the POSIX build";
#elif defined(DORV_UNDER_ASAN)
  GTEST_SKIP() << "the sanitizer's own memory would be counted";
#else
  EXPECT_LT(GrowthMiB(File().bytes), 64);
#endif
}

INSTANTIATE_TEST_SUITE_P(Files, HostileInput, ::testing::Range<size_t>(0, HostileFiles().size()),
                         [](const auto& info) { return HostileFiles()[info.param].name; });


// The size checks must never refuse a real file: planes that compress as far
// as zlib and JPEG can take them, tables of copies, frames without layers.
struct LegitimateCase {
  const char* name;
  DocSpec (*make)();
};

FrameSpec FlatFrame(int32_t side, int32_t bpp) {
  FrameSpec f;
  f.width = f.height = side;
  f.bpp = bpp;
  if (bpp <= 8) f.palette.assign(256, 0x203040);
  LayerSpec l;
  l.rows = MakeRows(side, side, bpp, [](int32_t, int32_t) { return 0u; });
  f.layers.push_back(l);
  return f;
}

const LegitimateCase kLegitimate[] = {
    {"flat_zlib_rows", [] {
       DocSpec d;
       d.frames.push_back(FlatFrame(1024, 24));
       return d;
     }},
    {"flat_zlib_old_rows", [] {
       DocSpec d;
       d.version = 101;
       d.frames.push_back(FlatFrame(1024, 32));
       return d;
     }},
    {"raw_blocks_all_copies", [] {
       DocSpec d;
       d.compType = 1;
       d.blockWidth = d.blockHeight = 8;
       FrameSpec f = FlatFrame(512, 8);
       f.layers[0].blocks.assign(64 * 64, BlockEntry{-2, 0});
       f.layers[0].blocks[0] = BlockEntry{-1, 0};
       d.frames.push_back(f);
       return d;
     }},
    {"flat_jpeg", [] {
       DocSpec d;
       d.compType = 2;
       d.compLevel = 10;
       d.frames.push_back(FlatFrame(1024, 24));
       return d;
     }},
    {"large_frame_without_layers", [] {
       DocSpec d;
       FrameSpec f;
       f.width = f.height = 4096;
       d.frames.push_back(f);
       return d;
     }},
};

class LegitimateExtreme : public ::testing::TestWithParam<LegitimateCase> {};

TEST_P(LegitimateExtreme, IsRead) {
  const DocSpec d = GetParam().make();
  EXPECT_EQ(LoadError(WriteDov(d)), "");
}

INSTANTIATE_TEST_SUITE_P(Files, LegitimateExtreme, ::testing::ValuesIn(kLegitimate),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dorv::testing

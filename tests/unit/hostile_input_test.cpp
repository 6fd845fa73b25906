// The hostile file set: every file is refused with its message (or read, for
// the streams that only inflate past their plane), and none makes the
// reader's memory grow by more than 64 MiB.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/doc_helpers.h"
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

TEST_P(HostileInput, StaysWithin64MiB) {
#ifdef DORV_UNDER_ASAN
  GTEST_SKIP() << "the sanitizer's own memory would be counted";
#else
  EXPECT_LT(GrowthMiB(File().bytes), 64);
#endif
}

INSTANTIATE_TEST_SUITE_P(Files, HostileInput, ::testing::Range<size_t>(0, HostileFiles().size()),
                         [](const auto& info) { return HostileFiles()[info.param].name; });

}  // namespace
}  // namespace dorv::testing

// Time and peak memory of refusing each file of the hostile set, each in a
// child process of its own: the time is the best of five loads, the memory
// what the loads added to the process.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "support/doc_helpers.h"
#include "support/hostile_files.h"

int main() {
  using Clock = std::chrono::steady_clock;
  const auto& files = dorv::testing::HostileFiles();
  std::printf("%-36s %10s %10s %8s  %s\n", "file", "bytes", "best ms", "MiB", "result");
  int worst = 0;
  for (const auto& f : files) {
    std::fflush(stdout);
    int fd[2];
    if (pipe(fd) != 0) return 1;
    const pid_t pid = fork();
    if (pid == 0) {
      close(fd[0]);
      rusage before{}, after{};
      getrusage(RUSAGE_SELF, &before);
      double best = 1e9;
      std::string error;
      for (int i = 0; i < 5; ++i) {
        const auto t0 = Clock::now();
        error = dorv::testing::LoadError(f.bytes);
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
      }
      getrusage(RUSAGE_SELF, &after);
      const double out[2] = {best, (after.ru_maxrss - before.ru_maxrss) / 1024.0};
      if (write(fd[1], out, sizeof out) != sizeof out) _exit(1);
      _exit(error == f.error ? 0 : 3);
    }
    close(fd[1]);
    double got[2] = {-1, -1};
    if (read(fd[0], got, sizeof got) != sizeof got) got[0] = -1;
    close(fd[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    const bool asExpected = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    const bool cheap = got[0] >= 0 && got[0] < 100 && got[1] < 64;
    if (!asExpected || !cheap) worst = 1;
    std::printf("%-36s %10zu %10.2f %8.1f  %s%s\n", f.name.c_str(), f.bytes.size(), got[0], got[1],
                f.error.empty() ? "read" : "refused", asExpected ? (cheap ? "" : " (over 100 ms or 64 MiB)")
                                                                : " (unexpected message)");
  }
  return worst;
}

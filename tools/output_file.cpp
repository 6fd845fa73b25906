#include "tools/output_file.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace dorv::tools {
namespace {

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

TempOutput::TempOutput(std::string finalPath) : finalPath_(std::move(finalPath)) {
  size_t slash = finalPath_.rfind('/');
  std::string dir = slash == std::string::npos ? "" : finalPath_.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? finalPath_ : finalPath_.substr(slash + 1);
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = dir + "." + base + ".tmp-" + std::to_string(::getpid()) + "-" +
                            std::to_string(counter++);
    // O_EXCL claims the name; the permissions follow the umask as for any new file.
    int fd = ::open(candidate.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      tempPath_ = candidate;
      return;
    }
    if (errno != EEXIST) throw std::runtime_error(SystemError("cannot create a file beside it"));
  }
  throw std::runtime_error("cannot find a free temporary name beside it");
}

TempOutput::~TempOutput() {
  if (!committed_ && !tempPath_.empty()) ::unlink(tempPath_.c_str());
}

void TempOutput::Commit() {
  int fd = ::open(tempPath_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error(SystemError("cannot reopen the written file"));
  int synced = ::fsync(fd);
  int saved = errno;
  ::close(fd);
  if (synced != 0) {
    errno = saved;
    throw std::runtime_error(SystemError("cannot flush the written file"));
  }
  if (std::rename(tempPath_.c_str(), finalPath_.c_str()) != 0)
    throw std::runtime_error(SystemError("cannot move the written file into place"));
  committed_ = true;
}

}  // namespace dorv::tools

#include "tools/output_file.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace dorv::tools {
namespace {

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

// Temporaries to remove when a signal stops the process. A slot's path is
// complete before the slot is marked used, so the handler only ever sees
// whole paths.
constexpr int kSlots = 16;
char g_tempPaths[kSlots][PATH_MAX + 1];
volatile sig_atomic_t g_slotUsed[kSlots];
std::atomic<bool> g_handlersSet{false};

extern "C" void RemoveTemporariesAndDie(int sig) {
  for (int i = 0; i < kSlots; ++i)
    if (g_slotUsed[i]) ::unlink(g_tempPaths[i]);
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void SetHandlers() {
  if (g_handlersSet.exchange(true)) return;
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old {};
    ::sigaction(sig, nullptr, &old);
    if (old.sa_handler == SIG_IGN) continue;  // as the shell asked (nohup, background jobs)
    struct sigaction sa {};
    sa.sa_handler = RemoveTemporariesAndDie;
    sigemptyset(&sa.sa_mask);
    ::sigaction(sig, &sa, nullptr);
  }
}

int TakeSlot(const std::string& path) {
  SetHandlers();
  if (path.size() > PATH_MAX) return -1;
  for (int i = 0; i < kSlots; ++i) {
    if (g_slotUsed[i]) continue;
    std::memcpy(g_tempPaths[i], path.c_str(), path.size() + 1);
    g_slotUsed[i] = 1;
    return i;
  }
  return -1;
}

void FreeSlot(int slot) {
  if (slot >= 0) g_slotUsed[slot] = 0;
}

std::string DirOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// The file a chain of symlinks ends at, also when it does not exist yet.
std::string FinalTarget(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char buf[PATH_MAX + 1];
    const ssize_t n = ::readlink(path.c_str(), buf, PATH_MAX);
    if (n < 0) throw std::runtime_error(SystemError("cannot follow the link"));
    const std::string target(buf, static_cast<size_t>(n));
    path = target[0] == '/' ? target : DirOf(path) + target;
  }
  errno = ELOOP;
  throw std::runtime_error(SystemError("cannot follow the link"));
}

bool SameAsStdout(const struct stat& st) {
  struct stat out {};
  return ::fstat(1, &out) == 0 && out.st_dev == st.st_dev && out.st_ino == st.st_ino;
}

void WriteAll(int fd, std::span<const uint8_t> bytes, const std::string& path) {
  const uint8_t* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw OutputError(path, SystemError("cannot write"));
    p += n;
    left -= static_cast<size_t>(n);
  }
}

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
  if (path_.empty()) throw OutputError(path_, "an empty name is no output");
  if (path_ == "-") {
    fd_ = 1;
    return;
  }
  struct stat st {};
  const bool exists = ::stat(path_.c_str(), &st) == 0;  // through any links
  if (exists && S_ISDIR(st.st_mode)) throw OutputError(path_, "is a folder");
  if (exists && (!S_ISREG(st.st_mode) || SameAsStdout(st))) {
    // A device, FIFO or socket, or the file standard output already
    // writes: written in place, never renamed over.
    if (S_ISREG(st.st_mode)) {
      fd_ = 1;
      return;
    }
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) throw OutputError(path_, SystemError("cannot write"));
    ownsFd_ = true;
    return;
  }
  try {
    finalPath_ = FinalTarget(path_);
  } catch (const std::runtime_error& e) {
    throw OutputError(path_, e.what());
  }
  const std::string dir = DirOf(finalPath_);
  const std::string base = finalPath_.substr(dir.size());
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate =
        dir + "." + base + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const int slot = TakeSlot(candidate);  // before the file exists: a signal may come at once
    fd_ = ::open(candidate.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      tempPath_ = candidate;
      slot_ = slot;
      ownsFd_ = true;
      break;
    }
    const int saved = errno;
    FreeSlot(slot);
    errno = saved;
    if (errno != EEXIST) throw OutputError(path_, SystemError("cannot create a file beside it"));
  }
  if (fd_ < 0) throw OutputError(path_, "cannot find a free temporary name beside it");
  if (exists) {
    // The replaced file's owner (where we may give it) and mode.
    if (st.st_uid != ::geteuid() || st.st_gid != ::getegid())
      if (::fchown(fd_, st.st_uid, st.st_gid) != 0) {
        // Not permitted: the new file is ours, as with any rewrite.
      }
    ::fchmod(fd_, st.st_mode & 07777);
  }
}

OutputFile::~OutputFile() { Discard(); }

void OutputFile::Discard() {
  if (ownsFd_ && fd_ >= 0) ::close(fd_);
  ownsFd_ = false;
  fd_ = -1;
  if (!committed_ && !tempPath_.empty()) ::unlink(tempPath_.c_str());
  FreeSlot(slot_);
  slot_ = -1;
}

void OutputFile::Write(std::span<const uint8_t> bytes) { WriteAll(fd_, bytes, path_); }

void OutputFile::Commit() {
  if (tempPath_.empty()) {
    if (ownsFd_) {
      const int fd = fd_;
      ownsFd_ = false;
      fd_ = -1;
      if (::close(fd) != 0) throw OutputError(path_, SystemError("cannot write"));
    }
    committed_ = true;
    return;
  }
  if (::fsync(fd_) != 0) throw OutputError(path_, SystemError("cannot flush the written file"));
  const int fd = fd_;
  ownsFd_ = false;
  fd_ = -1;
  if (::close(fd) != 0) throw OutputError(path_, SystemError("cannot write"));
  if (std::rename(tempPath_.c_str(), finalPath_.c_str()) != 0)
    throw OutputError(path_, SystemError("cannot move the written file into place"));
  committed_ = true;
  FreeSlot(slot_);
  slot_ = -1;
}

void WriteOutputFile(const std::string& path, std::span<const uint8_t> bytes) {
  OutputFile out(path);
  out.Write(bytes);
  out.Commit();
}

bool SameFile(const std::string& output, const std::string& input) {
  if (output == "-" || input == "-") return false;
  if (output == input) return true;
  struct stat a {}, b {};
  if (::stat(output.c_str(), &a) != 0 || ::stat(input.c_str(), &b) != 0) return false;
  return S_ISREG(a.st_mode) && S_ISREG(b.st_mode) && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace dorv::tools

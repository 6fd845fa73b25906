#include "tools/input_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "tools/tool_limits.h"

namespace dorv::tools {
namespace {

std::string SystemError(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

struct Fd {
  int fd;
  bool owned;
  ~Fd() {
    if (owned && fd >= 0) ::close(fd);
  }
};

}  // namespace

std::vector<uint8_t> ReadInputBytes(const std::string& path) {
  Fd in{path == "-" ? 0 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC), path != "-"};
  if (in.fd < 0) throw std::runtime_error(SystemError("cannot open"));
  struct stat st {};
  if (::fstat(in.fd, &st) != 0) throw std::runtime_error(SystemError("cannot open"));
  if (S_ISDIR(st.st_mode)) throw std::runtime_error("is a folder, not a file");
  std::vector<uint8_t> bytes;
  if (S_ISREG(st.st_mode) && st.st_size > 0) {
    if (static_cast<uint64_t>(st.st_size) > limits::kMaxAllocationBytes)
      throw std::runtime_error("the file is too large");
    bytes.reserve(static_cast<size_t>(st.st_size));
  }
  uint8_t buffer[65536];
  for (;;) {
    const ssize_t n = ::read(in.fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw std::runtime_error(SystemError("cannot read"));
    if (n == 0) break;
    if (bytes.size() + static_cast<size_t>(n) > limits::kMaxAllocationBytes)
      throw std::runtime_error("the input is too large");
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return bytes;
}

}  // namespace dorv::tools

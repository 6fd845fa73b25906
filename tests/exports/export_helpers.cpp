#include "export_helpers.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace dorv::testing {
namespace {

struct TempFile {
  char name[64] = "/tmp/dorv_export_XXXXXX";
  int fd = -1;
  TempFile() {
    fd = mkstemp(name);
    if (fd < 0) throw std::runtime_error("mkstemp");
  }
  ~TempFile() {
    close(fd);
    std::remove(name);
  }
  std::vector<uint8_t> Contents() const {
    std::vector<uint8_t> out(static_cast<size_t>(lseek(fd, 0, SEEK_END)));
    if (pread(fd, out.data(), out.size(), 0) != static_cast<ssize_t>(out.size())) throw std::runtime_error("pread");
    return out;
  }
};

// Captures what is written to standard error while it lives.
class StderrCapture {
 public:
  StderrCapture() {
    std::fflush(stderr);
    saved_ = dup(2);
    dup2(file_.fd, 2);
  }
  std::string Stop() {
    std::fflush(stderr);
    dup2(saved_, 2);
    close(saved_);
    auto bytes = file_.Contents();
    return std::string(bytes.begin(), bytes.end());
  }

 private:
  TempFile file_;
  int saved_;
};

}  // namespace

int32_t ReadResult::Field(int offset) const {
  int32_t v;
  std::memcpy(&v, info + offset, 4);
  return v;
}

ReadResult ReadThroughExport(const std::vector<uint8_t>& bytes) {
  TempFile f;
  if (write(f.fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) throw std::runtime_error("write");
  lseek(f.fd, 0, SEEK_SET);
  ReadResult r;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8);
  StderrCapture capture;
  r.ok = ConvertRead(platform::HandleFromFd(f.fd), r.info, &block, r.palette, &r.transparent) == -1;
  r.messages = capture.Stop();
  if (r.ok) {
    auto* p = static_cast<uint8_t*>(GlobalLock(block));
    r.pixels.assign(p, p + GlobalSize(block));
    GlobalUnlock(block);
  }
  GlobalFree(block);
  return r;
}

WriteResult WriteThroughExport(const WriteArgs& a) {
  TempFile f;
  WriteResult r;
  r.ok = ConvertWrite(platform::HandleFromFd(f.fd), a.width, a.height, a.planes, a.depth, a.pixels.data(),
                      a.red.data(), a.green.data(), a.blue.data(), a.transparent, a.compType, a.quality,
                      a.code, a.mode) == -1;
  r.file = f.Contents();
  return r;
}

}  // namespace dorv::testing

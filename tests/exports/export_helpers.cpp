#include "export_helpers.h"

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace dorv::testing {
namespace {

#ifdef _WIN32
// The C runtime's descriptors over the system's file handles.
struct TempFile {
  char name[MAX_PATH] = {};
  int fd = -1;
  TempFile() {
    char folder[MAX_PATH] = {};
    if (GetTempPathA(MAX_PATH, folder) == 0 || GetTempFileNameA(folder, "dov", 0, name) == 0)
      throw std::runtime_error("GetTempFileNameA");
    fd = _open(name, _O_RDWR | _O_BINARY | _O_TRUNC);
    if (fd < 0) throw std::runtime_error("_open");
  }
  ~TempFile() {
    _close(fd);
    std::remove(name);
  }
  std::vector<uint8_t> Contents() const {
    const __int64 at = _lseeki64(fd, 0, SEEK_CUR);
    std::vector<uint8_t> out(static_cast<size_t>(_lseeki64(fd, 0, SEEK_END)));
    _lseeki64(fd, 0, SEEK_SET);
    if (_read(fd, out.data(), static_cast<unsigned>(out.size())) != static_cast<int>(out.size()))
      throw std::runtime_error("_read");
    _lseeki64(fd, at, SEEK_SET);
    return out;
  }
};

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }
#else
HANDLE HandleOf(int fd) { return platform::HandleFromFd(fd); }

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

#endif

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

ReadResult ReadThroughExport(const std::vector<uint8_t>& bytes, size_t keepBytes) {
  TempFile f;
  if (write(f.fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) throw std::runtime_error("write");
  lseek(f.fd, 0, SEEK_SET);
  ReadResult r;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8);
  StderrCapture capture;
  r.ok = ConvertRead(HandleOf(f.fd), r.info, &block, r.palette, &r.transparent) == -1;
  r.messages = capture.Stop();
  if (r.ok) {
    auto* p = static_cast<uint8_t*>(GlobalLock(block));
    r.blockBytes = GlobalSize(block);
    r.pixels.assign(p, p + std::min(r.blockBytes, keepBytes));
    GlobalUnlock(block);
  }
  GlobalFree(block);
  return r;
}

WriteResult WriteThroughExport(const WriteArgs& a) {
  TempFile f;
  WriteResult r;
  r.ok = ConvertWrite(HandleOf(f.fd), a.width, a.height, a.planes, a.depth, a.pixels.data(),
                      a.red.data(), a.green.data(), a.blue.data(), a.transparent, a.compType, a.quality,
                      a.code, a.mode) == -1;
  r.file = f.Contents();
  return r;
}

}  // namespace dorv::testing

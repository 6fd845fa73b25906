#include "tools/dovtool_dov.h"

#include <errno.h>
#include <sys/stat.h>

#include <cstring>

#include "converter/converts/exports.h"
#include "converter/converts/read_info.h"
#include "platform/win32.h"
#include "tools/dovtool_capture.h"
#include "tools/output_file.h"

namespace dorv::tools {
namespace {

class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE get() const { return h_; }
  bool Close() {
    if (h_ == INVALID_HANDLE_VALUE) return true;
    bool ok = CloseHandle(h_) != FALSE;
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE h_;
};

// Frees whatever handle the variable holds at the end, as ConvertRead may
// have replaced it.
struct GlobalBlock {
  HGLOBAL h = nullptr;
  ~GlobalBlock() {
    if (h != nullptr) GlobalFree(h);
  }
};

std::string SystemError(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

DovPicture ReadDov(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw std::runtime_error(SystemError("cannot open"));
  if (S_ISDIR(st.st_mode)) throw std::runtime_error("is a folder, not a file");
  FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) throw std::runtime_error(SystemError("cannot open"));

  GlobalBlock block;
  block.h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8);
  if (block.h == nullptr) throw std::runtime_error("out of memory");
  uint8_t info[kReadInfoSize] = {};
  DovPicture picture;
  int32_t transparent = -1;

  StderrCapture capture;
  const int32_t ok = ConvertRead(file.get(), info, &block.h, picture.palette.data(), &transparent);
  picture.messages = capture.Finish();
  if (ok == kFalse)
    throw std::runtime_error(picture.messages.empty() ? "no picture in the file" : picture.messages);

  const TReadInfoView view(info);
  picture.version = view.Version();
  picture.width = view.Width();
  picture.height = view.Height();
  picture.bpp = view.Bpp();
  picture.frames = view.Count();
  picture.bgColor = view.BGColor();
  picture.notFillBG = view.NotFillBG();
  picture.transparent = transparent;

  if ((picture.bpp != 8 && picture.bpp != 32) || picture.width <= 0 || picture.height <= 0)
    throw std::runtime_error("the converter returned an unexpected picture layout");
  const uint64_t stride = (uint64_t(picture.bpp) * uint64_t(picture.width) + 7) / 8;
  const uint64_t bytes = stride * uint64_t(picture.height);
  if (block.h == nullptr || GlobalSize(block.h) < bytes)
    throw std::runtime_error("the converter returned a block smaller than its picture");
  const void* data = GlobalLock(block.h);
  if (data == nullptr) throw std::runtime_error("cannot lock the picture block");
  picture.pixels.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + bytes);
  GlobalUnlock(block.h);
  return picture;
}

void WriteDov(const std::string& path, const HostPicture& p, int32_t compType, int32_t quality) {
  TempOutput output(path);
  FileHandle file(CreateFileA(output.TempPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) throw std::runtime_error(SystemError("cannot write"));
  const int32_t ok = ConvertWrite(file.get(), p.width, p.height, p.planes, p.depth, p.rows.data(),
                                  p.red.data(), p.green.data(), p.blue.data(), p.transparent,
                                  compType, quality, 0, p.imageMode);
  if (!file.Close()) throw std::runtime_error(SystemError("cannot write"));
  if (ok == kFalse) throw std::runtime_error("the converter could not write the picture");
  output.Commit();
}

}  // namespace dorv::tools

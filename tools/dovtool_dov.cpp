#include "tools/dovtool_dov.h"

#include <errno.h>
#include <sys/stat.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "converter/converts/exports.h"
#include "converter/converts/read_info.h"
#include "libdov/document/document.h"
#include "platform/win32.h"
#include "tools/dovtool_capture.h"
#include "tools/input_file.h"
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

// The converter's message box here is a line of standard error that starts
// with its caption; the caption is left out of what is reported.
std::string WithoutCaption(const std::string& text) {
  static const std::string kCaption = "DorvStudio Format: ";
  std::string out;
  size_t from = 0;
  while (from <= text.size()) {
    size_t nl = text.find('\n', from);
    if (nl == std::string::npos) nl = text.size();
    std::string line = text.substr(from, nl - from);
    if (line.rfind(kCaption, 0) == 0) line.erase(0, kCaption.size());
    if (!out.empty()) out += "; ";
    out += line;
    from = nl + 1;
  }
  return out;
}

}  // namespace

std::string UnreadableReason(bool hasMagic, const std::string& message) {
  if (hasMagic) return message.empty() ? "no picture in the file" : message;
  bool formatMessage = false;  // the format's own messages are not ASCII
  for (unsigned char c : message) formatMessage |= c >= 0x80;
  return formatMessage ? "not a DorvStudio document (" + message + ")" : "not a DorvStudio document";
}

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};

DovPicture ReadFromHandle(HANDLE file, bool hasMagic) {
  GlobalBlock block;
  block.h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8);
  if (block.h == nullptr) throw std::runtime_error("out of memory");
  uint8_t info[kReadInfoSize] = {};
  DovPicture picture;
  int32_t transparent = -1;

  StderrCapture capture;
  const int32_t ok = ConvertRead(file, info, &block.h, picture.palette.data(), &transparent);
  picture.messages = WithoutCaption(capture.Finish());
  if (ok == kFalse) throw std::runtime_error(UnreadableReason(hasMagic, picture.messages));

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

}  // namespace

DovPicture ReadDov(const std::string& path) {
  if (path == "-") return ReadDovBytes(ReadInputBytes(path));
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw std::runtime_error(SystemError("cannot open"));
  if (S_ISDIR(st.st_mode)) throw std::runtime_error("is a folder, not a file");
  FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) throw std::runtime_error(SystemError("cannot open"));
  uint8_t magic[4] = {};
  const ssize_t got = ::pread(platform::FdFromHandle(file.get()), magic, sizeof magic, 0);
  const bool hasMagic = frames::HasDocumentMagic(std::span<const uint8_t>(magic, got > 0 ? size_t(got) : 0));
  return ReadFromHandle(file.get(), hasMagic);
}

DovPicture ReadDovBytes(const std::vector<uint8_t>& bytes) {
  // The converter reads through a file handle: the bytes are spooled to an
  // anonymous file.
  std::unique_ptr<std::FILE, FileCloser> spool(std::tmpfile());
  if (!spool) throw std::runtime_error(SystemError("cannot make a temporary file"));
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), spool.get()) != bytes.size())
    throw std::runtime_error(SystemError("cannot write a temporary file"));
  if (std::fflush(spool.get()) != 0) throw std::runtime_error(SystemError("cannot write a temporary file"));
  std::rewind(spool.get());
  return ReadFromHandle(platform::HandleFromFd(::fileno(spool.get())), frames::HasDocumentMagic(bytes));
}

frames::Document ReadWholeDocument(const std::vector<uint8_t>& file, const frames::ReadOptions& options) {
  try {
    return frames::ReadDocument(file, options);
  } catch (const frames::FramesError& e) {
    throw std::runtime_error(UnreadableReason(frames::HasDocumentMagic(file), e.what()));
  }
}

void WriteDov(OutputFile& output, const HostPicture& p, int32_t compType, int32_t quality) {
  // The converter writes through a file handle: the temporary file's, or an
  // anonymous file's whose bytes are then written through.
  std::unique_ptr<std::FILE, FileCloser> spool;
  int fd = output.TemporaryFd();
  if (fd < 0) {
    spool.reset(std::tmpfile());
    if (!spool) throw std::runtime_error(SystemError("cannot make a temporary file"));
    fd = ::fileno(spool.get());
  }
  const int32_t ok = ConvertWrite(platform::HandleFromFd(fd), p.width, p.height, p.planes, p.depth,
                                  p.rows.data(), p.red.data(), p.green.data(), p.blue.data(),
                                  p.transparent, compType, quality, 0, p.imageMode);
  if (ok == kFalse) throw std::runtime_error("the converter could not write the picture");
  if (spool) {
    std::vector<uint8_t> bytes;
    const off_t size = ::lseek(fd, 0, SEEK_END);
    if (size < 0 || ::lseek(fd, 0, SEEK_SET) != 0) throw std::runtime_error(SystemError("cannot read a temporary file"));
    bytes.resize(static_cast<size_t>(size));
    size_t got = 0;
    while (got < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw std::runtime_error(SystemError("cannot read a temporary file"));
      got += static_cast<size_t>(n);
    }
    output.Write(bytes);
  }
  output.Commit();
}

}  // namespace dorv::tools

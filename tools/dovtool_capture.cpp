#include "tools/dovtool_capture.h"

#include <unistd.h>

namespace dorv::tools {

StderrCapture::StderrCapture() {
  std::fflush(stderr);
  file_ = std::tmpfile();
  if (file_ == nullptr) return;
  saved_ = ::dup(2);
  if (saved_ < 0 || ::dup2(::fileno(file_), 2) < 0) {
    if (saved_ >= 0) ::close(saved_);
    saved_ = -1;
    std::fclose(file_);
    file_ = nullptr;
  }
}

StderrCapture::~StderrCapture() { Finish(); }

std::string StderrCapture::Finish() {
  if (file_ == nullptr) return {};
  std::fflush(stderr);
  ::dup2(saved_, 2);
  ::close(saved_);
  saved_ = -1;
  std::string text;
  std::rewind(file_);
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, file_)) > 0;) text.append(buf, n);
  std::fclose(file_);
  file_ = nullptr;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace dorv::tools

// Collects what is written to standard error while it lives, so that the
// converter's message-box texts can be reported together with the file they
// concern. When no temporary file can be had, nothing is collected and the
// text goes straight to standard error.
#pragma once

#include <cstdio>
#include <string>

namespace dorv::tools {

class StderrCapture {
 public:
  StderrCapture();
  ~StderrCapture();
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;

  // Restores standard error and returns the text collected (without the
  // final line break).
  std::string Finish();

 private:
  std::FILE* file_ = nullptr;
  int saved_ = -1;
};

}  // namespace dorv::tools

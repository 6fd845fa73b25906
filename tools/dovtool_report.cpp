#include "tools/dovtool_report.h"

#include <unistd.h>

#include <cstdio>

namespace dorv::tools {

Reporter::Reporter(size_t files) : files_(files), progress_(files > 1 && ::isatty(2)) {}

Reporter::~Reporter() { ClearLine(); }

void Reporter::ClearLine() {
  if (!lineShown_) return;
  std::fputs("\r\x1b[K", stderr);
  std::fflush(stderr);
  lineShown_ = false;
}

void Reporter::Progress(size_t index, const std::string& file) {
  if (!progress_) return;
  std::fprintf(stderr, "\r\x1b[K[%zu/%zu] %s", index + 1, files_, file.c_str());
  std::fflush(stderr);
  lineShown_ = true;
}

void Reporter::Error(const std::string& file, const std::string& text) {
  ClearLine();
  std::fprintf(stderr, "dovtool: %s: %s\n", file.c_str(), text.c_str());
  std::fflush(stderr);
  failed_ = true;
}

void Reporter::Warning(const std::string& file, const std::string& text) {
  ClearLine();
  std::fprintf(stderr, "dovtool: %s: warning: %s\n", file.c_str(), text.c_str());
  std::fflush(stderr);
}

}  // namespace dorv::tools

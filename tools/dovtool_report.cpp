#include "tools/dovtool_report.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace dorv::tools {
namespace {

bool ProgressTerminal() {
  const char* term = std::getenv("TERM");
  return ::isatty(2) && term != nullptr && *term != '\0' && std::strcmp(term, "dumb") != 0;
}

}  // namespace

Reporter::Reporter(size_t files, Verbosity verbosity, const char* done)
    : files_(files), verbosity_(verbosity), done_(done), progress_(files > 1 && !verbosity.quiet && ProgressTerminal()) {}

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
  failed_++;
}

void Reporter::Warning(const std::string& file, const std::string& text) {
  if (verbosity_.quiet) return;
  ClearLine();
  std::fprintf(stderr, "dovtool: %s: warning: %s\n", file.c_str(), text.c_str());
  std::fflush(stderr);
}

void Reporter::Damaged(const std::string& file, const std::string& messages) {
  damaged_++;
  if (verbosity_.quiet) return;
  ClearLine();
  std::fprintf(stderr, "dovtool: %s: damaged, read as far as it goes: %s\n", file.c_str(), messages.c_str());
  std::fflush(stderr);
}

void Reporter::Wrote(const std::string& input, const std::string& output) {
  if (!verbosity_.verbose || verbosity_.quiet) return;
  ClearLine();
  std::fprintf(stderr, "dovtool: %s -> %s\n", input.c_str(), output == "-" ? "standard output" : output.c_str());
  std::fflush(stderr);
}

int Reporter::Finish(bool allowDamaged) {
  ClearLine();
  if (!finished_ && files_ > 1 && !verbosity_.quiet) {
    std::fprintf(stderr, "dovtool: %zu files: %zu %s, %zu failed", files_, files_ - failed_, done_, failed_);
    if (damaged_ > 0) std::fprintf(stderr, " (%zu of them damaged)", damaged_);
    std::fputs("\n", stderr);
    std::fflush(stderr);
  }
  finished_ = true;
  if (failed_ > 0) return kExitFailed;
  if (damaged_ > 0 && !allowDamaged) return kExitDamaged;
  return kExitOk;
}

}  // namespace dorv::tools

// How dovtool talks to its user on standard error: errors and warnings that
// name the file they concern, a progress line while several files are
// converted on a terminal, and a summary after a batch. The exit status
// follows from what was reported.
#pragma once

#include <cstddef>
#include <string>

namespace dorv::tools {

struct Verbosity {
  bool quiet = false;    // no progress, warnings or summary (errors still)
  bool verbose = false;  // a line per output written
};

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitDamaged = 3;

class Reporter {
 public:
  // The progress line is shown only for several files, only when standard
  // error is a terminal whose TERM is set and not "dumb", and not when quiet.
  // done: what the summary says of the files that went through.
  Reporter(size_t files, Verbosity verbosity, const char* done = "converted");
  ~Reporter();

  void Progress(size_t index, const std::string& file);  // index from 0
  void Error(const std::string& file, const std::string& text);
  void Warning(const std::string& file, const std::string& text);
  // A damaged file that still gave its pictures (the converter's messages).
  void Damaged(const std::string& file, const std::string& messages);
  void Wrote(const std::string& input, const std::string& output);
  bool Failed() const { return failed_ > 0; }

  // Prints the summary of a batch and returns the exit status: 1 when a
  // file failed, else 3 when one was damaged (unless allowDamaged), else 0.
  int Finish(bool allowDamaged);

 private:
  void ClearLine();
  size_t files_;
  Verbosity verbosity_;
  const char* done_;
  bool progress_;
  bool lineShown_ = false;
  size_t failed_ = 0;
  size_t damaged_ = 0;
  bool finished_ = false;
};

}  // namespace dorv::tools

// How dovtool talks to its user on standard error: errors and warnings that
// name the file they concern, and a progress line while several files are
// converted on a terminal.
#pragma once

#include <cstddef>
#include <string>

namespace dorv::tools {

class Reporter {
 public:
  // The progress line is shown only for several files and only when
  // standard error is a terminal.
  explicit Reporter(size_t files);
  ~Reporter();

  void Progress(size_t index, const std::string& file);  // index from 0
  void Error(const std::string& file, const std::string& text);
  void Warning(const std::string& file, const std::string& text);
  bool Failed() const { return failed_; }

 private:
  void ClearLine();
  size_t files_;
  bool progress_;
  bool lineShown_ = false;
  bool failed_ = false;
};

}  // namespace dorv::tools

// An output file that appears only when it is complete: it is written under
// a temporary name in the same folder and moved over the final path by
// Commit. Until then the final path is untouched, so a failure never leaves a
// partial or clobbered file; a temporary that is not committed is removed.
#pragma once

#include <string>

namespace dorv::tools {

class TempOutput {
 public:
  // Reserves a fresh temporary name beside finalPath. Raises
  // std::runtime_error when the folder cannot take a new file.
  explicit TempOutput(std::string finalPath);
  ~TempOutput();
  TempOutput(const TempOutput&) = delete;
  TempOutput& operator=(const TempOutput&) = delete;

  const std::string& TempPath() const { return tempPath_; }
  const std::string& FinalPath() const { return finalPath_; }

  // Flushes the temporary file to disk and renames it to the final path.
  // Raises std::runtime_error.
  void Commit();

 private:
  std::string finalPath_;
  std::string tempPath_;
  bool committed_ = false;
};

}  // namespace dorv::tools

// An output that never destroys anything. "-" is standard output. A target
// that exists and is not a regular file (a device, a FIFO) is written
// straight through. Otherwise the bytes go to a temporary file beside the
// final file (a symlink's target, not the link) and are renamed over it
// only once complete, with an existing file's mode and owner kept; a
// temporary not committed is removed, also when the process is stopped by
// SIGINT, SIGTERM or SIGHUP.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace dorv::tools {

// A failure that concerns the output, not the input: it names the output.
class OutputError : public std::runtime_error {
 public:
  OutputError(std::string path, const std::string& text) : std::runtime_error(text), path_(std::move(path)) {}
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

class OutputFile {
 public:
  // Raises OutputError when the target cannot be written (a folder, a
  // folder that cannot take a new file, ...); so do Write and Commit.
  explicit OutputFile(std::string path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  const std::string& Path() const { return path_; }
  // The descriptor of the temporary file, which may be written and seeked
  // freely, or -1 when the target is written straight through.
  int TemporaryFd() const { return tempPath_.empty() ? -1 : fd_; }
  // Appends bytes.
  void Write(std::span<const uint8_t> bytes);
  // Completes the output (flushed to disk and moved into place for a
  // temporary).
  void Commit();

 private:
  void Discard();
  std::string path_;      // as given
  std::string finalPath_; // what a temporary is renamed to
  std::string tempPath_;  // empty when written straight through
  int fd_ = -1;
  bool ownsFd_ = false;
  int slot_ = -1;  // in the table of temporaries removed on a signal
  bool committed_ = false;
};

// Writes the whole output at once.
void WriteOutputFile(const std::string& path, std::span<const uint8_t> bytes);

// Whether writing path would write the file that input names: the same path,
// or the same device and inode. Standard streams ("-") and files that are
// not regular files never count.
bool SameFile(const std::string& output, const std::string& input);

}  // namespace dorv::tools

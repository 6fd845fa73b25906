// Helpers of the tool tests: a scratch folder, PNG files of any layout made
// with libpng, and running dovtool.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace dorv::tooltest {

// A fresh folder, removed with everything in it at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  std::string Path(const std::string& name) const { return (root_ / name).string(); }
  // Names in the folder, sorted.
  std::vector<std::string> Names() const;

 private:
  std::filesystem::path root_;
};

// A PNG in file terms: rows as stored (16-bit samples big-endian, samples
// below 8 bits packed), any colour type, optional tRNS bytes, interlacing.
struct RawPng {
  uint32_t width = 1, height = 1;
  int colorType = 2;  // PNG colour type numbers
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<uint8_t> rows;
  std::vector<uint8_t> plte;  // RGB triples
  std::vector<uint8_t> trns;
  std::vector<uint8_t> icc;  // an iCCP chunk's profile when not empty
};
void WriteRawPng(const std::string& path, const RawPng& png);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};
// Runs the built dovtool with these arguments (no shell), standard input
// from stdinBytes (through a pipe) or /dev/null. On a terminal, standard
// error is a pseudo-terminal whose output lands in err, with TERM set to
// term (unset when empty).
ToolRun RunDovtool(const std::vector<std::string>& args);
ToolRun RunDovtoolWithInput(const std::vector<std::string>& args, const std::string& stdinBytes);
ToolRun RunDovtoolOnTerminal(const std::vector<std::string>& args, const std::string& term = "xterm");

}  // namespace dorv::tooltest

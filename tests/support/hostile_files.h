// The hostile file set: files whose declared sizes, lengths, streams or
// tables would make a careless reader allocate, inflate or read far more
// than the file holds. Each must be refused (or read) cheaply, with the
// message given. The unit tests check the messages and the memory; the
// benchmarks time them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dorv::testing {

struct HostileFile {
  std::string name;
  std::vector<uint8_t> bytes;
  std::string error;  // the load error, "" for a file that is read
};

// Built once and kept: some of the files take a moment to make.
const std::vector<HostileFile>& HostileFiles();

}  // namespace dorv::testing

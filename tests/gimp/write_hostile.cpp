// dorv_write_hostile DIR: writes the hostile file set into DIR as NAME.dov,
// one line per file on stdout: NAME and the load error the converter gives
// ("-" for a file that is read).
#include <cstdio>
#include <fstream>
#include <string>

#include "support/hostile_files.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: dorv_write_hostile DIR\n", stderr);
    return 2;
  }
  for (const dorv::testing::HostileFile& file : dorv::testing::HostileFiles()) {
    const std::string path = std::string(argv[1]) + "/" + file.name + ".dov";
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.bytes.data()), static_cast<std::streamsize>(file.bytes.size()));
    if (!out) {
      std::fprintf(stderr, "dorv_write_hostile: cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%s\t%s\n", file.name.c_str(), file.error.empty() ? "-" : file.error.c_str());
  }
  return 0;
}

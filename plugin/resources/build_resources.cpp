// Writes PiPL.bin, PiPL-x64.bin (the property list of 64-bit Windows modules)
// and AETE.bin, the bytes of the module's two resources, into the folder
// given as the only argument.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "plugin/resources/plugin_resources.h"

namespace {

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  using dorv::resources::ModuleArch;
  const bool ok =
      WriteFile(folder + "/PiPL.bin", dorv::resources::PropertyListResource(ModuleArch::Win32)) &&
      WriteFile(folder + "/PiPL-x64.bin",
                dorv::resources::PropertyListResource(ModuleArch::Win64)) &&
      WriteFile(folder + "/AETE.bin", dorv::resources::DictionaryResource());
  return ok ? 0 : 1;
}

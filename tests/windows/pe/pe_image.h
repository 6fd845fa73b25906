// A reader of the tables of a Windows module file (PE32 or PE32+): machine,
// exports, imported modules and the resource tree with each resource's
// bytes. Runs on any platform; every offset read from the file is checked,
// and a malformed file raises std::runtime_error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pe {

inline constexpr uint16_t kMachineI386 = 0x014C;
inline constexpr uint16_t kMachineAmd64 = 0x8664;

struct Export {
  std::string name;
  uint32_t ordinal = 0;
  uint32_t rva = 0;
  bool forwarded = false;  // the address names another module's export
  bool inCode = false;     // the address lies in an executable section
};

struct Resource {
  std::string type;  // a name ("PIPL"), or "#" and the number
  std::string name;  // likewise
  uint32_t language = 0;
  std::vector<uint8_t> bytes;
};

struct Image {
  uint16_t machine = 0;
  bool isDll = false;
  std::string exportedModuleName;
  std::vector<Export> exports;
  std::vector<std::string> imports;  // module names as stored
  std::vector<Resource> resources;
};

Image ReadImage(const std::vector<uint8_t>& file);
std::vector<uint8_t> ReadFileBytes(const std::string& path);

}  // namespace pe

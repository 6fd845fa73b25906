// Checks what the built Windows modules carry, from their files:
//
//   dorv_pe_check converter FILE i686|x86_64
//   dorv_pe_check plugin FILE i686|x86_64 PIPL.bin PIPL-x64.bin AETE.bin
//   dorv_pe_check thumbs FILE x86_64
//
// The converter library exports exactly ConvertRead, ConvertWrite and
// ConfigWrite by their plain names; the plug-in exports exactly PluginMain
// and carries exactly two resources, "PiPL" and "AETE" 16000 in language
// 1033, whose bytes are the built resource files: the 32-bit property list
// in an i686 module, the 64-bit one in an x86_64 module. The two property
// lists differ only in the entry point's key. Both modules are DLLs of the
// named machine that import only modules of the system, so that each one
// stands alone beside its twin. The thumbnail handler exports exactly the
// four functions of an in-process COM server and imports only system
// modules too. Prints one line per finding; exit status 1
// when any check fails.
#include <cstdio>
#include <cstring>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "pe_image.h"

namespace {

int g_failures = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  if (!ok) ++g_failures;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string Join(const std::set<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
  return out;
}

void CheckModule(const pe::Image& image, const std::string& arch,
                 const std::set<std::string>& exports, const std::set<std::string>& allowedImports) {
  const uint16_t machine = arch == "i686" ? pe::kMachineI386 : pe::kMachineAmd64;
  Check(image.machine == machine, "machine is " + arch);
  Check(image.isDll, "the file is a DLL");
  std::set<std::string> names;
  bool allInCode = true;
  for (const pe::Export& e : image.exports) {
    names.insert(e.name);
    allInCode = allInCode && e.inCode && !e.forwarded;
  }
  Check(names == exports && image.exports.size() == exports.size(),
        "exports exactly " + Join(exports) + " (found: " + Join(names) + ")");
  Check(allInCode, "every export is code of this module");
  bool standalone = true;
  for (const std::string& module : image.imports) {
    const bool allowed = allowedImports.count(Lower(module)) != 0;
    if (!allowed) std::printf("     imports %s\n", module.c_str());
    standalone = standalone && allowed;
  }
  Check(standalone, "imports only system modules (no runtime, zlib or libjpeg DLL)");
}

const pe::Resource* Find(const pe::Image& image, const std::string& type) {
  for (const pe::Resource& r : image.resources)
    if (r.type == type) return &r;
  return nullptr;
}

// Offset of the key of the property list entry whose key is `key`, or 0.
size_t KeyOffset(const std::vector<uint8_t>& list, const char (&key)[5]) {
  // Keys are stored as little-endian integers: their characters reversed.
  const uint8_t stored[4] = {static_cast<uint8_t>(key[3]), static_cast<uint8_t>(key[2]),
                             static_cast<uint8_t>(key[1]), static_cast<uint8_t>(key[0])};
  size_t at = 10;  // resource version, list version, count
  while (at + 16 <= list.size()) {
    if (std::memcmp(&list[at + 4], stored, 4) == 0) return at + 4;
    const uint32_t length = list[at + 12] | list[at + 13] << 8 | list[at + 14] << 16 |
                            static_cast<uint32_t>(list[at + 15]) << 24;
    at += 16 + length + (4 - length % 4) % 4;
  }
  return 0;
}

void CheckPropertyLists(const std::vector<uint8_t>& x86, const std::vector<uint8_t>& x64) {
  const size_t at = KeyOffset(x86, "wx86");
  Check(at != 0 && KeyOffset(x86, "8664") == 0, "the 32-bit property list names 'wx86' only");
  Check(KeyOffset(x64, "8664") == at && at != 0 && KeyOffset(x64, "wx86") == 0,
        "the 64-bit property list has '8664' where the 32-bit one has 'wx86'");
  bool rest = x86.size() == x64.size();
  for (size_t i = 0; rest && i < x86.size(); ++i)
    if (i < at || i >= at + 4) rest = x86[i] == x64[i];
  Check(rest, "the two property lists are otherwise the same bytes");
  Check(x86.size() >= 10 && x86[6] == 15 && x86[7] == 0 && x86[8] == 0 && x86[9] == 0,
        "the property list holds 15 properties");
}

void CheckResource(const pe::Image& image, const std::string& type,
                   const std::vector<uint8_t>& expected) {
  const pe::Resource* r = Find(image, type);
  Check(r != nullptr, "carries a resource of type " + type);
  if (r == nullptr) return;
  Check(r->name == "#16000", type + " has ID 16000");
  Check(r->language == 1033, type + " has language 1033");
  Check(r->bytes == expected, type + " holds the built bytes (" + std::to_string(r->bytes.size()) +
                                  " of " + std::to_string(expected.size()) + ")");
}

int Run(int argc, char** argv) {
  const std::string kind = argc > 1 ? argv[1] : "";
  const bool plugin = kind == "plugin" && argc == 7;
  const bool converter = kind == "converter" && argc == 4;
  const bool thumbs = kind == "thumbs" && argc == 4;
  const std::string arch = argc > 3 ? argv[3] : "";
  if ((!plugin && !converter && !thumbs) || (arch != "i686" && arch != "x86_64")) {
    std::fprintf(stderr,
                 "usage: %s converter FILE i686|x86_64\n"
                 "       %s plugin FILE i686|x86_64 PIPL.bin PIPL-x64.bin AETE.bin\n"
                 "       %s thumbs FILE x86_64\n",
                 argv[0], argv[0], argv[0]);
    return 2;
  }
  std::printf("%s (%s)\n", argv[2], arch.c_str());
  const pe::Image image = pe::ReadImage(pe::ReadFileBytes(argv[2]));
  const std::set<std::string> system = {"kernel32.dll", "user32.dll", "gdi32.dll",
                                        "comctl32.dll", "msvcrt.dll", "advapi32.dll"};
  if (thumbs) {
    std::set<std::string> com = system;
    com.insert({"ole32.dll", "shell32.dll"});
    CheckModule(image, arch,
                {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"},
                com);
  } else if (converter) {
    CheckModule(image, arch, {"ConfigWrite", "ConvertRead", "ConvertWrite"}, system);
    Check(image.exportedModuleName == "dorvformat.dll", "export directory names dorvformat.dll");
    Check(image.resources.empty() || Find(image, "PIPL") == nullptr,
          "carries no property list of its own");
  } else {
    CheckModule(image, arch, {"PluginMain"}, system);
    const std::vector<uint8_t> x86 = pe::ReadFileBytes(argv[4]);
    const std::vector<uint8_t> x64 = pe::ReadFileBytes(argv[5]);
    CheckPropertyLists(x86, x64);
    // Resource compilers store type names in capitals; the loader finds
    // names without regard to case, so the host's look-up of "PiPL" meets
    // "PIPL".
    CheckResource(image, "PIPL", arch == "i686" ? x86 : x64);
    CheckResource(image, "AETE", pe::ReadFileBytes(argv[6]));
    Check(image.resources.size() == 2, "carries exactly these two resources (found " +
                                           std::to_string(image.resources.size()) + ")");
  }
  return g_failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::printf("FAIL %s: %s\n", argc > 2 ? argv[2] : "", e.what());
    return 1;
  }
}

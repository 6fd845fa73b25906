// A stand-in for the converter library, built several times: with all three
// exports, or without one of them (FAKE_WITHOUT_CONVERT_READ,
// FAKE_WITHOUT_CONVERT_WRITE, FAKE_WITHOUT_CONFIG_WRITE).
//
// It keeps no state of its own: what it does comes from "fake.ctl" in its own
// folder (key=value lines), and what it was asked is appended to "fake.log"
// there, one line per event, including its loading and unloading.
//
// ConvertRead reads a fixture written by the tests:
//   "FAKE", int32 width, height, bpp, transparent index, block bytes
//   (-1: exactly the packed rows), then 1024 palette bytes when bpp is 8,
//   then the block bytes.
// ConvertWrite writes what it received instead of a document:
//   "FKWR", int32 position at the call, width, height, planes, depth,
//   transparent index, compression type, quality, code, image mode, then the
//   three 256-byte tables and the pixel rows.
#ifndef _WIN32
#include <dlfcn.h>
#endif

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "converter/converts/exports.h"

namespace {

std::string Folder() {
#ifdef _WIN32
  HMODULE self = nullptr;
  char name[MAX_PATH] = {};
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&Folder), &self) ||
      GetModuleFileNameA(self, name, MAX_PATH) == 0)
    return ".";
  std::string path = name;
  const auto slash = path.find_last_of("\\/");
#else
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&Folder), &info) == 0 || info.dli_fname == nullptr)
    return ".";
  std::string path = info.dli_fname;
  const auto slash = path.rfind('/');
#endif
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

void Log(const std::string& line) {
  std::ofstream out(Folder() + "/fake.log", std::ios::app);
  out << line << "\n";
}

std::map<std::string, std::string> Control() {
  std::map<std::string, std::string> values;
  std::ifstream in(Folder() + "/fake.ctl");
  std::string line;
  while (std::getline(in, line)) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

std::string Value(const std::map<std::string, std::string>& control, const std::string& key,
                  const std::string& fallback) {
  auto it = control.find(key);
  return it == control.end() ? fallback : it->second;
}

int32_t Position(HANDLE file) {
  return static_cast<int32_t>(SetFilePointer(file, 0, nullptr, FILE_CURRENT));
}

[[maybe_unused]] bool ReadBytes(HANDLE file, void* bytes, DWORD count) {
  DWORD done = 0;
  return ReadFile(file, bytes, count, &done, nullptr) && done == count;
}

[[maybe_unused]] void PutInt32(std::vector<uint8_t>& out, int32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> shift));
}

[[maybe_unused]] void StoreInt32(uint8_t* at, int32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}

__attribute__((constructor)) void OnLoad() { Log("load"); }
__attribute__((destructor)) void OnUnload() { Log("unload"); }

}  // namespace

extern "C" {

#ifndef FAKE_WITHOUT_CONVERT_READ
DORV_EXPORT int32_t DORV_STDCALL ConvertRead(HANDLE file, void* readInfo, HGLOBAL* block,
                                             uint8_t* palette, int32_t* transparentIndex) {
  Log("ConvertRead at=" + std::to_string(Position(file)));
  const auto control = Control();
  *transparentIndex = -1;
  if (Value(control, "read", "ok") == "fail_resize") {
    // A resize that failed: the variable is null, the block itself remains.
    *block = nullptr;
    return dorv::kFalse;
  }
  if (Value(control, "read", "ok") == "fail") {
    // Leave a resized block behind, as a real failure may.
    *block = GlobalReAlloc(*block, 64, GMEM_MOVEABLE);
    return dorv::kFalse;
  }
  char magic[4];
  int32_t header[5];
  if (!ReadBytes(file, magic, 4) || std::memcmp(magic, "FAKE", 4) != 0 ||
      !ReadBytes(file, header, sizeof header))
    return dorv::kFalse;
  const int32_t width = header[0], height = header[1], bpp = header[2];
  const int64_t stride = (static_cast<int64_t>(width) * bpp + 7) / 8;
  const int64_t bytes = header[4] >= 0 ? header[4] : stride * height;
  if (bpp == 8 && !ReadBytes(file, palette, 1024)) return dorv::kFalse;
  HGLOBAL resized = GlobalReAlloc(*block, static_cast<SIZE_T>(bytes), GMEM_MOVEABLE);
  *block = resized;
  if (resized == nullptr) return dorv::kFalse;
  auto* target = static_cast<uint8_t*>(GlobalLock(resized));
  if (target == nullptr) return dorv::kFalse;
  const bool read = ReadBytes(file, target, static_cast<DWORD>(bytes));
  GlobalUnlock(resized);
  if (!read) return dorv::kFalse;
  auto* info = static_cast<uint8_t*>(readInfo);
  StoreInt32(info, 40);
  StoreInt32(info + 4, 200);
  StoreInt32(info + 8, width);
  StoreInt32(info + 12, height);
  StoreInt32(info + 16, bpp);
  StoreInt32(info + 20, 1);
  *transparentIndex = header[3];
  return dorv::kTrue;
}
#endif

#ifndef FAKE_WITHOUT_CONVERT_WRITE
DORV_EXPORT int32_t DORV_STDCALL ConvertWrite(HANDLE file, int32_t width, int32_t height,
                                              int32_t planes, int32_t depth, const uint8_t* pixels,
                                              const uint8_t* red, const uint8_t* green,
                                              const uint8_t* blue, int32_t transparentIndex,
                                              int32_t compType, int32_t quality, int32_t code,
                                              int32_t imageMode) {
  Log("ConvertWrite");
  if (Value(Control(), "write", "ok") == "fail") return dorv::kFalse;
  std::vector<uint8_t> out = {'F', 'K', 'W', 'R'};
  for (int32_t value : {Position(file), width, height, planes, depth, transparentIndex, compType,
                        quality, code, imageMode})
    PutInt32(out, value);
  out.insert(out.end(), red, red + 256);
  out.insert(out.end(), green, green + 256);
  out.insert(out.end(), blue, blue + 256);
  const size_t rowBytes = (static_cast<size_t>(planes) * depth * width + 7) / 8;
  out.insert(out.end(), pixels, pixels + rowBytes * static_cast<size_t>(height));
  DWORD written = 0;
  return WriteFile(file, out.data(), static_cast<DWORD>(out.size()), &written, nullptr) &&
                 written == out.size()
             ? dorv::kTrue
             : dorv::kFalse;
}
#endif

#ifndef FAKE_WITHOUT_CONFIG_WRITE
DORV_EXPORT int32_t DORV_STDCALL ConfigWrite(int32_t bitsPerPixel, int32_t* compType,
                                             int32_t* quality, int32_t* code) {
  Log("ConfigWrite bpp=" + std::to_string(bitsPerPixel));
  const auto control = Control();
  const std::string mode = Value(control, "config", "confirm");
  if (mode == "cancel") return dorv::kFalse;
  if (mode == "cancel_scribble") {
    // A dialog that writes its outputs although it was cancelled.
    *compType = *quality = *code = 99;
    return dorv::kFalse;
  }
  *compType = std::stoi(Value(control, "compression", "0"));
  *quality = std::stoi(Value(control, "quality", "50"));
  *code = std::stoi(Value(control, "code", "0"));
  return dorv::kTrue;
}
#endif

}  // extern "C"

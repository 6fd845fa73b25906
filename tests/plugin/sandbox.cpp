#include "sandbox.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/win32.h"

namespace dorv::test {

namespace {

void PutInt32(std::ofstream& out, int32_t value) {
  out.write(reinterpret_cast<const char*>(&value), 4);
}

int32_t GetInt32(const std::vector<uint8_t>& bytes, std::size_t at) {
  int32_t value;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

std::string RootPattern() {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp && *tmp ? tmp : "/tmp") + "/dorv_plugin_XXXXXX";
}

}  // namespace

std::size_t SandboxRootLength() { return RootPattern().size(); }

Sandbox::Sandbox(SandboxOptions options) {
  const std::string pattern = RootPattern();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = buffer.data();
  folder_ = options.subfolder.empty() ? root_ : root_ / options.subfolder;
  fs::create_directories(folder_);
  plugin_ = folder_ / options.pluginName;
  fs::copy_file(options.module, plugin_);
  if (options.converter != nullptr)
    fs::copy_file(options.converter, folder_ / "dorvformat.so");
}

Sandbox::~Sandbox() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

void Sandbox::Control(const std::string& lines) const {
  std::ofstream(folder_ / "fake.ctl") << lines;
}

std::vector<std::string> Sandbox::Log() const {
  std::vector<std::string> lines;
  std::ifstream in(folder_ / "fake.log");
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void Sandbox::ClearLog() const {
  std::error_code ignored;
  fs::remove(folder_ / "fake.log", ignored);
}

void WriteFakeFile(const std::string& path, const FakeImage& image) {
  std::ofstream out(path, std::ios::binary);
  out.write("FAKE", 4);
  for (int32_t value :
       {image.width, image.height, image.bpp, image.transparentIndex, image.blockBytes})
    PutInt32(out, value);
  if (image.bpp == 8) {
    std::vector<uint8_t> palette = image.palette;
    palette.resize(1024);
    out.write(reinterpret_cast<const char*>(palette.data()), 1024);
  }
  out.write(reinterpret_cast<const char*>(image.block.data()),
            static_cast<std::streamsize>(image.block.size()));
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::optional<WriteRecord> ReadWriteRecord(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadAll(path);
  constexpr std::size_t kFixed = 4 + 10 * 4 + 3 * 256;
  if (bytes.size() < kFixed || std::memcmp(bytes.data(), "FKWR", 4) != 0) return std::nullopt;
  WriteRecord r{};
  int32_t* fields[] = {&r.position, &r.width, &r.height, &r.planes, &r.depth,
                       &r.transparentIndex, &r.compressionType, &r.quality, &r.code,
                       &r.imageMode};
  for (std::size_t i = 0; i < 10; ++i) *fields[i] = GetInt32(bytes, 4 + 4 * i);
  std::size_t at = 44;
  for (auto* table : {&r.red, &r.green, &r.blue}) {
    std::memcpy(table->data(), bytes.data() + at, 256);
    at += 256;
  }
  r.pixels.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end());
  return r;
}

host::HostDocument PatternDocument(int16_t mode, int32_t width, int32_t height, int16_t depth,
                                   int16_t planes, uint8_t seed) {
  host::HostDocument document;
  document.mode = mode;
  document.width = width;
  document.height = height;
  document.depth = depth;
  document.planes = planes;
  document.pixels.resize(document.ImageBytes());
  for (std::size_t i = 0; i < document.pixels.size(); ++i)
    document.pixels[i] = static_cast<uint8_t>(seed + i * 7);
  if (depth == 1 && width % 8 != 0) {
    // Bits beyond the last column carry nothing.
    const std::size_t rowBytes = document.RowBytes();
    const auto mask = static_cast<uint8_t>(0xFF << (8 - width % 8));
    for (std::size_t row = 0; row < static_cast<std::size_t>(height); ++row)
      document.pixels[row * rowBytes + rowBytes - 1] &= mask;
  }
  for (int i = 0; i < 256; ++i) {
    document.red[i] = static_cast<uint8_t>(i);
    document.green[i] = static_cast<uint8_t>(255 - i);
    document.blue[i] = static_cast<uint8_t>(i * 3);
  }
  return document;
}

ProbeSwitches::ProbeSwitches(const std::string& modulePath)
    : module_(LoadLibraryA(modulePath.c_str())) {
  if (module_ == nullptr) throw std::runtime_error("cannot load " + modulePath);
}

ProbeSwitches::~ProbeSwitches() { FreeLibrary(static_cast<HMODULE>(module_)); }

void ProbeSwitches::Call(const char* name, int count) const {
  auto proc = reinterpret_cast<void (*)(int)>(GetProcAddress(static_cast<HMODULE>(module_), name));
  if (proc == nullptr) throw std::runtime_error(std::string("probe lacks ") + name);
  proc(count);
}

void ProbeSwitches::FailGlobalAllocs(int count) const {
  Call("DorvProbeFailNextGlobalAllocs", count);
}
void ProbeSwitches::FailGlobalLocks(int count) const {
  Call("DorvProbeFailNextGlobalLocks", count);
}
void ProbeSwitches::FailBufferAllocations(int count) const {
  Call("DorvProbeFailNextBufferAllocations", count);
}

}  // namespace dorv::test

#include "sandbox.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/win32.h"
#include "plugin/converter_binding.h"
#include "tools/host/plugin_host.h"
#ifdef _WIN32
#include "platform/wide_text.h"
#endif

namespace dorv::test {

namespace {

// Every host in these tests checks after each selector that the plug-in
// wrote only what that selector may write; a field written beyond that
// fails the test that made the call.
void FailTheTest(const std::string& message) { ADD_FAILURE() << "the plug-in " << message; }
[[maybe_unused]] const bool g_hostsCheckTheRecord =
    (host::SetViolationHandler(&FailTheTest), true);

void PutInt32(std::ofstream& out, int32_t value) {
  out.write(reinterpret_cast<const char*>(&value), 4);
}

int32_t GetInt32(const std::vector<uint8_t>& bytes, std::size_t at) {
  int32_t value;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

#ifdef _WIN32
// Names in the tests are bytes of the system's ANSI code page, as
// LoadLibraryA and GetModuleFileNameA take and give them; the file system
// library reads narrow names otherwise.
fs::path PathOf(const std::string& ansi) { return fs::path(platform::WideFromAnsi(ansi)); }
std::string NameOf(const fs::path& path) { return platform::AnsiFromWide(path.wstring()); }

std::string RootPattern() {
  char folder[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(MAX_PATH + 1, folder);
  return std::string(folder, n > 0 && n <= MAX_PATH ? n : 0) + "dorv_plugin_XXXXXX";
}

// mkdtemp: the six trailing X become letters and digits of a folder that did
// not exist yet.
char* mkdtemp(char* pattern) {
  const std::size_t n = std::strlen(pattern);
  static uint32_t next = GetCurrentProcessId() * 7919u + GetTickCount();
  for (int attempt = 0; attempt < 100; ++attempt) {
    uint32_t v = ++next * 2654435761u;
    for (std::size_t i = n - 6; i < n; ++i, v /= 36)
      pattern[i] = "abcdefghijklmnopqrstuvwxyz0123456789"[v % 36];
    if (CreateDirectoryA(pattern, nullptr)) return pattern;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return nullptr;
  }
  return nullptr;
}
#else
fs::path PathOf(const std::string& name) { return name; }
std::string NameOf(const fs::path& path) { return path.string(); }

std::string RootPattern() {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp && *tmp ? tmp : "/tmp") + "/dorv_plugin_XXXXXX";
}
#endif

}  // namespace

std::size_t SandboxRootLength() { return RootPattern().size(); }

Sandbox::Sandbox(SandboxOptions options) {
  const std::string pattern = RootPattern();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = PathOf(buffer.data());
  folder_ = options.subfolder.empty() ? root_ : root_ / PathOf(options.subfolder);
  if (!options.subfolderUtf8.empty()) {
#ifdef _WIN32
    folder_ /= fs::path(platform::WideFromUtf8(options.subfolderUtf8));
#else
    folder_ /= fs::path(options.subfolderUtf8);
#endif
  }
  fs::create_directories(folder_);
  plugin_ = folder_ / PathOf(options.pluginName);
  fs::copy_file(options.module, plugin_);
  if (options.converter != nullptr)
    fs::copy_file(options.converter, folder_ / plugin::kConverterFileName);
}

std::string Sandbox::PluginPath() const { return NameOf(plugin_); }
std::string Sandbox::File(const std::string& name) const { return NameOf(root_ / PathOf(name)); }

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

#ifdef _WIN32
TestPipe::TestPipe() {
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) throw std::runtime_error("CreatePipe failed");
  read_ = readEnd;
  write_ = writeEnd;
}

TestPipe::~TestPipe() {
  CloseHandle(read_);
  CloseHandle(write_);
}
#else
TestPipe::TestPipe() {
  int ends[2] = {-1, -1};
  if (::pipe(ends) != 0) throw std::runtime_error("pipe failed");
  read_ = platform::HandleFromFd(ends[0]);
  write_ = platform::HandleFromFd(ends[1]);
}

TestPipe::~TestPipe() {
  ::close(platform::FdFromHandle(read_));
  ::close(platform::FdFromHandle(write_));
}
#endif

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

// A fresh folder per test holding a copy of the plug-in module and of the
// converter it should find beside it, plus helpers for the fake converter's
// fixtures and records.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/host/host_document.h"

namespace dorv::test {

namespace fs = std::filesystem;

struct SandboxOptions {
  const char* module = DORV_PLUGIN_MODULE;
  const char* converter = DORV_FAKE_FULL;  // null: no converter beside the plug-in
  std::string pluginName = "DorvFormat.8bi";
  std::string subfolder;  // inside the fresh folder; may be several levels
  // A subfolder named in UTF-8 on every platform, inside `subfolder`: for
  // names that the ANSI code page cannot spell.
  std::string subfolderUtf8;
};

// Length of the path of every fresh folder.
std::size_t SandboxRootLength();

class Sandbox {
 public:
  explicit Sandbox(SandboxOptions options = {});
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const fs::path& Folder() const { return folder_; }
  // Paths as the module functions take them (ANSI bytes on Windows).
  std::string PluginPath() const;
  // The plug-in's path in this platform's widest form.
  const fs::path& PluginFile() const { return plugin_; }
  std::string File(const std::string& name) const;

  // Lines of "fake.ctl" for the fake converter.
  void Control(const std::string& lines) const;
  // What the fake converter logged, one event per entry.
  std::vector<std::string> Log() const;
  void ClearLog() const;

 private:
  fs::path root_;
  fs::path folder_;
  fs::path plugin_;
};

// A picture as the fake converter's ConvertRead returns it.
struct FakeImage {
  int32_t width = 1;
  int32_t height = 1;
  int32_t bpp = 8;
  int32_t transparentIndex = -1;
  int32_t blockBytes = -1;          // -1: exactly the packed rows
  std::vector<uint8_t> palette;     // 1024 bytes for bpp 8 (blue, green, red, 0)
  std::vector<uint8_t> block;       // packed rows, top row first
};

void WriteFakeFile(const std::string& path, const FakeImage& image);

// What the fake converter's ConvertWrite received.
struct WriteRecord {
  int32_t position, width, height, planes, depth, transparentIndex, compressionType, quality,
      code, imageMode;
  std::array<uint8_t, 256> red, green, blue;
  std::vector<uint8_t> pixels;
};

std::optional<WriteRecord> ReadWriteRecord(const std::string& path);

// A document whose bytes count up from `seed`.
host::HostDocument PatternDocument(int16_t mode, int32_t width, int32_t height, int16_t depth,
                                   int16_t planes, uint8_t seed = 1);

// The test build of the module's memory-failure switches, reached through a
// second reference to the loaded module.
class ProbeSwitches {
 public:
  explicit ProbeSwitches(const std::string& modulePath);
  ~ProbeSwitches();
  ProbeSwitches(const ProbeSwitches&) = delete;
  ProbeSwitches& operator=(const ProbeSwitches&) = delete;
  void FailGlobalAllocs(int count) const;
  void FailGlobalLocks(int count) const;
  void FailBufferAllocations(int count) const;

 private:
  void Call(const char* name, int count) const;
  void* module_;
};

std::vector<uint8_t> ReadAll(const std::string& path);

// Both ends of a fresh pipe as file handles: a file that cannot be
// positioned. Closed when the object goes.
class TestPipe {
 public:
  TestPipe();
  ~TestPipe();
  TestPipe(const TestPipe&) = delete;
  TestPipe& operator=(const TestPipe&) = delete;
  void* ReadEnd() const { return read_; }
  void* WriteEnd() const { return write_; }

 private:
  void* read_ = nullptr;
  void* write_ = nullptr;
};

}  // namespace dorv::test

// A host that loads a file-format module and drives it through PluginMain as
// the real host does: it fills a format record of the host's layout, calls
// the selectors in the host's order, serves advanceState from the document
// it holds, and offers the host's full basic suite, handle suite and
// resource procedures, counting what the module acquires and releases.
//
// Every byte of the record that the host does not set holds kUnsetByte.
// After each selector the host checks that the module changed only the
// fields that selector may write (and nothing of the about record or the
// data slot); what else changed is kept in Violations() and handed to the
// violation handler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/host/host_document.h"
#include "plugin/host_api.h"
#include "platform/win32.h"

namespace dorv::host {

// The byte in every field of the records that the host does not set.
inline constexpr uint8_t kUnsetByte = 0xA5;
inline constexpr int16_t kUnset16 = static_cast<int16_t>(0xA5A5);
inline constexpr int32_t kUnset32 = static_cast<int32_t>(0xA5A5A5A5u);

// How much of the format record the host hands over.
enum class RecordLength {
  Full,                // the whole record of the host's layout
  EndsAfterTheRect32,  // an older host's, which ends right after theRect32
};

// Told of every field that the module changed although the selector may
// not write it, as "selector N wrote FIELD".
using ViolationHandler = void (*)(const std::string& message);
// The handler of every host in the process; none by default.
void SetViolationHandler(ViolationHandler handler);

// What the host offers; tests take parts away to reach the module's
// failure paths.
struct HostSettings {
  bool supports32BitCoordinates = true;
  bool offerAdvanceState = true;
  bool offerBasicSuite = true;
  bool offerHandleSuite = true;
  bool offerResourceProcs = true;
  bool offerCountProc = true;
  bool offerGetProc = true;
  bool offerAddProc = true;
  // Returned by advanceState instead of filling the buffer when nonzero.
  host_api::OSErr advanceStateError = host_api::noErr;
  // When not empty, a host handle with these bytes goes into imageRsrcData
  // (and their count into imageRsrcSize) for every open and save.
  std::vector<uint8_t> imageResources;
  // How often read continue is called at most while `data` stays set.
  int readContinueLimit = 16;
  RecordLength recordLength = RecordLength::Full;
  // The playInfo of the scripting parameters the host hands over; none (a
  // null descriptorParameters) when empty.
  std::optional<int16_t> playInfo;
};

// A module file named by a path of this platform's widest form.
struct ModuleFile {
  std::filesystem::path path;
};

struct SuiteCounts {
  int acquired = 0;
  int released = 0;
  int refusedAcquires = 0;
  int disposed = 0;
  int unknownDisposes = 0;
  int resourceProcCalls = 0;
  int advanceStateCalls = 0;

  bool Balanced() const { return acquired == released; }
};

struct SelectorCall {
  int16_t selector;
  host_api::OSErr result;
};

// A result the host itself reports, not one of the module's.
inline constexpr host_api::OSErr kHostCannotOpenFile = -43;
inline constexpr host_api::OSErr kHostBadTransfer = -30502;
inline constexpr host_api::OSErr kHostNoPlugin = -30000;

class PluginHost {
 public:
  // `pluginPath` in the bytes LoadLibraryA takes (the ANSI code page on
  // Windows).
  explicit PluginHost(const std::string& pluginPath, HostSettings settings = {});
  explicit PluginHost(const ModuleFile& plugin, HostSettings settings = {});
  ~PluginHost();
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  // True when the module was loaded and exports PluginMain.
  bool Loaded() const;
  host_api::PluginMainProc Entry() const { return entry_; }

  // Opens the file through selectors 1 to 4, stopping at the first nonzero
  // result, and leaves the image in `document`.
  host_api::OSErr Open(const std::string& path, HostDocument& document);
  host_api::OSErr OpenHandle(HANDLE file, HostDocument& document);

  // Saves `document` through selectors 5 to 8 (unless `runOptions` is
  // false), 9 to 12 and 13 to 16, stopping at the first nonzero result.
  host_api::OSErr Save(const HostDocument& document, const std::string& path, bool runOptions);
  host_api::OSErr SaveHandle(const HostDocument& document, HANDLE file, bool runOptions);

  // Calls one selector on the record as it stands, with the result preset
  // to `preset`, and returns the result the module left.
  host_api::OSErr Call(int16_t selector, host_api::OSErr preset = host_api::noErr);
  // Calls the about selector.
  host_api::OSErr CallAbout(host_api::OSErr preset = host_api::noErr);

  // Prepares the record for a save of `document` to `file` (what Save does
  // before its first selector), for tests that call selectors one by one.
  void PrepareSave(const HostDocument& document, HANDLE file);
  // Prepares the record for an open of `file`.
  void PrepareOpen(HANDLE file);
  // Takes the image the module handed over in `data` into `document`.
  host_api::OSErr TakeImage(HostDocument& document);

  // The format record; only its first RecordBytes() bytes exist.
  host_api::FormatRecord& Record() { return *record_; }
  std::size_t RecordBytes() const { return recordBytes_; }
  // The record's `data`, by value: in a 64-bit process the packed record
  // holds it at an offset of 4 mod 8, where no reference may bind to it.
  void* Data() const { return record_->data; }
  // Fields the module changed that its selectors may not write.
  const std::vector<std::string>& Violations() const { return violations_; }
  const SuiteCounts& Counts() const { return counts_; }
  const std::vector<SelectorCall>& Calls() const { return calls_; }
  // Host handles the module has not disposed of yet.
  std::size_t LiveHandles() const { return handles_.size(); }
  HostSettings& Settings() { return settings_; }

 private:
  friend struct HostCallbacks;

  void Load(HMODULE module);
  void ResetRecord(HANDLE file, bool attachResources);
  void Violation(const std::string& message);
  host_api::OSErr AdvanceState();
  host_api::Handle NewHandle(int32_t size);
  void DisposeHandle(host_api::Handle handle);
  int32_t HandleSize(host_api::Handle handle) const;
  host_api::SPErr AcquireSuite(const char* name, int32_t version, const void** suite);
  host_api::SPErr ReleaseSuite(const char* name, int32_t version);

  struct ModuleCloser {
    void operator()(void* module) const;
  };

  HostSettings settings_;
  // Sized for the record length asked for, so that a sanitizer catches a
  // module that reaches past it.
  std::size_t recordBytes_ = 0;
  std::unique_ptr<uint8_t[]> recordStorage_;
  host_api::FormatRecord* record_ = nullptr;
  host_api::AboutRecord about_{};
  host_api::PlatformData platformData_{};
  host_api::SPBasicSuite basicSuite_{};
  host_api::HandleSuite2 handleSuite_{};
  host_api::ResourceProcs resourceProcs_{};
  host_api::PIDescriptorParameters descriptorParameters_{};
  intptr_t dataSlot_ = 0;
  std::vector<std::string> violations_;
  SuiteCounts counts_;
  std::vector<SelectorCall> calls_;
  std::map<host_api::Handle, std::unique_ptr<host_api::HostHandleData>> handles_;
  const HostDocument* saving_ = nullptr;
  // Last, so that the module is unloaded before the suites it may still
  // hold go away.
  std::unique_ptr<void, ModuleCloser> module_;
  host_api::PluginMainProc entry_ = nullptr;
};

}  // namespace dorv::host

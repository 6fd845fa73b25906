#include "tools/host/plugin_host.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

#include "platform/module_path.h"
#include "tools/host/record_check.h"

struct dorv::host_api::HostHandleData {
  std::vector<uint8_t> bytes;
};

namespace dorv::host {

using namespace host_api;

namespace {

// The module's callbacks take no context: they reach the host whose call is
// in progress.
thread_local PluginHost* g_current = nullptr;

class CurrentHost {
 public:
  explicit CurrentHost(PluginHost* host) : previous_(g_current) { g_current = host; }
  ~CurrentHost() { g_current = previous_; }
  CurrentHost(const CurrentHost&) = delete;
  CurrentHost& operator=(const CurrentHost&) = delete;

 private:
  PluginHost* previous_;
};

constexpr SPErr kSuiteNotFound = -1;
// What the host keeps in the module's data slot between calls.
constexpr intptr_t kDataSlotValue = static_cast<intptr_t>(0x5A5A5A5A);

ViolationHandler g_violationHandler = nullptr;

int16_t To16(int32_t value) {
  return static_cast<int16_t>(std::min<int32_t>(value, std::numeric_limits<int16_t>::max()));
}

// One interleaved transfer buffer as the record describes it.
struct Transfer {
  uint8_t* data;
  VRect rect;
  int32_t loPlane, hiPlane;
  int64_t colBytes, rowBytes, planeBytes;
};

Transfer TransferOf(const FormatRecord& record) {
  Transfer t{static_cast<uint8_t*>(record.data), {}, record.loPlane, record.hiPlane,
             record.colBytes, record.rowBytes, record.planeBytes};
  if (record.HostSupports32BitCoordinates != 0 && record.PluginUsing32BitCoordinates != 0) {
    t.rect = record.theRect32;
  } else {
    t.rect = {record.theRect.top, record.theRect.left, record.theRect.bottom,
              record.theRect.right};
  }
  return t;
}

bool TransferFits(const Transfer& t, const HostDocument& document) {
  if (t.data == nullptr) return false;
  if (document.depth != 1 && document.depth != 8) return false;
  if (t.rect.top < 0 || t.rect.left < 0 || t.rect.bottom > document.height ||
      t.rect.right > document.width || t.rect.top > t.rect.bottom || t.rect.left > t.rect.right)
    return false;
  if (t.loPlane < 0 || t.hiPlane < t.loPlane || t.hiPlane >= document.planes) return false;
  if (document.depth == 1 && document.planes != 1) return false;
  return t.rowBytes > 0;
}

enum class Direction { ToHost, ToModule };

// Copies between the document and the module's buffer for the transfer's
// rectangle and planes.
void CopyTransfer(const Transfer& t, HostDocument& document, Direction direction) {
  const std::size_t docRow = document.RowBytes();
  for (int32_t y = t.rect.top; y < t.rect.bottom; ++y) {
    uint8_t* buffer = t.data + (y - t.rect.top) * t.rowBytes;
    uint8_t* row = document.pixels.data() + static_cast<std::size_t>(y) * docRow;
    if (document.depth == 1) {
      for (int32_t x = t.rect.left; x < t.rect.right; ++x) {
        const int32_t bx = x - t.rect.left;
        uint8_t* from = direction == Direction::ToHost ? buffer + bx / 8 : row + x / 8;
        const int fromBit = 7 - (direction == Direction::ToHost ? bx : x) % 8;
        uint8_t* to = direction == Direction::ToHost ? row + x / 8 : buffer + bx / 8;
        const int toBit = 7 - (direction == Direction::ToHost ? x : bx) % 8;
        const bool set = (*from >> fromBit) & 1;
        *to = static_cast<uint8_t>(set ? (*to | (1 << toBit)) : (*to & ~(1 << toBit)));
      }
      continue;
    }
    const bool wholeRows = t.rect.left == 0 && t.rect.right == document.width && t.loPlane == 0 &&
                           t.hiPlane == document.planes - 1 && t.colBytes == document.planes &&
                           t.planeBytes == 1;
    if (wholeRows) {
      if (direction == Direction::ToHost)
        std::memcpy(row, buffer, docRow);
      else
        std::memcpy(buffer, row, docRow);
      continue;
    }
    for (int32_t x = t.rect.left; x < t.rect.right; ++x) {
      for (int32_t p = t.loPlane; p <= t.hiPlane; ++p) {
        uint8_t& sample = row[static_cast<std::size_t>(x) * document.planes + p];
        uint8_t& slot =
            buffer[(x - t.rect.left) * t.colBytes + (p - t.loPlane) * t.planeBytes];
        if (direction == Direction::ToHost)
          sample = slot;
        else
          slot = sample;
      }
    }
  }
}

}  // namespace

struct HostCallbacks {
  static OSErr DORV_CDECL AdvanceState() {
    return g_current ? g_current->AdvanceState() : kHostBadTransfer;
  }
  // The basic suite.
  static SPErr DORV_CDECL Acquire(const char* name, int32_t version, const void** suite) {
    return g_current ? g_current->AcquireSuite(name, version, suite) : kSuiteNotFound;
  }
  static SPErr DORV_CDECL Release(const char* name, int32_t version) {
    return g_current ? g_current->ReleaseSuite(name, version) : kSuiteNotFound;
  }
  static SPErr DORV_CDECL IsEqual(const char* a, const char* b) {
    return a != nullptr && b != nullptr && std::strcmp(a, b) == 0 ? 1 : 0;
  }
  static SPErr DORV_CDECL AllocateBlock(std::size_t size, void** block) {
    if (block == nullptr) return kSuiteNotFound;
    *block = std::malloc(size == 0 ? 1 : size);
    return *block != nullptr ? 0 : memFullErr;
  }
  static SPErr DORV_CDECL FreeBlock(void* block) {
    std::free(block);
    return 0;
  }
  static SPErr DORV_CDECL ReallocateBlock(void* block, std::size_t size, void** moved) {
    if (moved == nullptr) return kSuiteNotFound;
    void* grown = std::realloc(block, size == 0 ? 1 : size);
    if (grown == nullptr) return memFullErr;
    *moved = grown;
    return 0;
  }
  static SPErr DORV_CDECL Undefined() { return kSuiteNotFound; }
  // The handle suite.
  static Handle DORV_CDECL New(int32_t size) {
    return g_current ? g_current->NewHandle(size) : nullptr;
  }
  static void DORV_CDECL Dispose(Handle handle) {
    if (g_current) g_current->DisposeHandle(handle);
  }
  static void DORV_CDECL DisposeRegular(Handle handle) { Dispose(handle); }
  static void DORV_CDECL SetLock(Handle handle, Boolean, char** address, Boolean* oldLock) {
    if (address != nullptr)
      *address = handle ? reinterpret_cast<char*>(handle->bytes.data()) : nullptr;
    if (oldLock != nullptr) *oldLock = 0;
  }
  static int32_t DORV_CDECL GetSize(Handle handle) {
    return g_current ? g_current->HandleSize(handle) : 0;
  }
  static OSErr DORV_CDECL SetSize(Handle handle, int32_t size) {
    if (handle == nullptr || size < 0) return memFullErr;
    handle->bytes.resize(static_cast<std::size_t>(size));
    return noErr;
  }
  static void DORV_CDECL RecoverSpace(int32_t) {}
  // The resource procedures.
  static int16_t DORV_CDECL Count(OSType) {
    if (g_current) ++g_current->counts_.resourceProcCalls;
    return 0;
  }
  static Handle DORV_CDECL Get(OSType, int16_t) {
    if (g_current) ++g_current->counts_.resourceProcCalls;
    return nullptr;
  }
  static void DORV_CDECL Delete(OSType, int16_t) {
    if (g_current) ++g_current->counts_.resourceProcCalls;
  }
  static int16_t DORV_CDECL Add(OSType, Handle) {
    if (g_current) ++g_current->counts_.resourceProcCalls;
    return noErr;
  }
};

void SetViolationHandler(ViolationHandler handler) { g_violationHandler = handler; }

void PluginHost::ModuleCloser::operator()(void* module) const {
  FreeLibrary(static_cast<HMODULE>(module));
}

PluginHost::PluginHost(const std::string& pluginPath, HostSettings settings)
    : settings_(std::move(settings)) {
  Load(LoadLibraryA(pluginPath.c_str()));
}

PluginHost::PluginHost(const ModuleFile& plugin, HostSettings settings)
    : settings_(std::move(settings)) {
  Load(platform::LoadModule(plugin.path.c_str()));
}

void PluginHost::Load(HMODULE module) {
  basicSuite_ = {&HostCallbacks::Acquire,       &HostCallbacks::Release,
                 &HostCallbacks::IsEqual,       &HostCallbacks::AllocateBlock,
                 &HostCallbacks::FreeBlock,     &HostCallbacks::ReallocateBlock,
                 &HostCallbacks::Undefined};
  handleSuite_ = {&HostCallbacks::New,     &HostCallbacks::Dispose,
                  &HostCallbacks::DisposeRegular, &HostCallbacks::SetLock,
                  &HostCallbacks::GetSize, &HostCallbacks::SetSize,
                  &HostCallbacks::RecoverSpace};
  recordBytes_ = settings_.recordLength == RecordLength::Full ? sizeof(FormatRecord)
                                                               : kShortestFormatRecord;
  // Exactly as long as asked: nothing past it belongs to the record.
  recordStorage_.reset(new uint8_t[recordBytes_]);
  record_ = reinterpret_cast<FormatRecord*>(recordStorage_.get());
  module_.reset(module);
  if (module_)
    entry_ = reinterpret_cast<PluginMainProc>(reinterpret_cast<void (*)()>(
        GetProcAddress(static_cast<HMODULE>(module_.get()), kEntryPointName)));
  ResetRecord(nullptr, false);
}

PluginHost::~PluginHost() {
  // The module may give back suites while it is unloaded.
  CurrentHost current(this);
  entry_ = nullptr;
  module_.reset();
}

bool PluginHost::Loaded() const { return entry_ != nullptr; }

void PluginHost::ResetRecord(HANDLE file, bool attachResources) {
  // Only fields up to theRect32 are set, so that the shorter record of an
  // older host is filled the same way.
  std::memset(recordStorage_.get(), kUnsetByte, recordBytes_);
  FormatRecord& record = *record_;
  resourceProcs_ = {1,
                    4,
                    settings_.offerCountProc ? &HostCallbacks::Count : nullptr,
                    settings_.offerGetProc ? &HostCallbacks::Get : nullptr,
                    &HostCallbacks::Delete,
                    settings_.offerAddProc ? &HostCallbacks::Add : nullptr};
  record.sSPBasic = settings_.offerBasicSuite ? &basicSuite_ : nullptr;
  record.advanceState = settings_.offerAdvanceState ? &HostCallbacks::AdvanceState : nullptr;
  record.resourceProcs = settings_.offerResourceProcs ? &resourceProcs_ : nullptr;
  std::memset(&descriptorParameters_, kUnsetByte, sizeof descriptorParameters_);
  if (settings_.playInfo) {
    descriptorParameters_.descriptorParametersVersion = 0;
    descriptorParameters_.playInfo = *settings_.playInfo;
    descriptorParameters_.recordInfo = plugInDialogOptional;
  }
  record.descriptorParameters = settings_.playInfo ? &descriptorParameters_ : nullptr;
  record.dataFork = ForkOf(file);
  record.maxData = 1 << 20;
  record.data = nullptr;
  record.transparentIndex = -1;
  record.transparencyPlane = -1;
  record.HostSupports32BitCoordinates = settings_.supports32BitCoordinates ? 1 : 0;
  record.PluginUsing32BitCoordinates = 0;
  record.imageRsrcData = nullptr;
  record.imageRsrcSize = 0;
  if (attachResources && !settings_.imageResources.empty()) {
    Handle resources = NewHandle(static_cast<int32_t>(settings_.imageResources.size()));
    resources->bytes = settings_.imageResources;
    record.imageRsrcData = resources;
    record.imageRsrcSize = static_cast<int32_t>(settings_.imageResources.size());
  }
}

void PluginHost::PrepareOpen(HANDLE file) {
  saving_ = nullptr;
  ResetRecord(file, true);
}

void PluginHost::PrepareSave(const HostDocument& document, HANDLE file) {
  saving_ = &document;
  ResetRecord(file, true);
  FormatRecord& record = *record_;
  record.imageMode = document.mode;
  record.imageSize = {To16(document.height), To16(document.width)};
  record.imageSize32 = {document.height, document.width};
  record.depth = document.depth;
  record.planes = document.planes;
  std::copy(document.red.begin(), document.red.end(), record.redLUT);
  std::copy(document.green.begin(), document.green.end(), record.greenLUT);
  std::copy(document.blue.begin(), document.blue.end(), record.blueLUT);
  record.transparentIndex = document.transparentIndex;
}

OSErr PluginHost::Call(int16_t selector, OSErr preset) {
  if (!entry_) return kHostNoPlugin;
  OSErr result = preset;
  const bool thirtyTwoBit = record_->HostSupports32BitCoordinates != 0;
  const RecordSnapshot before(record_, recordBytes_);
  const RecordSnapshot parameters(&descriptorParameters_, sizeof descriptorParameters_);
  dataSlot_ = kDataSlotValue;
  {
    CurrentHost current(this);
    entry_(selector, record_, &dataSlot_, &result);
  }
  calls_.push_back({selector, result});
  const std::string prefix = "selector " + std::to_string(selector) + " wrote ";
  for (const std::string& field : before.ForbiddenChanges(record_, selector, thirtyTwoBit))
    Violation(prefix + field);
  // The scripting parameters are the host's: the module may only read them.
  for (const std::string& bytes : parameters.Changes(&descriptorParameters_))
    Violation(prefix + "the scripting parameters' " + bytes);
  if (dataSlot_ != kDataSlotValue) Violation(prefix + "the data slot");
  return result;
}

OSErr PluginHost::CallAbout(OSErr preset) {
  if (!entry_) return kHostNoPlugin;
  OSErr result = preset;
  std::memset(&about_, kUnsetByte, sizeof about_);
  platformData_.hwnd = nullptr;  // no window of the host's
  about_.platformData = &platformData_;
  about_.sSPBasic = &basicSuite_;
  about_.plugInRef = this;
  const RecordSnapshot before(&about_, sizeof about_);
  const RecordSnapshot platform(&platformData_, sizeof platformData_);
  dataSlot_ = kDataSlotValue;
  {
    CurrentHost current(this);
    entry_(formatSelectorAbout, &about_, &dataSlot_, &result);
  }
  calls_.push_back({formatSelectorAbout, result});
  for (const std::string& field : before.Changes(&about_))
    Violation("selector 0 wrote the about record's " + field);
  if (!platform.Changes(&platformData_).empty())
    Violation("selector 0 wrote the host's platform data");
  if (dataSlot_ != kDataSlotValue) Violation("selector 0 wrote the data slot");
  return result;
}

void PluginHost::Violation(const std::string& message) {
  violations_.push_back(message);
  if (g_violationHandler != nullptr) g_violationHandler(message);
}

OSErr PluginHost::TakeImage(HostDocument& document) {
  const bool uses32 =
      record_->HostSupports32BitCoordinates != 0 && record_->PluginUsing32BitCoordinates != 0;
  const int32_t height = uses32 ? record_->imageSize32.v : record_->imageSize.v;
  const int32_t width = uses32 ? record_->imageSize32.h : record_->imageSize.h;
  if (width <= 0 || height <= 0 || record_->planes <= 0) return kHostBadTransfer;
  if (document.width != width || document.height != height || document.depth != record_->depth ||
      document.planes != record_->planes) {
    document = HostDocument{};
    document.width = width;
    document.height = height;
    document.depth = record_->depth;
    document.planes = record_->planes;
    document.pixels.assign(document.ImageBytes(), 0);
  }
  document.mode = record_->imageMode;
  std::copy(record_->redLUT, record_->redLUT + 256, document.red.begin());
  std::copy(record_->greenLUT, record_->greenLUT + 256, document.green.begin());
  std::copy(record_->blueLUT, record_->blueLUT + 256, document.blue.begin());
  document.transparentIndex = record_->transparentIndex;
  document.transparencyPlane = record_->transparencyPlane;
  const Transfer transfer = TransferOf(*record_);
  if (!TransferFits(transfer, document)) return kHostBadTransfer;
  CopyTransfer(transfer, document, Direction::ToHost);
  return noErr;
}

OSErr PluginHost::AdvanceState() {
  ++counts_.advanceStateCalls;
  if (settings_.advanceStateError != noErr) return settings_.advanceStateError;
  if (saving_ == nullptr) return kHostBadTransfer;
  HostDocument& document = const_cast<HostDocument&>(*saving_);
  const Transfer transfer = TransferOf(*record_);
  if (!TransferFits(transfer, document) || document.pixels.size() < document.ImageBytes())
    return kHostBadTransfer;
  CopyTransfer(transfer, document, Direction::ToModule);
  return noErr;
}

OSErr PluginHost::OpenHandle(HANDLE file, HostDocument& document) {
  PrepareOpen(file);
  OSErr result = Call(formatSelectorReadPrepare);
  if (result == noErr) result = Call(formatSelectorReadStart);
  if (result == noErr && record_->data != nullptr) result = TakeImage(document);
  if (result == noErr) {
    int continues = 0;
    do {
      result = Call(formatSelectorReadContinue);
      if (result == noErr && record_->data != nullptr) result = TakeImage(document);
    } while (result == noErr && record_->data != nullptr && ++continues < settings_.readContinueLimit);
    if (result == noErr && record_->data != nullptr) {
      Call(formatSelectorReadFinish);
      return kHostBadTransfer;
    }
  }
  if (result == noErr) result = Call(formatSelectorReadFinish);
  return result;
}

OSErr PluginHost::Open(const std::string& path, HostDocument& document) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return kHostCannotOpenFile;
  const OSErr result = OpenHandle(file, document);
  CloseHandle(file);
  return result;
}

OSErr PluginHost::SaveHandle(const HostDocument& document, HANDLE file, bool runOptions) {
  PrepareSave(document, file);
  static constexpr int16_t kOptions[] = {5, 6, 7, 8};
  static constexpr int16_t kWrite[] = {9, 10, 11, 12, 13, 14, 15, 16};
  OSErr result = noErr;
  if (runOptions)
    for (int16_t selector : kOptions)
      if (result == noErr) result = Call(selector);
  for (int16_t selector : kWrite)
    if (result == noErr) result = Call(selector);
  // The image resources stay the host's own on a save.
  if (record_->imageRsrcData != nullptr) handles_.erase(record_->imageRsrcData);
  record_->imageRsrcData = nullptr;
  saving_ = nullptr;
  return result;
}

OSErr PluginHost::Save(const HostDocument& document, const std::string& path, bool runOptions) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return kHostCannotOpenFile;
  const OSErr result = SaveHandle(document, file, runOptions);
  CloseHandle(file);
  return result;
}

Handle PluginHost::NewHandle(int32_t size) {
  auto data = std::make_unique<HostHandleData>();
  data->bytes.assign(static_cast<std::size_t>(std::max(size, 0)), 0);
  Handle handle = data.get();
  handles_.emplace(handle, std::move(data));
  return handle;
}

void PluginHost::DisposeHandle(Handle handle) {
  if (handles_.erase(handle) == 0) {
    ++counts_.unknownDisposes;
    return;
  }
  ++counts_.disposed;
}

int32_t PluginHost::HandleSize(Handle handle) const {
  auto it = handles_.find(handle);
  return it == handles_.end() ? 0 : static_cast<int32_t>(it->second->bytes.size());
}

SPErr PluginHost::AcquireSuite(const char* name, int32_t version, const void** suite) {
  if (!settings_.offerHandleSuite || name == nullptr || suite == nullptr ||
      std::strcmp(name, kHandleSuiteName) != 0 || version != kHandleSuiteVersion2) {
    ++counts_.refusedAcquires;
    return kSuiteNotFound;
  }
  *suite = &handleSuite_;
  ++counts_.acquired;
  return 0;
}

SPErr PluginHost::ReleaseSuite(const char* name, int32_t version) {
  if (name == nullptr || std::strcmp(name, kHandleSuiteName) != 0 ||
      version != kHandleSuiteVersion2)
    return kSuiteNotFound;
  ++counts_.released;
  return 0;
}

}  // namespace dorv::host

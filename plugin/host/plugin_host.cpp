#include "plugin/host/plugin_host.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

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
  if (record.hostSupports32BitCoordinates != 0 && record.PluginUsing32BitCoordinates != 0) {
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
  static OSErr AdvanceState() { return g_current ? g_current->AdvanceState() : kHostBadTransfer; }
  static SPErr Acquire(const char* name, int32_t version, const void** suite) {
    return g_current ? g_current->AcquireSuite(name, version, suite) : kSuiteNotFound;
  }
  static SPErr Release(const char* name, int32_t version) {
    return g_current ? g_current->ReleaseSuite(name, version) : kSuiteNotFound;
  }
  static Handle New(int32_t size) { return g_current ? g_current->NewHandle(size) : nullptr; }
  static void Dispose(Handle handle) {
    if (g_current) g_current->DisposeHandle(handle);
  }
  static int32_t GetSize(Handle handle) { return g_current ? g_current->HandleSize(handle) : 0; }
  static OSErr SetSize(Handle handle, int32_t size) {
    if (handle == nullptr || size < 0) return memFullErr;
    handle->bytes.resize(static_cast<std::size_t>(size));
    return noErr;
  }
  static void* Lock(Handle handle) { return handle ? handle->bytes.data() : nullptr; }
  static void Unlock(Handle) {}
  static int16_t Count(OSType) {
    if (g_current) ++g_current->counts_.resourceProcCalls;
    return 0;
  }
  static Handle Get(OSType, int16_t) {
    if (g_current) ++g_current->counts_.resourceProcCalls;
    return nullptr;
  }
  static void Delete(OSType, int16_t) {
    if (g_current) ++g_current->counts_.resourceProcCalls;
  }
  static OSErr Add(OSType, Handle) {
    if (g_current) ++g_current->counts_.resourceProcCalls;
    return noErr;
  }
};

void PluginHost::ModuleCloser::operator()(void* module) const {
  FreeLibrary(static_cast<HMODULE>(module));
}

PluginHost::PluginHost(const std::string& pluginPath, HostSettings settings)
    : settings_(std::move(settings)) {
  basicSuite_ = {&HostCallbacks::Acquire, &HostCallbacks::Release};
  handleSuite_ = {&HostCallbacks::New,     &HostCallbacks::Dispose, &HostCallbacks::GetSize,
                  &HostCallbacks::SetSize, &HostCallbacks::Lock,    &HostCallbacks::Unlock};
  module_.reset(LoadLibraryA(pluginPath.c_str()));
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
  record_ = FormatRecord{};
  resourceProcs_ = {1,
                    4,
                    settings_.offerCountProc ? &HostCallbacks::Count : nullptr,
                    settings_.offerGetProc ? &HostCallbacks::Get : nullptr,
                    &HostCallbacks::Delete,
                    settings_.offerAddProc ? &HostCallbacks::Add : nullptr};
  record_.sSPBasic = settings_.offerBasicSuite ? &basicSuite_ : nullptr;
  record_.advanceState = settings_.offerAdvanceState ? &HostCallbacks::AdvanceState : nullptr;
  record_.resourceProcs = settings_.offerResourceProcs ? &resourceProcs_ : nullptr;
  record_.dataFork = file;
  record_.maxData = 1 << 20;
  record_.transparentIndex = -1;
  record_.transparencyPlane = -1;
  record_.hostSupports32BitCoordinates = settings_.supports32BitCoordinates ? 1 : 0;
  if (attachResources && !settings_.imageResources.empty()) {
    Handle resources = NewHandle(static_cast<int32_t>(settings_.imageResources.size()));
    resources->bytes = settings_.imageResources;
    record_.imageRsrcData = resources;
    record_.imageRsrcSize = static_cast<int32_t>(settings_.imageResources.size());
  }
}

void PluginHost::PrepareOpen(HANDLE file) {
  saving_ = nullptr;
  ResetRecord(file, true);
}

void PluginHost::PrepareSave(const HostDocument& document, HANDLE file) {
  saving_ = &document;
  ResetRecord(file, true);
  record_.imageMode = document.mode;
  record_.imageSize = {To16(document.height), To16(document.width)};
  record_.imageSize32 = {document.height, document.width};
  record_.depth = document.depth;
  record_.planes = document.planes;
  std::copy(document.red.begin(), document.red.end(), record_.redLUT);
  std::copy(document.green.begin(), document.green.end(), record_.greenLUT);
  std::copy(document.blue.begin(), document.blue.end(), record_.blueLUT);
  record_.transparentIndex = document.transparentIndex;
}

OSErr PluginHost::Call(int16_t selector, OSErr preset) {
  if (!entry_) return kHostNoPlugin;
  OSErr result = preset;
  CurrentHost current(this);
  entry_(selector, &record_, &dataSlot_, &result);
  calls_.push_back({selector, result});
  return result;
}

OSErr PluginHost::CallAbout(OSErr preset) {
  if (!entry_) return kHostNoPlugin;
  OSErr result = preset;
  about_ = {&basicSuite_, nullptr};
  CurrentHost current(this);
  entry_(formatSelectorAbout, &about_, &dataSlot_, &result);
  calls_.push_back({formatSelectorAbout, result});
  return result;
}

OSErr PluginHost::TakeImage(HostDocument& document) {
  const bool uses32 =
      record_.hostSupports32BitCoordinates != 0 && record_.PluginUsing32BitCoordinates != 0;
  const int32_t height = uses32 ? record_.imageSize32.v : record_.imageSize.v;
  const int32_t width = uses32 ? record_.imageSize32.h : record_.imageSize.h;
  if (width <= 0 || height <= 0 || record_.planes <= 0) return kHostBadTransfer;
  if (document.width != width || document.height != height || document.depth != record_.depth ||
      document.planes != record_.planes) {
    document = HostDocument{};
    document.width = width;
    document.height = height;
    document.depth = record_.depth;
    document.planes = record_.planes;
    document.pixels.assign(document.ImageBytes(), 0);
  }
  document.mode = record_.imageMode;
  std::copy(record_.redLUT, record_.redLUT + 256, document.red.begin());
  std::copy(record_.greenLUT, record_.greenLUT + 256, document.green.begin());
  std::copy(record_.blueLUT, record_.blueLUT + 256, document.blue.begin());
  document.transparentIndex = record_.transparentIndex;
  document.transparencyPlane = record_.transparencyPlane;
  const Transfer transfer = TransferOf(record_);
  if (!TransferFits(transfer, document)) return kHostBadTransfer;
  CopyTransfer(transfer, document, Direction::ToHost);
  return noErr;
}

OSErr PluginHost::AdvanceState() {
  ++counts_.advanceStateCalls;
  if (settings_.advanceStateError != noErr) return settings_.advanceStateError;
  if (saving_ == nullptr) return kHostBadTransfer;
  HostDocument& document = const_cast<HostDocument&>(*saving_);
  const Transfer transfer = TransferOf(record_);
  if (!TransferFits(transfer, document) || document.pixels.size() < document.ImageBytes())
    return kHostBadTransfer;
  CopyTransfer(transfer, document, Direction::ToModule);
  return noErr;
}

OSErr PluginHost::OpenHandle(HANDLE file, HostDocument& document) {
  PrepareOpen(file);
  OSErr result = Call(formatSelectorReadPrepare);
  if (result == noErr) result = Call(formatSelectorReadStart);
  if (result == noErr && record_.data != nullptr) result = TakeImage(document);
  if (result == noErr) {
    int continues = 0;
    do {
      result = Call(formatSelectorReadContinue);
      if (result == noErr && record_.data != nullptr) result = TakeImage(document);
    } while (result == noErr && record_.data != nullptr && ++continues < settings_.readContinueLimit);
    if (result == noErr && record_.data != nullptr) {
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
  if (record_.imageRsrcData != nullptr) handles_.erase(record_.imageRsrcData);
  record_.imageRsrcData = nullptr;
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

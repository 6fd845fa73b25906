// Options start, estimate start and write start.
#include <cstdint>
#include <limits>
#include <utility>

#include "converter/converts/exports.h"
#include "plugin/converter_binding.h"
#include "plugin/selectors.h"

namespace dorv::plugin {

using namespace host_api;

namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

// Rows and columns of the host's document: the 32-bit members when the
// plug-in uses 32-bit coordinates, else the 16-bit ones.
struct DocumentSize {
  int32_t rows;
  int32_t columns;
};

DocumentSize SizeOf(const FormatRecord& record) {
  if (Uses32BitCoordinates(record)) return {record.imageSize32.v, record.imageSize32.h};
  return {record.imageSize.v, record.imageSize.h};
}

// The converter writes documents of 1 or 8 bits a plane. The module's mode
// flags keep the host from offering 16 or 32 bits a channel; a host that
// offers one anyway is refused before anything is asked or written.
bool DepthIsWritable(const FormatRecord& record) { return record.depth <= 8; }

// A host playing an action or a batch without dialogs must not be stopped by
// one: the last confirmed options (the initial ones the first time) stand.
bool DialogSuppressed(const FormatRecord& record) {
  const PIDescriptorParameters* parameters = record.descriptorParameters;
  if (parameters == nullptr) return false;
  return parameters->playInfo == plugInDialogDontDisplay ||
         parameters->playInfo == plugInDialogSilent;
}

int64_t RowBytes(int64_t depth, int64_t planes, int64_t columns) {
  return (depth * planes * columns + 7) / 8;
}

// Clears the host's `data` and frees the write buffer on every way out of
// write start once the buffer is handed to the host.
class HandedOverBuffer {
 public:
  HandedOverBuffer(FormatRecord& record, HostBuffer buffer)
      : record_(record), buffer_(std::move(buffer)) {
    record_.data = buffer_.data();
  }
  HandedOverBuffer(const HandedOverBuffer&) = delete;
  HandedOverBuffer& operator=(const HandedOverBuffer&) = delete;
  ~HandedOverBuffer() {
    record_.data = nullptr;
    buffer_.Reset();
  }
  const uint8_t* data() const { return buffer_.data(); }

 private:
  FormatRecord& record_;
  HostBuffer buffer_;
};

}  // namespace

OSErr OptionsStart(const FormatRecord& record, const PathChar* pluginPath, SaveOptions& options) {
  if (!DepthIsWritable(record)) return formatBadParameters;
  if (DialogSuppressed(record)) return noErr;
  ConverterLibrary library = ConverterLibrary::Load(pluginPath);
  if (!library) return kConverterErr;
  auto configWrite = library.Find<ConfigWriteProc>("ConfigWrite");
  if (configWrite == nullptr) return kConverterErr;
  // The dialog writes into copies, so that only a confirmed dialog can
  // change the options.
  SaveOptions chosen = options;
  const int32_t bitsPerPixel = static_cast<int32_t>(record.planes) * record.depth;
  const int32_t confirmed =
      configWrite(bitsPerPixel, &chosen.compressionType, &chosen.quality, &chosen.code);
  library.Free();
  if (confirmed == 0) return userCanceledErr;
  options = chosen;
  return noErr;
}

void EstimateStart(FormatRecord& record) {
  const DocumentSize size = SizeOf(record);
  int64_t estimate = static_cast<int64_t>(size.rows) * record.planes *
                         RowBytes(record.depth, 1, size.columns) +
                     record.imageRsrcSize + 44;
  if (record.imageMode == plugInModeIndexedColor) estimate += 12;
  if (estimate < 0) estimate = 0;
  if (estimate > kInt32Max) estimate = kInt32Max;
  record.minDataBytes = static_cast<int32_t>(estimate);
  record.maxDataBytes = static_cast<int32_t>(estimate);
  record.data = nullptr;
}

OSErr WriteStart(FormatRecord& record, const PathChar* pluginPath, const SaveOptions& options) {
  if (!DepthIsWritable(record)) return formatBadParameters;
  if (SetFilePointer(FileOf(record), 0, nullptr, FILE_BEGIN) != 0) return kFilePositionErr;

  // A document without pixels, or with a negative size (a 16-bit size
  // member that overflowed), cannot be written faithfully.
  const DocumentSize size = SizeOf(record);
  if (size.rows <= 0 || size.columns <= 0 || record.planes <= 0 || record.depth <= 0)
    return kConverterErr;

  const int64_t rowBytes = RowBytes(record.depth, record.planes, size.columns);
  if (rowBytes > kInt32Max) return memFullErr;
  const uint64_t bufferBytes = static_cast<uint64_t>(rowBytes) * static_cast<uint64_t>(size.rows);
  if (bufferBytes > std::numeric_limits<std::size_t>::max()) return memFullErr;

  record.loPlane = 0;
  record.hiPlane = static_cast<int16_t>(record.planes - 1);
  record.colBytes = record.planes;
  record.rowBytes = static_cast<int32_t>(rowBytes);
  record.planeBytes = 1;

  HostBuffer buffer = HostBuffer::Allocate(static_cast<std::size_t>(bufferBytes));
  if (!buffer) return memFullErr;
  HandedOverBuffer image(record, std::move(buffer));

  if (Uses32BitCoordinates(record)) {
    record.theRect32 = {0, 0, size.rows, size.columns};
  } else {
    record.theRect = {0, 0, static_cast<int16_t>(size.rows), static_cast<int16_t>(size.columns)};
  }

  const OSErr advanced = record.advanceState();
  if (advanced != noErr) return advanced;

  ConverterLibrary library = ConverterLibrary::Load(pluginPath);
  if (!library) return kConverterErr;
  auto convertWrite = library.Find<ConvertWriteProc>("ConvertWrite");
  if (convertWrite == nullptr) return kConverterErr;
  const int32_t written = convertWrite(
      FileOf(record), size.columns, size.rows, record.planes, record.depth, image.data(),
      record.redLUT, record.greenLUT, record.blueLUT, record.transparentIndex,
      options.compressionType, options.quality, options.code, record.imageMode);
  library.Free();
  return written == 0 ? kConverterErr : noErr;
}

}  // namespace dorv::plugin

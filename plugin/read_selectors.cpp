// Read start and read finish.
#include <cstdint>
#include <cstring>
#include <limits>

#include "converter/converts/exports.h"
#include "converter/converts/read_info.h"
#include "plugin/converter_binding.h"
#include "plugin/selectors.h"

namespace dorv::plugin {

using namespace host_api;

namespace {

constexpr int32_t kMax16BitCoordinate = std::numeric_limits<int16_t>::max();

// The converter's pixel block; freed with whatever handle the variable holds.
struct PixelBlock {
  HGLOBAL handle = nullptr;
  PixelBlock() = default;
  PixelBlock(const PixelBlock&) = delete;
  PixelBlock& operator=(const PixelBlock&) = delete;
  ~PixelBlock() {
    if (handle != nullptr) GlobalFree(handle);
  }
};

class BlockLock {
 public:
  explicit BlockLock(HGLOBAL handle) : handle_(handle), bytes_(GlobalLock(handle)) {}
  BlockLock(const BlockLock&) = delete;
  BlockLock& operator=(const BlockLock&) = delete;
  ~BlockLock() {
    if (bytes_ != nullptr) GlobalUnlock(handle_);
  }
  const uint8_t* bytes() const { return static_cast<const uint8_t*>(bytes_); }

 private:
  HGLOBAL handle_;
  void* bytes_;
};

// Converter rows to host rows, one whole row per call.
using RowCopy = void (*)(const uint8_t* source, uint8_t* target, std::size_t width);

void CopyPackedBits(const uint8_t* source, uint8_t* target, std::size_t width) {
  std::memcpy(target, source, (width + 7) / 8);
}

void CopyIndices(const uint8_t* source, uint8_t* target, std::size_t width) {
  std::memcpy(target, source, width);
}

// Blue, green, red, alpha to red, green, blue, transparency.
void CopySwappingRedBlue(const uint8_t* source, uint8_t* target, std::size_t width) {
  for (std::size_t x = 0; x < width; ++x, source += 4, target += 4) {
    target[0] = source[2];
    target[1] = source[1];
    target[2] = source[0];
    target[3] = source[3];
  }
}

struct ImageLayout {
  int16_t mode;
  int16_t depth;
  int16_t planes;
  RowCopy copy;
};

bool LayoutFor(int32_t bpp, ImageLayout& layout) {
  switch (bpp) {
    case 1:
      layout = {plugInModeBitmap, 1, 1, &CopyPackedBits};
      return true;
    case 8:
      layout = {plugInModeIndexedColor, 8, 1, &CopyIndices};
      return true;
    case 32:
      layout = {plugInModeRGBColor, 8, 4, &CopySwappingRedBlue};
      return true;
    default:
      return false;
  }
}

int16_t Clamp16(int32_t value) {
  return static_cast<int16_t>(value > kMax16BitCoordinate ? kMax16BitCoordinate : value);
}

}  // namespace

OSErr ReadStart(FormatRecord& record, const PathChar* pluginPath, HostBuffer& readBuffer) {
  if (SetFilePointer(FileOf(record), 0, nullptr, FILE_BEGIN) != 0) return kFilePositionErr;

  PixelBlock block;
  block.handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8);
  if (block.handle == nullptr) return formatCannotRead;

  uint8_t readInfo[kReadInfoSize] = {};
  uint8_t palette[1024] = {};
  int32_t transparentIndex = -1;
  {
    ConverterLibrary library = ConverterLibrary::Load(pluginPath);
    if (!library) return kConverterErr;
    auto convertRead = library.Find<ConvertReadProc>("ConvertRead");
    if (convertRead == nullptr) return formatCannotRead;
    const HGLOBAL original = block.handle;
    const int32_t read =
        convertRead(FileOf(record), readInfo, &block.handle, palette, &transparentIndex);
    library.Free();
    // A resize that failed leaves the variable null and the first block
    // still allocated: free that one instead of losing it.
    if (block.handle == nullptr) block.handle = original;
    if (read == 0) return formatCannotRead;
  }

  BlockLock lock(block.handle);
  if (lock.bytes() == nullptr) return formatCannotRead;

  const TReadInfoView info(readInfo);
  const int32_t width = info.Width();
  const int32_t height = info.Height();
  const int32_t bpp = info.Bpp();
  const bool uses32 = Uses32BitCoordinates(record);

  // Refuse what the host could not be given faithfully: an unknown pixel
  // format, an empty or negative size, a size beyond the 16-bit fields of a
  // host without 32-bit coordinates, or a block too small for the rows the
  // converter reports.
  ImageLayout layout{};
  if (!LayoutFor(bpp, layout)) return formatCannotRead;
  if (width <= 0 || height <= 0) return formatCannotRead;
  if (!uses32 && (width > kMax16BitCoordinate || height > kMax16BitCoordinate))
    return formatCannotRead;
  const uint64_t sourceStride = (static_cast<uint64_t>(width) * static_cast<uint64_t>(bpp) + 7) / 8;
  const uint64_t rowBytes =
      (static_cast<uint64_t>(layout.depth) * static_cast<uint64_t>(layout.planes) *
           static_cast<uint64_t>(width) +
       7) /
      8;
  if (rowBytes > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
    return formatCannotRead;
  if (GlobalSize(block.handle) / sourceStride < static_cast<uint64_t>(height))
    return formatCannotRead;
  const uint64_t bufferBytes = rowBytes * static_cast<uint64_t>(height);
  if (bufferBytes > std::numeric_limits<std::size_t>::max()) return memFullErr;

  record.imageMode = layout.mode;
  record.depth = layout.depth;
  record.planes = layout.planes;
  record.imageSize.v = Clamp16(height);
  record.imageSize.h = Clamp16(width);
  if (uses32) {
    record.imageSize32.v = height;
    record.imageSize32.h = width;
  }
  if (bpp == 32) record.transparencyPlane = 3;
  record.transparentIndex = transparentIndex;
  record.imageRsrcSize = 0;
  record.colBytes = layout.planes;
  record.rowBytes = static_cast<int32_t>(rowBytes);
  record.planeBytes = 1;

  readBuffer = HostBuffer::Allocate(static_cast<std::size_t>(bufferBytes));
  if (!readBuffer) return memFullErr;
  record.data = readBuffer.data();
  record.canUseICCProfiles = 0;

  if (layout.mode == plugInModeIndexedColor) {
    for (int i = 0; i < 256; ++i) {
      record.redLUT[i] = palette[4 * i + 2];
      record.greenLUT[i] = palette[4 * i + 1];
      record.blueLUT[i] = palette[4 * i];
    }
  }
  record.loPlane = 0;
  record.hiPlane = static_cast<int16_t>(layout.planes - 1);
  if (uses32) {
    record.theRect32 = {0, 0, height, width};
  } else {
    record.theRect = {0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
  }

  const uint8_t* source = lock.bytes();
  uint8_t* target = readBuffer.data();
  for (int32_t y = 0; y < height; ++y, source += sourceStride, target += rowBytes)
    layout.copy(source, target, static_cast<std::size_t>(width));
  return noErr;
}

void ReadFinish(FormatRecord& record, HostBuffer& readBuffer, HostSuites& suites) {
  readBuffer.Reset();
  if (record.imageRsrcData == nullptr) return;
  // Without a handle suite the handle stays with the host, which still owns
  // it; the read itself has completed.
  const HandleSuite2* handles = suites.HandleSuite();
  if (handles == nullptr || handles->Dispose == nullptr) return;
  handles->Dispose(record.imageRsrcData);
  record.imageRsrcData = nullptr;
  record.imageRsrcSize = 0;
}

}  // namespace dorv::plugin

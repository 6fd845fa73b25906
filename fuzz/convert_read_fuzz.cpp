// ConvertRead from bytes, through a memory stream. The first byte selects
// how the rest is taken:
//   even: the rest is the file itself;
//   odd:  the rest is header text, a NUL byte, then the plane records; the
//         header is compressed here, so that mutations of the text reach the
//         frame and layer readers instead of failing the zlib check.
#include <cstring>
#include <vector>

#include "converter/converts/convert_impl.h"
#include "converter/converts/exports.h"
#include "converter/core/errors.h"
#include "converter/streams/stream.h"
#include "converter/streams/zstreams.h"
#include "platform/win32.h"
#include "fuzz_check.h"

namespace {

void IgnoreReport(const char*) {}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> FileFrom(const uint8_t* data, size_t size) {
  if ((data[0] & 1) == 0) return std::vector<uint8_t>(data + 1, data + size);
  const uint8_t* text = data + 1;
  const uint8_t* end = data + size;
  const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(text, 0, static_cast<size_t>(end - text)));
  const uint8_t* planes = nul == nullptr ? end : nul + 1;
  const std::vector<uint8_t> header =
      dorv::CompressBytes(std::span<const uint8_t>(text, static_cast<size_t>((nul == nullptr ? end : nul) - text)));
  std::vector<uint8_t> file{'D', 'o', 'r', 'v', 'X', '2', '0', '0'};
  Put32(file, static_cast<uint32_t>(header.size()));
  file.insert(file.end(), header.begin(), header.end());
  file.insert(file.end(), planes, end);
  return file;
}

}  // namespace

int dorv::fuzz::RunConvertRead(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  dorv::TMemoryStream stream(FileFrom(data, size));
  uint8_t readInfo[dorv::kReadInfoSize] = {};
  uint8_t palette[1024] = {};
  int32_t transparent = 0;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8);
  try {
    const bool ok =
        dorv::ConvertReadFromStream(stream, readInfo, &block, palette, &transparent, IgnoreReport);
    if (ok) {
      // The block holds exactly the rows the read info describes.
      int32_t w, h, bpp;
      std::memcpy(&w, readInfo + 8, 4);
      std::memcpy(&h, readInfo + 12, 4);
      std::memcpy(&bpp, readInfo + 16, 4);
      const uint64_t stride = (static_cast<uint64_t>(bpp) * static_cast<uint64_t>(w) + 7) / 8;
      if ((bpp != 8 && bpp != 32) || GlobalSize(block) != stride * static_cast<uint64_t>(h)) dorv::fuzz::Fail("block size differs from the read info");
      if (bpp == 32 && transparent != -1) dorv::fuzz::Fail("transparent index of a 32-bit result");
    }
  } catch (const dorv::Exception&) {
    // Errors after loading are the export's to turn into false.
  }
  if (block != nullptr) GlobalFree(block);
  return 0;
}

DORV_FUZZ_ENTRY(dorv::fuzz::RunConvertRead)

// The whole-document reader over any file: it raises only its own error,
// every composite and every layer alone has the size it says, and frame 0's
// composite is the block ConvertRead hands the host.
#include <cstring>
#include <exception>
#include <vector>

#include "converter/converts/convert_impl.h"
#include "converter/converts/exports.h"
#include "libdov/document/document.h"
#include "converter/streams/stream.h"
#include "platform/win32.h"
#include "fuzz_check.h"

namespace {

void IgnoreReport(const char*) {}

// ConvertRead's block for the file, or empty when it gives none.
std::vector<uint8_t> HostBlock(const uint8_t* data, size_t size) {
  dorv::TSpanStream stream(data, size);
  uint8_t readInfo[dorv::kReadInfoSize] = {};
  uint8_t palette[1024] = {};
  int32_t transparent = 0;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8);
  std::vector<uint8_t> out;
  try {
    if (dorv::ConvertReadFromStream(stream, readInfo, &block, palette, &transparent, IgnoreReport)) {
      const auto* p = static_cast<const uint8_t*>(GlobalLock(block));
      out.assign(p, p + GlobalSize(block));
      GlobalUnlock(block);
    }
  } catch (const std::exception&) {
  }
  if (block != nullptr) GlobalFree(block);
  return out;
}

}  // namespace

int dorv::fuzz::RunFramesRead(const uint8_t* data, size_t size) {
  using namespace dorv::frames;
  Document doc;
  try {
    doc = ReadDocument(std::span<const uint8_t>(data, size));
  } catch (const FramesError&) {
    return 0;
  } catch (const std::exception&) {
    Fail("ReadDocument raised an error of another kind");
  }
  if (doc.Frames.empty()) Fail("a document without frames was returned");
  for (size_t f = 0; f < doc.Frames.size(); ++f) {
    const Composite& c = doc.Frames[f].Picture;
    if (c.Bpp != 8 && c.Bpp != 32) Fail("composite of neither 8 nor 32 bits");
    const uint64_t stride = (static_cast<uint64_t>(c.Bpp) * static_cast<uint64_t>(c.Width) + 7) / 8;
    if (c.Pixels.size() != stride * static_cast<uint64_t>(c.Height)) Fail("composite size differs from its rows");
    if (c.Bpp == 32 && c.TransparentIndex != -1) Fail("transparent index of a 32-bit composite");
    try {
      if (CompositeToRgba(c).Pixels.size() != static_cast<size_t>(c.Width) * static_cast<size_t>(c.Height) * 4)
        Fail("RGBA composite of another size");
    } catch (const FramesError&) {
    }
    for (size_t l = 0; l < doc.Frames[f].Layers.size(); ++l) {
      try {
        const RgbaImage layer = doc.LayerRgba(f, l);
        if (layer.Pixels.size() != static_cast<size_t>(layer.Width) * static_cast<size_t>(layer.Height) * 4)
          Fail("layer of another size than its rows");
      } catch (const FramesError&) {
      } catch (const std::exception&) {
        Fail("LayerRgba raised an error of another kind");
      }
    }
  }
  const std::vector<uint8_t> host = HostBlock(data, size);
  if (!host.empty() && host != doc.Frames[0].Picture.Pixels) Fail("frame 0 differs from ConvertRead's block");
  return 0;
}

DORV_FUZZ_ENTRY(dorv::fuzz::RunFramesRead)

// Write-then-read of random small images through ConvertWrite and
// ConvertRead: every lossless picture must come back exactly as the write
// rules say (colour order, alpha, black for fully transparent pixels,
// palettes and transparent index); lossy pictures keep their size, depth
// and alpha plane.
#include <cstring>
#include <vector>

#include "converter/converts/convert_impl.h"
#include "converter/core/errors.h"
#include "converter/dorvs/framelist.h"
#include "converter/streams/stream.h"
#include "fuzz_input.h"
#include "platform/win32.h"
#include "fuzz_check.h"

namespace {

struct Format {
  int32_t planes, depth, imageMode;
};

void IgnoreReport(const char*) {}


uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The pixel block a lossless write-then-read gives: 8-bit indices or
// B, G, R, A.
std::vector<uint8_t> Expected(const std::vector<uint8_t>& px, int32_t w, int32_t h, int64_t bpp,
                              int32_t& outBpp) {
  const size_t inStride = static_cast<size_t>((bpp * w + 7) / 8);
  std::vector<uint8_t> out;
  if (bpp == 1 || bpp == 8) {
    outBpp = 8;
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const uint8_t* row = px.data() + inStride * static_cast<size_t>(y);
        out.push_back(bpp == 8 ? row[x] : static_cast<uint8_t>((row[x / 8] >> (7 - x % 8)) & 1));
      }
    return out;
  }
  outBpp = 32;
  const size_t step = static_cast<size_t>(bpp / 8);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint8_t* p = px.data() + inStride * static_cast<size_t>(y) + step * static_cast<size_t>(x);
      uint8_t b, g, r, a;
      if (bpp == 16) {
        a = p[1];
        b = g = r = a > 0 ? p[0] : 0;
      } else if (bpp == 24) {
        r = p[0], g = p[1], b = p[2], a = 255;
      } else {
        a = p[3];
        r = a > 0 ? p[0] : 0, g = a > 0 ? p[1] : 0, b = a > 0 ? p[2] : 0;
      }
      out.insert(out.end(), {b, g, r, a});
    }
  return out;
}

}  // namespace

int dorv::fuzz::RunWriteRead(const uint8_t* data, size_t size) {
  static const Format kFormats[] = {{1, 1, 0}, {1, 8, 0}, {1, 8, 1}, {2, 8, 8}, {3, 8, 3},
                                    {4, 8, 3}, {5, 8, 3}, {1, 33, 3}, {4, 16, 3}, {2, 4, 3}};
  dorv::fuzz::TFuzzInput in(data, size);
  const Format f = in.Pick(kFormats);
  const int32_t w = in.Range(1, 48);
  const int32_t h = in.Range(1, 48);
  const uint8_t ctByte = in.Byte();
  const int32_t compType = ctByte % 3 + (ctByte & 0x80 ? 0x100 : 0);  // only the low byte counts
  const int32_t quality = in.Range(1, 100);
  const int32_t transparent = in.Range(-2, 257);
  const int32_t code = (in.Byte() & 7) == 0 ? static_cast<int32_t>(in.Dword() | 1) : 0;
  const uint8_t opaqueAll = in.Byte();
  const int64_t bpp = static_cast<int64_t>(f.planes) * f.depth;

  const size_t stride = static_cast<size_t>((bpp * w + 7) / 8);
  std::vector<uint8_t> pixels(stride * static_cast<size_t>(h));
  const std::span<const uint8_t> rest = in.Rest();
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = rest.empty() ? 0 : rest[i % rest.size()];
  if ((opaqueAll & 3) == 0 && (bpp == 16 || bpp >= 32)) {
    const size_t step = static_cast<size_t>(bpp / 8), at = bpp == 16 ? 1 : 3;
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) pixels[stride * static_cast<size_t>(y) + step * static_cast<size_t>(x) + at] = 255;
  }
  uint8_t red[256], green[256], blue[256];
  for (int i = 0; i < 256; ++i) {
    red[i] = static_cast<uint8_t>(i * 7);
    green[i] = static_cast<uint8_t>(i ^ 0x5A);
    blue[i] = static_cast<uint8_t>(255 - i);
  }

  dorv::TMemoryStream file;
  const dorv::TWriteRequest request{nullptr, w,     h,           f.planes, f.depth, pixels.data(), red,
                                    green,   blue,  transparent, compType, quality, code,          f.imageMode};
  bool written = false;
  try {
    written = dorv::ConvertWriteToStream(request, file);
  } catch (const dorv::Exception&) {
    Fail("a valid small picture did not save");
  }
  const bool accepted = bpp == 1 || bpp == 8 || bpp == 16 || bpp == 24 || bpp >= 32;
  if (written != accepted) Fail("accepted depths and written files differ");
  if (!written) {
    if (file.Length() != 0) Fail("a refused picture wrote bytes");
    return 0;
  }
  const bool lossy = (compType & 0xFF) == 2 && code == 0 && bpp > 8;
  int32_t expectedBpp = 0;
  const std::vector<uint8_t> expected = Expected(pixels, w, h, bpp, expectedBpp);

  if (code != 0) {
    // Scrambled files are read with their code.
    dorv::TDorvFrameList doc(code);
    file.SetPosition(0);
    try {
      doc.LoadFromStream(file, true);
    } catch (const dorv::Exception&) {
      Fail("a scrambled file does not load with its code");
    }
    const dorv::TDIBSurface& s = doc.GetFrame(0).Surface;
    if (s.Width() != w || s.Height() != h) Fail("a scrambled file changed size");
    return 0;
  }

  file.SetPosition(0);
  uint8_t readInfo[44] = {};
  uint8_t palette[1024] = {};
  int32_t trans = 0;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8);
  bool ok = false;
  try {
    ok = dorv::ConvertReadFromStream(file, readInfo, &block, palette, &trans, IgnoreReport);
  } catch (const dorv::Exception&) {
  }
  if (!ok) Fail("a written file does not read");
  const uint8_t* got = static_cast<const uint8_t*>(GlobalLock(block));
  if (static_cast<int32_t>(Get32(readInfo + 8)) != w || static_cast<int32_t>(Get32(readInfo + 12)) != h ||
      static_cast<int32_t>(Get32(readInfo + 16)) != expectedBpp || GlobalSize(block) != expected.size())
    Fail("read info or block size differ from the picture");
  if (!lossy) {
    if (std::memcmp(got, expected.data(), expected.size()) != 0) Fail("lossless pixels changed");
  } else {
    for (size_t i = 3; i < expected.size(); i += 4)
      if (got[i] != expected[i]) Fail("alpha of a lossy picture changed");  // alpha planes stay zlib-coded
  }
  if (expectedBpp == 8) {
    const bool grey = bpp == 8 && f.imageMode == 1;
    const int32_t wantTrans = (bpp == 8 && !grey && transparent >= 0 && transparent < 256) ? transparent : -1;
    if (trans != wantTrans) Fail("transparent index");
    if (bpp == 1 && (palette[0] != 255 || palette[4] != 0)) Fail("1-bit palette");
    if (bpp == 8 && !grey && (palette[4 * 9] != blue[9] || palette[4 * 9 + 2] != red[9])) Fail("8-bit palette");
    if (grey && palette[4 * 77] != 77) Fail("grey palette");
  } else if (trans != -1) {
    Fail("transparent index of a 32-bit result");
  }
  GlobalUnlock(block);
  GlobalFree(block);
  return 0;
}

DORV_FUZZ_ENTRY(dorv::fuzz::RunWriteRead)

// ConvertDepth: palette widening and the conversion to 32 bits that the read
// path uses to hand a composite to the host.
#include <cstring>
#include <vector>

#include "converter/dibsfc/dibsfc.h"
#include "converter/dsp/kernels.h"

namespace dorv {
namespace {

inline uint32_t OpaqueEntry(const TPaletteEntry& e) {
  return uint32_t{e.Blue} | (uint32_t{e.Green} << 8) | (uint32_t{e.Red} << 16) | 0xFF000000u;
}

// The 16-bit table: each channel shifted up to 8 bits, its freed low bits
// left zero (a 5-bit 31 becomes 248, a 6-bit 63 becomes 252). The top bit of
// a 5-5-5 value is dropped.
std::vector<uint32_t> Table16(int32_t depth) {
  std::vector<uint32_t> lut(65536);
  for (uint32_t v = 0; v < 65536; ++v) {
    const TRGB c = UnpackRGB(LayoutForDepth(depth), v, false);
    lut[v] = PackRGB(kLayout888, c.R, c.G, c.B) | 0xFF000000u;
  }
  return lut;
}

}  // namespace

void TDIBSurface::ConvertDepth(int32_t targetBits, int32_t colorLimit) {
  if (IsEmpty()) return;
  const int32_t depth = Depth();
  if (depth <= 8 && targetBits <= 8 && targetBits >= depth && colorLimit >= (1 << depth)) {
    // Widening: every pixel keeps its index, the old colours keep their
    // entries, the new entries are black, and the pixels are redrawn through
    // the nearest-entry table (which finds every old colour exactly).
    TDIBSurface copy;
    copy.AssignSurface(*this);
    SetBitCount(targetBits);
    const int oldEntries = 1 << depth, newEntries = 1 << BitCount();
    for (int i = 0; i < oldEntries; ++i) Palette[i] = copy.Palette[i];
    for (int i = oldEntries; i < newEntries; ++i) Palette[i] = TPaletteEntry{0, 0, 0, 0};
    CommitPalette();
    DrawConverted(0, 0, -1, copy);
    return;
  }
  if (targetBits != 32) {
    // Never asked for by the read path; the general bit-count change is the
    // closest meaning.
    SetBitCount(targetBits);
    return;
  }

  // To 32 bits: the new store is built and filled before the surface switches
  // to it, so a failed allocation leaves the surface as it was. The alpha
  // plane has the same size and stays untouched.
  const int32_t w = Width(), h = Height();
  auto target = TDIBSharedImage::Build(w, h, 32, Palette, kLayout888);
  uint8_t* out = target->Pixels.get();
  const size_t outRow = size_t(target->RowBytes);
  const dsp::TKernels& run = dsp::Kernels();
  std::vector<uint32_t> lut;
  void (*kernel)(uint8_t*, const uint8_t*, int32_t, const uint32_t*) = nullptr;
  switch (depth) {
    case 1:
      lut.resize(256 * 8);
      for (int b = 0; b < 256; ++b)
        for (int bit = 0; bit < 8; ++bit)
          lut[b * 8 + bit] = OpaqueEntry(Palette[(b >> (7 - bit)) & 1]);
      kernel = run.Bits1To32;
      break;
    case 4:
      lut.resize(256 * 2);
      for (int b = 0; b < 256; ++b) {
        lut[b * 2] = OpaqueEntry(Palette[b >> 4]);
        lut[b * 2 + 1] = OpaqueEntry(Palette[b & 15]);
      }
      kernel = run.Bits4To32;
      break;
    case 8:
      lut.resize(256);
      for (int i = 0; i < 256; ++i) lut[i] = OpaqueEntry(Palette[i]);
      kernel = run.Index8To32;
      break;
    case 15:
    case 16:
      lut = Table16(depth);
      kernel = run.Word16To32;
      break;
    default:
      break;
  }
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* src = RowReadOnly(y);
    uint8_t* dst = out + size_t(y) * outRow;
    if (kernel != nullptr) {
      kernel(dst, src, w, lut.data());
    } else if (depth == 24) {
      run.BgrToBgra(src, dst, size_t(w));
    } else {
      run.Opaque32(dst, src, w);
    }
  }
  SwitchTo(std::move(target));
}

}  // namespace dorv

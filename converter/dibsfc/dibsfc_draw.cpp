// Drawing between surfaces: fills, copies, keyed copies, constant-opacity and
// per-pixel alpha blending, and drawing across depths and palettes. Every
// operation clips once, picks its row kernel by bit count and then runs it
// once per row.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "converter/core/errors.h"
#include "converter/core/messages.h"
#include "converter/dsp/kernels.h"
#include "converter/dibsfc/dibsfc.h"
#include "converter/dibsfc/palette_search.h"
#include "converter/dibsfc/pixel_access.h"

namespace dorv {
namespace {

// Threshold of each destination cell (y mod 4, x mod 4) for constant opacity
// on palette surfaces: level L draws the cells whose threshold is at most L.
constexpr uint8_t kThreshold[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// A drawing after clipping: destination point and a source rectangle that lies
// inside the source surface.
struct Clipped {
  int32_t x = 0, y = 0;
  TRect s;
  int32_t Width() const { return s.Right - s.Left; }
  int32_t Height() const { return s.Bottom - s.Top; }
};

// Moves the left/top edge of the source rectangle and the destination point
// together and cuts the right/bottom edge at the destination's edge. 64-bit
// arithmetic, so no coordinate can wrap.
bool ClipToDestination(const TDIBSurface& dst, int64_t x, int64_t y, TRect source, Clipped& out) {
  int64_t l = source.Left, t = source.Top, r = source.Right, b = source.Bottom;
  if (x < 0) {
    l -= x;
    x = 0;
  }
  if (r + x - l > dst.Width()) r = dst.Width() + l - x;
  if (y < 0) {
    t -= y;
    y = 0;
  }
  if (b + y - t > dst.Height()) b = dst.Height() + t - y;
  if (l >= r || t >= b) return false;
  // The drawn part now lies inside the destination. Only a source rectangle
  // far outside any source can still leave 32 bits: its columns are outside
  // the source (nothing to draw), its rows are refused like any row outside.
  if (l > INT32_MAX || r > INT32_MAX) return false;
  if (t > INT32_MAX || b > INT32_MAX)
    throw EInvalidGraphicOperation(FormatMessage(msg::kScanlineRange, INT32_MAX));
  out.x = static_cast<int32_t>(x);
  out.y = static_cast<int32_t>(y);
  out.s = TRect{static_cast<int32_t>(l), static_cast<int32_t>(t), static_cast<int32_t>(r),
                static_cast<int32_t>(b)};
  return true;
}

// For the drawing operations other than CopyRect the source rectangle must
// lie inside the source. Rows outside it are refused as a row access would
// refuse them; columns outside it are cut off (never read outside a row).
bool KeepInsideSource(const TDIB& src, Clipped& c) {
  if (c.s.Top < 0) throw EInvalidGraphicOperation(FormatMessage(msg::kScanlineRange, c.s.Top));
  if (c.s.Bottom > src.Height())
    throw EInvalidGraphicOperation(FormatMessage(msg::kScanlineRange, src.Height()));
  if (c.s.Left < 0) {
    c.x -= c.s.Left;
    c.s.Left = 0;
  }
  c.s.Right = std::min(c.s.Right, src.Width());
  return c.s.Left < c.s.Right;
}

void RequireSameBitCount(const TDIB& dst, const TDIB& src) {
  if (dst.BitCount() != src.BitCount()) throw EInvalidGraphicOperation(msg::kInvalidPixelFormat);
}

// A key that no pixel of this bit count can have is no key at all.
int64_t EffectiveKey(int32_t key, int32_t bitCount) {
  if (key < 0 || (bitCount < 32 && static_cast<uint32_t>(key) >> bitCount != 0)) return -1;
  return key;
}

template <class F>
void EachRow(TDIBSurface& dst, const TDIB& src, const Clipped& c, F&& f) {
  const int32_t h = c.Height();
  for (int32_t k = 0; k < h; ++k) f(dst.Row(c.y + k), src.RowReadOnly(c.s.Top + k), k);
}

// Sub-byte pixels (1 and 4 bits), any bit offset in source and destination.
void CopySub(uint8_t* d, int64_t dx, const uint8_t* s, int64_t sx, int32_t n, int32_t bits) {
  const int ppb = 8 / bits;  // pixels per byte
  int32_t i = 0;
  if (dx % ppb == sx % ppb) {
    // Same offset within the byte: whole bytes in the middle.
    for (; i < n && (dx + i) % ppb != 0; ++i) pixel::Put(d, dx + i, bits, pixel::Get(s, sx + i, bits));
    const int32_t bytes = (n - i) / ppb;
    if (bytes > 0) {
      std::memcpy(d + (dx + i) / ppb, s + (sx + i) / ppb, size_t(bytes));
      i += bytes * ppb;
    }
  }
  for (; i < n; ++i) pixel::Put(d, dx + i, bits, pixel::Get(s, sx + i, bits));
}

void FillSub(uint8_t* d, int64_t x, int32_t n, int32_t bits, uint32_t v) {
  const int ppb = 8 / bits;
  int32_t i = 0;
  for (; i < n && (x + i) % ppb != 0; ++i) pixel::Put(d, x + i, bits, v);
  const int32_t bytes = (n - i) / ppb;
  if (bytes > 0) {
    const auto pattern = static_cast<uint8_t>(bits == 1 ? (v ? 0xFF : 0x00) : (v * 0x11));
    std::memset(d + (x + i) / ppb, pattern, size_t(bytes));
    i += bytes * ppb;
  }
  for (; i < n; ++i) pixel::Put(d, x + i, bits, v);
}

// Copies the clipped rectangle between two surfaces of one bit count.
void CopyRows(TDIBSurface& dst, const TDIB& src, const Clipped& c) {
  const int32_t bits = dst.BitCount(), n = c.Width();
  const size_t bpp = size_t(bits) / 8;
  EachRow(dst, src, c, [&](uint8_t* d, const uint8_t* s, int32_t) {
    if (bits < 8)
      CopySub(d, c.x, s, c.s.Left, n, bits);
    else
      std::memcpy(d + bpp * size_t(c.x), s + bpp * size_t(c.s.Left), bpp * size_t(n));
  });
}

// Uses a sharing view of the source when a surface draws onto itself, so the
// source keeps its pixels while the destination is written (copy on write).
const TDIBSurface& Unaliased(const TDIBSurface& dst, const TDIBSurface& src, TDIBSurface& view) {
  if (&src != &dst) return src;
  view.Assign(&src);
  return view;
}

}  // namespace

uint32_t TDIBSurface::NearestPaletteIndex(uint8_t r, uint8_t g, uint8_t b) const {
  const int32_t bits = BitCount();
  return NearestEntry(CommittedPalette(), (bits >= 1 && bits <= 8) ? (1 << bits) : 256, r, g, b);
}

uint32_t TDIBSurface::ColorToPixel(uint8_t r, uint8_t g, uint8_t b) const {
  const int32_t depth = Depth();
  if (depth == 1 || depth == 4 || depth == 8) return NearestPaletteIndex(r, g, b);
  return PackRGB(LayoutForDepth(depth), r, g, b);
}

// With expand, the low bits of a non-zero 5- or 6-bit channel become ones.
TRGB TDIBSurface::PixelToColor(uint32_t value, bool expand) const {
  switch (Depth()) {
    case 1:
    case 4:
    case 8: {
      const TPaletteEntry& e = Palette[value & 0xFF];
      return TRGB{e.Red, e.Green, e.Blue};
    }
    case 15:
    case 16: {
      const TPixelLayout& l = LayoutForDepth(Depth());
      TRGB c = UnpackRGB(l, value, false);
      if (expand) {
        if (c.R) c.R = static_cast<uint8_t>(c.R | ((1u << l.RLoss) - 1));
        if (c.G) c.G = static_cast<uint8_t>(c.G | ((1u << l.GLoss) - 1));
        if (c.B) c.B = static_cast<uint8_t>(c.B | ((1u << l.BLoss) - 1));
      }
      return c;
    }
    case 24:
    case 32:
      return TRGB{static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
                  static_cast<uint8_t>(value)};
    default:
      return TRGB{0, 0, 0};
  }
}

void TDIBSurface::FillRect(TRect rect, uint32_t value) {
  rect.Left = std::max(rect.Left, 0);
  rect.Top = std::max(rect.Top, 0);
  rect.Right = std::min(rect.Right, Width());
  rect.Bottom = std::min(rect.Bottom, Height());
  if (rect.IsEmpty()) return;
  const int32_t n = rect.Right - rect.Left, x = rect.Left;
  const dsp::TKernels& run = dsp::Kernels();
  auto rows = [&](auto&& fill) {
    for (int32_t y = rect.Top; y < rect.Bottom; ++y) fill(Row(y));
  };
  switch (Depth()) {
    case 1: rows([&](uint8_t* r) { FillSub(r, x, n, 1, value & 1); }); break;
    case 4: rows([&](uint8_t* r) { FillSub(r, x, n, 4, value & 15); }); break;
    case 8: rows([&](uint8_t* r) { std::memset(r + x, static_cast<uint8_t>(value), size_t(n)); }); break;
    case 15: rows([&](uint8_t* r) { run.Fill16(r + 2 * size_t(x), n, uint16_t(value & 0x7FFF)); }); break;
    case 16: rows([&](uint8_t* r) { run.Fill16(r + 2 * size_t(x), n, uint16_t(value)); }); break;
    case 24: rows([&](uint8_t* r) { run.Fill24(r + 3 * size_t(x), n, value); }); break;
    case 32: rows([&](uint8_t* r) { run.Fill32(r + 4 * size_t(x), n, value); }); break;
    default: break;
  }
}

void TDIBSurface::CopyRect(int32_t x, int32_t y, TRect source, const TDIBSurface& srcIn) {
  TDIBSurface view;
  const TDIBSurface& src = Unaliased(*this, srcIn, view);
  // First the source bounds, moving the destination point along.
  int64_t dx = x, dy = y;
  if (source.Left < 0) {
    dx -= source.Left;
    source.Left = 0;
  }
  if (source.Top < 0) {
    dy -= source.Top;
    source.Top = 0;
  }
  source.Right = std::min(source.Right, src.Width());
  source.Bottom = std::min(source.Bottom, src.Height());
  if (source.IsEmpty()) return;
  Clipped c;
  if (!ClipToDestination(*this, dx, dy, source, c)) return;
  RequireSameBitCount(*this, src);
  CopyRows(*this, src, c);
}

void TDIBSurface::CopyFrom(int32_t x, int32_t y, const TDIBSurface& src) {
  CopyRect(x, y, src.BoundsRect(), src);
}

void TDIBSurface::DrawKeyed(int32_t x, int32_t y, int32_t key, TRect source, const TDIBSurface& srcIn) {
  TDIBSurface view;
  const TDIBSurface& src = Unaliased(*this, srcIn, view);
  Clipped c;
  if (!ClipToDestination(*this, x, y, source, c) || !KeepInsideSource(src, c)) return;
  RequireSameBitCount(*this, src);
  const int32_t bits = BitCount(), n = c.Width();
  const int64_t k = EffectiveKey(key, bits);
  if (k < 0) {
    CopyRows(*this, src, c);
    return;
  }
  const auto kv = static_cast<uint32_t>(k);
  const size_t dx = size_t(c.x), sx = size_t(c.s.Left);
  const dsp::TKernels& run = dsp::Kernels();
  switch (bits) {
    case 1:
    case 4:
      EachRow(*this, src, c, [&](uint8_t* d, const uint8_t* s, int32_t) {
        for (int32_t i = 0; i < n; ++i) {
          const uint32_t v = pixel::Get(s, c.s.Left + i, bits);
          if (v != kv) pixel::Put(d, c.x + i, bits, v);
        }
      });
      break;
    case 8: EachRow(*this, src, c, [&](uint8_t* d, const uint8_t* s, int32_t) { run.Keyed8(d + dx, s + sx, n, uint8_t(kv)); }); break;
    case 16: EachRow(*this, src, c, [&](uint8_t* d, const uint8_t* s, int32_t) { run.Keyed16(d + 2 * dx, s + 2 * sx, n, uint16_t(kv)); }); break;
    case 24: EachRow(*this, src, c, [&](uint8_t* d, const uint8_t* s, int32_t) { run.Keyed24(d + 3 * dx, s + 3 * sx, n, kv); }); break;
    default: EachRow(*this, src, c, [&](uint8_t* d, const uint8_t* s, int32_t) { run.Keyed32(d + 4 * dx, s + 4 * sx, n, kv); }); break;
  }
}

void TDIBSurface::DrawBlended(int32_t x, int32_t y, int32_t opacity, int32_t key, TRect source,
                              const TDIBSurface& srcIn) {
  if (opacity == 0) return;
  const int32_t bits = BitCount();
  const bool palette = bits <= 8;
  const int32_t level = palette && opacity > 0 ? opacity / 16 : 0;
  if (opacity >= 255 || opacity < 0 || (palette && level >= 15)) {
    DrawKeyed(x, y, key, source, srcIn);
    return;
  }
  TDIBSurface view;
  const TDIBSurface& src = Unaliased(*this, srcIn, view);
  Clipped c;
  if (!ClipToDestination(*this, x, y, source, c) || !KeepInsideSource(src, c)) return;
  RequireSameBitCount(*this, src);
  const int32_t n = c.Width();
  // The 24-bit blend compares a pixel's three bytes with the key's low three
  // bytes, so a key with a fourth byte still skips its colour; the keyed copy
  // at full opacity compares the whole value.
  const int64_t k = bits == 24 && key >= 0 ? int64_t{key & 0xFFFFFF} : EffectiveKey(key, bits);
  const auto o = static_cast<uint32_t>(opacity);
  const size_t dx = size_t(c.x), sx = size_t(c.s.Left);
  const dsp::TKernels& run = dsp::Kernels();
  switch (bits) {
    case 1:
    case 4:
      EachRow(*this, src, c, [&](uint8_t* d, const uint8_t* s, int32_t row) {
        const uint8_t* thresholds = kThreshold[(c.y + row) & 3];
        for (int32_t i = 0; i < n; ++i) {
          if (thresholds[(c.x + i) & 3] > level) continue;
          const uint32_t v = pixel::Get(s, c.s.Left + i, bits);
          if (k < 0 || v != static_cast<uint32_t>(k)) pixel::Put(d, c.x + i, bits, v);
        }
      });
      break;
    case 8: {
      // One mask row per row phase, anchored to destination x.
      std::vector<uint8_t> masks(4 * (size_t(n) + 3));
      for (int p = 0; p < 4; ++p)
        for (size_t j = 0; j < size_t(n) + 3; ++j)
          masks[p * (size_t(n) + 3) + j] = kThreshold[p][j & 3] <= level ? 0xFF : 0x00;
      EachRow(*this, src, c, [&](uint8_t* d, const uint8_t* s, int32_t row) {
        const uint8_t* mask = masks.data() + ((c.y + row) & 3) * (size_t(n) + 3) + (c.x & 3);
        run.Dither8(d + dx, s + sx, mask, n, k);
      });
      break;
    }
    case 16: {
      const TPixelLayout& l = CurrentLayout();
      const uint32_t masks[3] = {l.RMask, l.GMask, l.BMask};
      EachRow(*this, src, c, [&](uint8_t* d, const uint8_t* s, int32_t) { run.Blend16(d + 2 * dx, s + 2 * sx, n, o, k, masks); });
      break;
    }
    case 24: EachRow(*this, src, c, [&](uint8_t* d, const uint8_t* s, int32_t) { run.Blend24(d + 3 * dx, s + 3 * sx, n, o, k); }); break;
    case 32: EachRow(*this, src, c, [&](uint8_t* d, const uint8_t* s, int32_t) { run.Blend32(d + 4 * dx, s + 4 * sx, n, o, k); }); break;
    default: break;
  }
}

void TDIBSurface::DrawWithAlpha(int32_t x, int32_t y, int32_t opacity, TRect source,
                                const TDIBSurface& srcIn) {
  const TDIBSurface* plane = srcIn.AlphaPlane();
  if (plane == nullptr) {
    DrawBlended(x, y, opacity, -1, source, srcIn);
    return;
  }
  TDIBSurface view;
  const TDIBSurface& src = Unaliased(*this, srcIn, view);
  Clipped c;
  if (!ClipToDestination(*this, x, y, source, c) || !KeepInsideSource(src, c)) return;
  RequireSameBitCount(*this, src);
  if (plane->BitCount() != 8 || plane->Width() != src.Width() || plane->Height() != src.Height())
    throw EInvalidGraphicOperation(msg::kInvalidPixelFormat);
  const int32_t bits = BitCount(), n = c.Width();
  const size_t dx = size_t(c.x), sx = size_t(c.s.Left);
  const dsp::TKernels& run = dsp::Kernels();
  auto rows = [&](auto&& f) {
    EachRow(*this, src, c, [&](uint8_t* d, const uint8_t* s, int32_t k) {
      f(d, s, plane->RowReadOnly(c.s.Top + k) + sx);
    });
  };
  switch (bits) {
    case 1:
    case 4:
      rows([&](uint8_t* d, const uint8_t* s, const uint8_t* a) {
        for (int32_t i = 0; i < n; ++i)
          if (a[i] >= 128) pixel::Put(d, c.x + i, bits, pixel::Get(s, c.s.Left + i, bits));
      });
      break;
    case 8: rows([&](uint8_t* d, const uint8_t* s, const uint8_t* a) { run.Alpha8(d + dx, s + sx, a, n); }); break;
    case 16: {
      const TPixelLayout& l = CurrentLayout();
      const uint32_t masks[3] = {l.RMask, l.GMask, l.BMask};
      rows([&](uint8_t* d, const uint8_t* s, const uint8_t* a) { run.Alpha16(d + 2 * dx, s + 2 * sx, a, n, masks); });
      break;
    }
    case 24: {
      // Full opacity (also a negative one, which means opaque as in
      // DrawBlended) uses the alpha byte itself and copies at 255; below it
      // the weight is (alpha * opacity) >> 8.
      const bool full = opacity >= 255 || opacity < 0;
      uint8_t table[256];
      for (int a = 0; a < 256; ++a) table[a] = static_cast<uint8_t>(full ? a : (a * opacity) >> 8);
      std::vector<uint8_t> weights(3 * size_t(n));
      rows([&](uint8_t* d, const uint8_t* s, const uint8_t* a) {
        run.ExpandWeights24(weights.data(), a, n, table);
        run.Alpha24(d + 3 * dx, s + 3 * sx, weights.data(), n, full);
      });
      break;
    }
    case 32: rows([&](uint8_t* d, const uint8_t* s, const uint8_t* a) { run.Alpha32(d + 4 * dx, s + 4 * sx, a, n); }); break;
    default: break;
  }
}

void TDIBSurface::DrawConverted(int32_t x, int32_t y, int32_t key, const TDIBSurface& srcIn) {
  TDIBSurface view;
  const TDIBSurface& src = Unaliased(*this, srcIn, view);
  const int32_t dbits = BitCount(), sbits = src.BitCount();
  if (dbits == 0 || sbits == 0) return;
  if (dbits <= 8 && sbits <= 8 && dbits == sbits && key < 0) {
    const size_t entries = size_t(1) << sbits;
    if (std::memcmp(src.Palette.data(), CommittedPalette().data(), entries * sizeof(TPaletteEntry)) == 0) {
      CopyFrom(x, y, src);
      return;
    }
  }
  // Only positions inside the destination are written.
  const int64_t left = std::max<int64_t>(0, -int64_t(x)), top = std::max<int64_t>(0, -int64_t(y));
  const int64_t right = std::min<int64_t>(src.Width(), int64_t(Width()) - x);
  const int64_t bottom = std::min<int64_t>(src.Height(), int64_t(Height()) - y);
  if (left >= right || top >= bottom) return;
  const int64_t k = EffectiveKey(key, sbits);

  // For palette sources one table entry per index; otherwise the conversion
  // runs per pixel.
  std::vector<uint32_t> table;
  if (sbits <= 8) {
    table.resize(size_t(1) << sbits);
    for (size_t i = 0; i < table.size(); ++i) {
      const TRGB c = src.PixelToColor(uint32_t(i), true);
      table[i] = ColorToPixel(c.R, c.G, c.B);
    }
  }
  uint32_t lastValue = 0, lastPixel = 0;
  bool haveLast = false;
  for (int64_t sy = top; sy < bottom; ++sy) {
    const uint8_t* s = src.RowReadOnly(int32_t(sy));
    uint8_t* d = Row(int32_t(sy + y));
    for (int64_t sx = left; sx < right; ++sx) {
      const uint32_t v = pixel::Get(s, sx, sbits);
      if (k >= 0 && v == static_cast<uint32_t>(k)) continue;
      uint32_t out;
      if (!table.empty()) {
        out = table[v];
      } else if (haveLast && v == lastValue) {
        out = lastPixel;
      } else {
        const TRGB c = src.PixelToColor(v, true);
        out = ColorToPixel(c.R, c.G, c.B);
        lastValue = v;
        lastPixel = out;
        haveLast = true;
      }
      pixel::Put(d, sx + x, dbits, out);
    }
  }
}

void TDIBSurface::AssignSurface(const TDIBSurface& src) {
  if (&src == this) return;
  // Sharing the store is as good as a copy: either side copies on its first
  // write. The working palette of the source becomes the committed one.
  TDIB::Assign(&src);
  Palette = src.Palette;
  CommitPalette();
  if (const TDIBSurface* plane = src.AlphaPlane()) {
    auto copy = std::make_unique<TDIBSurface>();
    copy->Assign(plane);
    alpha_ = std::move(copy);
  } else {
    DropAlpha();
  }
}

void TDIBSurface::CopyAlphaFrom(const TDIBSurface& plane) {
  if (&plane == alpha_.get()) return;
  if (plane.BitCount() != 8 || plane.Width() != Width() || plane.Height() != Height()) {
    if (!(plane.IsEmpty() && IsEmpty())) throw EInvalidGraphicOperation(msg::kInvalidPixelFormat);
  }
  EnsureAlpha();
  if (plane.IsEmpty()) return;
  alpha_->Assign(&plane);
}

void TDIBSurface::SetAlphaOpaque() {
  if (!alpha_ || alpha_->IsEmpty()) return;
  std::memset(alpha_->TopRow(), 0xFF, alpha_->SizeBytes());
}

}  // namespace dorv

// Whole-surface conversions of TDIB: bit count changes, greyscale and colour
// counting. The conversions read their source from a temporary TDIB that
// shares the old store, so the old pixels are never copied.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "converter/core/little_endian.h"
#include "converter/dibsfc/dib.h"
#include "converter/dibsfc/palette_search.h"
#include "converter/dibsfc/pixel_access.h"

namespace dorv {
namespace {

// The colour of pixel x of a row of the source: its palette entry for 1, 4
// and 8 bits, else UnpackRGB of its layout.
struct ColourReader {
  const TDIB& src;
  int32_t bits = src.BitCount();
  TRGB operator()(const uint8_t* row, int32_t x) const {
    const uint32_t v = pixel::Get(row, x, bits);
    if (bits <= 8) {
      const TPaletteEntry& e = src.Palette[v];
      return TRGB{e.Red, e.Green, e.Blue};
    }
    return UnpackRGB(src.CurrentLayout(), v);
  }
};

// Fixed palettes for narrowing: black and white; the 16 standard colours;
// 3-3-2 levels of red, green and blue.
constexpr std::array<TPaletteEntry, 16> kSixteen = {{
    {0, 0, 0, 0},       {0, 0, 128, 0},     {0, 128, 0, 0},     {0, 128, 128, 0},
    {128, 0, 0, 0},     {128, 0, 128, 0},   {128, 128, 0, 0},   {192, 192, 192, 0},
    {128, 128, 128, 0}, {0, 0, 255, 0},     {0, 255, 0, 0},     {0, 255, 255, 0},
    {255, 0, 0, 0},     {255, 0, 255, 0},   {255, 255, 0, 0},   {255, 255, 255, 0},
}};

inline uint8_t Level3(int i) { return static_cast<uint8_t>((i * 255 + 3) / 7); }
inline uint8_t Level2(int i) { return static_cast<uint8_t>(i * 85); }

void SetFixedPalette(TPalette& p, int32_t bits) {
  if (bits == 1) {
    p[0] = TPaletteEntry{0, 0, 0, 0};
    p[1] = TPaletteEntry{255, 255, 255, 0};
  } else if (bits == 4) {
    for (int i = 0; i < 16; ++i) p[i] = kSixteen[i];
  } else {
    for (int i = 0; i < 256; ++i) p[i] = TPaletteEntry{Level2(i & 3), Level3((i >> 2) & 7), Level3(i >> 5), 0};
  }
}

// Per-channel nearest level of the 3-3-2 palette; on that grid this is the
// nearest entry by squared distance.
struct Nearest332 {
  std::array<uint8_t, 256> r{}, b{};
  Nearest332() {
    for (int v = 0; v < 256; ++v) {
      int best = 0;
      for (int i = 1; i < 8; ++i)
        if (std::abs(Level3(i) - v) < std::abs(Level3(best) - v)) best = i;
      r[v] = static_cast<uint8_t>(best);
      best = 0;
      for (int i = 1; i < 4; ++i)
        if (std::abs(Level2(i) - v) < std::abs(Level2(best) - v)) best = i;
      b[v] = static_cast<uint8_t>(best);
    }
  }
  uint32_t operator()(TRGB c) const { return (uint32_t(r[c.R]) << 5) | (uint32_t(r[c.G]) << 2) | b[c.B]; }
};

// Weights of the grey value: trunc(0.3588 i), trunc(0.402 i), trunc(0.2392 i),
// in exact integer arithmetic.
struct GreyWeights {
  std::array<uint8_t, 256> r{}, g{}, b{};
  GreyWeights() {
    for (int i = 0; i < 256; ++i) {
      r[i] = static_cast<uint8_t>(897 * i / 2500);
      g[i] = static_cast<uint8_t>(201 * i / 500);
      b[i] = static_cast<uint8_t>(299 * i / 1250);
    }
  }
  uint32_t operator()(TRGB c) const { return uint32_t{r[c.R]} + g[c.G] + b[c.B]; }
};

}  // namespace

void TDIB::SetBitCount(int32_t n) {
  if (n <= 0) {
    Reset();
    return;
  }
  if (IsEmpty()) {
    Allocate(std::max(Width(), 1), std::max(Height(), 1), n);
    return;
  }
  TDIB old;
  old.Assign(this);
  Allocate(Width(), Height(), n);
  if (store_ == old.store_) return;  // same bit count and layout: nothing to do

  const int32_t s = old.BitCount(), d = BitCount(), w = Width(), h = Height();
  const TPixelLayout layout = CurrentLayout();
  const ColourReader colour{old};
  if (s <= 8 && d <= 8 && d >= s) {
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* from = old.RowReadOnly(y);
      uint8_t* to = Row(y);
      for (int32_t x = 0; x < w; ++x) pixel::Put(to, x, d, pixel::Get(from, x, s));
    }
    return;
  }
  if (d > 8) {
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* from = old.RowReadOnly(y);
      uint8_t* to = Row(y);
      for (int32_t x = 0; x < w; ++x) {
        const TRGB c = colour(from, x);
        pixel::Put(to, x, d, PackRGB(layout, c.R, c.G, c.B));  // the fourth byte 0
      }
    }
    return;
  }
  // Narrowing to a palette: a fixed palette and the nearest entry of every
  // colour.
  SetFixedPalette(Palette, d);
  CommitPalette();
  const Nearest332 nearest332;
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* from = old.RowReadOnly(y);
    uint8_t* to = Row(y);
    for (int32_t x = 0; x < w; ++x) {
      const TRGB c = colour(from, x);
      const uint32_t index = d == 8 ? nearest332(c) : NearestEntry(Palette, 1 << d, c.R, c.G, c.B);
      pixel::Put(to, x, d, index);
    }
  }
}

void TDIB::Greyscale(int32_t n) {
  if (IsEmpty()) return;
  TDIB old;
  old.Assign(this);
  Allocate(Width(), Height(), n);
  const int32_t d = BitCount(), w = Width(), h = Height();
  if (d <= 8) {
    Palette.fill(TPaletteEntry{0, 0, 0, 0});
    for (uint32_t i = 0; i < (1u << d); ++i) {
      const uint32_t v = (i << (8 - d)) | ((i << (8 - d)) >> d);
      const auto g = static_cast<uint8_t>(v);
      Palette[i] = TPaletteEntry{g, g, g, 0};
    }
    CommitPalette();
  }
  const GreyWeights grey;
  const ColourReader colour{old};
  const TPixelLayout layout = CurrentLayout();
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* from = old.RowReadOnly(y);
    uint8_t* to = Row(y);
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t v = grey(colour(from, x));
      uint32_t out;
      switch (d) {
        case 1: out = v > 127 ? 1 : 0; break;
        case 4: out = v >> 4; break;
        case 8: out = v; break;
        default: out = PackRGB(layout, uint8_t(v), uint8_t(v), uint8_t(v)); break;
      }
      pixel::Put(to, x, d, out);
    }
  }
}

int32_t TDIB::CountColors() const {
  const int32_t w = Width(), h = Height();
  switch (BitCount()) {
    case 1: {
      const uint32_t first = ReadPixel(0, 0);
      for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = RowReadOnly(y);
        const int32_t whole = w / 8;
        const uint8_t full = first ? 0xFF : 0x00;
        for (int32_t i = 0; i < whole; ++i)
          if (row[i] != full) return 2;
        for (int32_t x = whole * 8; x < w; ++x)
          if (pixel::Get1(row, x) != first) return 2;
      }
      return 1;
    }
    case 4: {
      std::array<bool, 16> seen{};
      int32_t count = 0;
      for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = RowReadOnly(y);
        for (int32_t x = 0; x < w; ++x) {
          const uint32_t v = pixel::Get4(row, x);
          if (!seen[v]) {
            seen[v] = true;
            if (++count == 16) return count;
          }
        }
      }
      return count;
    }
    case 8: {
      std::array<bool, 256> seen{};
      int32_t count = 0;
      for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = RowReadOnly(y);
        for (int32_t x = 0; x < w; ++x) {
          if (!seen[row[x]]) {
            seen[row[x]] = true;
            if (++count == 256) return count;
          }
        }
      }
      return count;
    }
    case 16: {
      std::vector<bool> seen(65536);
      int32_t count = 0;
      for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = RowReadOnly(y);
        for (int32_t x = 0; x < w; ++x) {
          const uint32_t v = pixel::Get16(row, x);
          if (!seen[v]) {
            seen[v] = true;
            ++count;
          }
        }
      }
      return count;
    }
    case 24:
    case 32: {
      // One bit per 24-bit colour (2 MB); the fourth byte of 32-bit pixels
      // is left out.
      std::vector<uint64_t> seen((1u << 24) / 64);
      const int32_t step = BitCount() / 8;
      int32_t count = 0;
      for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = RowReadOnly(y);
        for (int32_t x = 0; x < w; ++x) {
          const uint8_t* p = row + size_t(step) * size_t(x);
          const uint32_t v = le::Load24(p);
          uint64_t& word = seen[v >> 6];
          const uint64_t bit = uint64_t{1} << (v & 63);
          if (!(word & bit)) {
            word |= bit;
            ++count;
          }
        }
      }
      return count;
    }
    default:
      return 0;
  }
}

}  // namespace dorv

// Whole-surface conversions of TDIB: bit count changes, greyscale and colour
// counting. The conversions read their source from a temporary TDIB that
// shares the old store, so the old pixels are never copied.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

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

// Writes every pixel of to as value(row y of from, x).
template <class Value>
void EachPixel(TDIB& to, const TDIB& from, Value&& value) {
  const int32_t bits = to.BitCount(), w = to.Width();
  for (int32_t y = 0; y < to.Height(); ++y) {
    const uint8_t* row = from.RowReadOnly(y);
    uint8_t* out = to.Row(y);
    for (int32_t x = 0; x < w; ++x) pixel::Put(out, x, bits, value(row, x));
  }
}

// The distinct values of kBits-bit pixels, one bit each; 32-bit pixels leave
// out their fourth byte. Stops once every value has been seen.
template <int kBits>
int32_t CountValues(const TDIB& dib) {
  constexpr uint32_t kValues = uint32_t{1} << std::min(kBits, 24);
  std::vector<uint64_t> seen((kValues + 63) / 64);
  int32_t count = 0;
  for (int32_t y = 0; y < dib.Height(); ++y) {
    const uint8_t* row = dib.RowReadOnly(y);
    for (int32_t x = 0; x < dib.Width(); ++x) {
      const uint32_t v = pixel::Get(row, x, kBits) & (kValues - 1);
      uint64_t& word = seen[v >> 6];
      const uint64_t bit = uint64_t{1} << (v & 63);
      if (!(word & bit)) {
        word |= bit;
        if (++count == int32_t(kValues)) return count;
      }
    }
  }
  return count;
}

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

  const int32_t s = old.BitCount(), d = BitCount();
  const TPixelLayout layout = CurrentLayout();
  const ColourReader colour{old};
  if (s <= 8 && d <= 8 && d >= s) {
    EachPixel(*this, old, [&](const uint8_t* row, int32_t x) { return pixel::Get(row, x, s); });
    return;
  }
  if (d > 8) {
    EachPixel(*this, old, [&](const uint8_t* row, int32_t x) {
      const TRGB c = colour(row, x);
      return PackRGB(layout, c.R, c.G, c.B);  // the fourth byte 0
    });
    return;
  }
  // Narrowing to a palette: a fixed palette and the nearest entry of every
  // colour.
  SetFixedPalette(Palette, d);
  CommitPalette();
  const Nearest332 nearest332;
  EachPixel(*this, old, [&](const uint8_t* row, int32_t x) {
    const TRGB c = colour(row, x);
    return d == 8 ? nearest332(c) : NearestEntry(Palette, 1 << d, c.R, c.G, c.B);
  });
}

void TDIB::Greyscale(int32_t n) {
  if (IsEmpty()) return;
  TDIB old;
  old.Assign(this);
  Allocate(Width(), Height(), n);
  const int32_t d = BitCount();
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
  EachPixel(*this, old, [&](const uint8_t* row, int32_t x) {
    const uint32_t v = grey(colour(row, x));
    switch (d) {
      case 1: return v > 127 ? 1u : 0u;
      case 4: return v >> 4;
      case 8: return v;
      default: return PackRGB(layout, uint8_t(v), uint8_t(v), uint8_t(v));
    }
  });
}

int32_t TDIB::CountColors() const {
  switch (BitCount()) {
    case 1: return CountValues<1>(*this);
    case 4: return CountValues<4>(*this);
    case 8: return CountValues<8>(*this);
    case 16: return CountValues<16>(*this);
    case 24: return CountValues<24>(*this);
    case 32: return CountValues<32>(*this);
    default: return 0;
  }
}

}  // namespace dorv

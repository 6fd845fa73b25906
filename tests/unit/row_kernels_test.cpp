// The row kernels between host layouts, surface rows and the pixel block
// against a pixel-by-pixel statement of what each does, for every width from
// 0 to 70 and a long row, at unaligned addresses: every output byte is as
// stated and no byte past the row's end is touched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "converter/dsp/kernels.h"

namespace dorv {
namespace {

constexpr uint8_t kGuard = 0xA5;
constexpr size_t kSlack = 32;  // guard bytes after each output

std::vector<uint8_t> Noise(size_t n, uint32_t seed) {
  std::vector<uint8_t> v(n);
  for (auto& b : v) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(seed >> 24);
    if ((seed & 0x700) == 0) b = 0;  // zero alpha values now and then
  }
  return v;
}

struct Kernel {
  const char* name;
  size_t in, out, alphaOut;  // bytes per pixel: source, output, alpha output
  // Runs the kernel on (source, alpha source, output, alpha output, width)
  // and returns its AND of alpha values (255 where it has none).
  std::function<uint8_t(const uint8_t*, const uint8_t*, uint8_t*, uint8_t*, size_t)> run;
  // The expected output bytes of pixel i.
  std::function<void(const uint8_t* src, const uint8_t* alpha, size_t i, uint8_t* out, uint8_t* alphaOut)> pixel;
};

void PrintTo(const Kernel& k, std::ostream* os) { *os << k.name; }

std::vector<Kernel> Kernels() {
  return {
      {"BgrToBgra", 3, 4, 0,
       [](const uint8_t* s, const uint8_t*, uint8_t* o, uint8_t*, size_t w) { return dsp::Kernels().BgrToBgra(s, o, w), uint8_t{255}; },
       [](const uint8_t* s, const uint8_t*, size_t i, uint8_t* o, uint8_t*) {
         o[0] = s[3 * i], o[1] = s[3 * i + 1], o[2] = s[3 * i + 2], o[3] = 255;
       }},
      {"BgrAlphaToBgra", 3, 4, 0,
       [](const uint8_t* s, const uint8_t* a, uint8_t* o, uint8_t*, size_t w) {
         return dsp::Kernels().BgrAlphaToBgra(s, a, o, w), uint8_t{255};
       },
       [](const uint8_t* s, const uint8_t* a, size_t i, uint8_t* o, uint8_t*) {
         o[0] = s[3 * i], o[1] = s[3 * i + 1], o[2] = s[3 * i + 2], o[3] = a[i];
       }},
      {"RgbToBgr", 3, 3, 0,
       [](const uint8_t* s, const uint8_t*, uint8_t* o, uint8_t*, size_t w) { return dsp::Kernels().RgbToBgr(s, o, w), uint8_t{255}; },
       [](const uint8_t* s, const uint8_t*, size_t i, uint8_t* o, uint8_t*) {
         o[0] = s[3 * i + 2], o[1] = s[3 * i + 1], o[2] = s[3 * i];
       }},
      {"RgbaToBgrAlpha", 4, 3, 1,
       [](const uint8_t* s, const uint8_t*, uint8_t* o, uint8_t* a, size_t w) { return dsp::Kernels().RgbaToBgrAlpha(s, 4, o, a, w); },
       [](const uint8_t* s, const uint8_t*, size_t i, uint8_t* o, uint8_t* a) {
         const uint8_t* p = s + 4 * i;
         const bool shown = p[3] != 0;  // alpha 0 is stored black
         o[0] = shown ? p[2] : 0, o[1] = shown ? p[1] : 0, o[2] = shown ? p[0] : 0, a[0] = p[3];
       }},
      {"RgbaToBgrAlpha (5 bytes a pixel)", 5, 3, 1,
       [](const uint8_t* s, const uint8_t*, uint8_t* o, uint8_t* a, size_t w) { return dsp::Kernels().RgbaToBgrAlpha(s, 5, o, a, w); },
       [](const uint8_t* s, const uint8_t*, size_t i, uint8_t* o, uint8_t* a) {
         const uint8_t* p = s + 5 * i;
         const bool shown = p[3] != 0;
         o[0] = shown ? p[2] : 0, o[1] = shown ? p[1] : 0, o[2] = shown ? p[0] : 0, a[0] = p[3];
       }},
  };
}

class RowKernels : public testing::TestWithParam<Kernel> {};

TEST_P(RowKernels, GiveEveryPixelAsStatedAndStayWithinTheRow) {
  const Kernel& k = GetParam();
  std::vector<size_t> widths;
  for (size_t w = 0; w <= 70; ++w) widths.push_back(w);
  widths.push_back(4099);
  for (size_t w : widths) {
    for (size_t offset : {size_t{0}, size_t{1}, size_t{3}}) {
      SCOPED_TRACE("width " + std::to_string(w) + ", offset " + std::to_string(offset));
      const std::vector<uint8_t> src = Noise(offset + k.in * w, static_cast<uint32_t>(w * 7 + offset));
      const std::vector<uint8_t> alpha = Noise(offset + w, static_cast<uint32_t>(w + 99));
      std::vector<uint8_t> out(offset + k.out * w + kSlack, kGuard), alphaOut(offset + w + kSlack, kGuard);
      std::vector<uint8_t> want = out, wantAlpha = alphaOut;
      uint8_t all = 255;
      for (size_t i = 0; i < w; ++i) {
        k.pixel(src.data() + offset, alpha.data() + offset, i, want.data() + offset + k.out * i,
                wantAlpha.data() + offset + i);
        if (k.alphaOut != 0) all &= wantAlpha[offset + i];
      }
      const uint8_t got = k.run(src.data() + offset, alpha.data() + offset, out.data() + offset,
                                alphaOut.data() + offset, w);
      ASSERT_EQ(out, want);
      if (k.alphaOut != 0) {
        ASSERT_EQ(alphaOut, wantAlpha);
        ASSERT_EQ(got, all);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Table, RowKernels, testing::ValuesIn(Kernels()), [](const auto& info) {
  std::string n;
  for (char c : std::string(info.param.name)) n += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return n;
});

// A row of opaque pixels reports 255 even when the kernel works it in steps.
TEST(RowKernels, AnOpaqueRowIsReportedOpaque) {
  std::vector<uint8_t> rgba(4 * 1000, 255), bgr(3 * 1000 + 16), alpha(1000 + 16);
  EXPECT_EQ(dsp::Kernels().RgbaToBgrAlpha(rgba.data(), 4, bgr.data(), alpha.data(), 1000), 255);
  rgba[4 * 999 + 3] = 254;  // the last pixel, past the wide steps
  EXPECT_EQ(dsp::Kernels().RgbaToBgrAlpha(rgba.data(), 4, bgr.data(), alpha.data(), 1000), 254);
  rgba[4 * 999 + 3] = 255;
  rgba[4 * 2 + 3] = 127;  // within the first step
  EXPECT_EQ(dsp::Kernels().RgbaToBgrAlpha(rgba.data(), 4, bgr.data(), alpha.data(), 1000), 127);
}

// Rows for a JPEG coder: the first clear pixel is found wherever it is
// (first, last, at either side of the 64-pixel steps of the look); the
// caller's row itself comes back unless a pixel is clear, and then a copy
// in which exactly the clear pixels are black.
TEST(RowKernels, ClearPixelsAreBlackInACopyAndOnlyThen) {
  const size_t w = 200;
  std::vector<uint8_t> rgba(4 * w), scratch(4 * w);
  for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<uint8_t>(i % 4 == 3 ? 1 + i % 250 : 7 + i);
  EXPECT_EQ(dsp::Kernels().FirstClearPixel(rgba.data(), w), w);
  EXPECT_EQ(dsp::Kernels().RgbaClearedBlack(rgba.data(), scratch.data(), w, w), rgba.data());
  EXPECT_EQ(dsp::Kernels().RgbaAlphaAnd(rgba.data(), 4, w), 0);  // 1 & 2 & ...
  const std::vector<std::vector<size_t>> clearSets = {{0}, {w - 1}, {63}, {63, 64}, {64}, {127, 128}, {5, 130, w - 1}};
  for (const std::vector<size_t>& clear : clearSets) {
    std::vector<uint8_t> row = rgba;
    for (size_t i : clear) row[4 * i + 3] = 0;
    ASSERT_EQ(dsp::Kernels().FirstClearPixel(row.data(), w), *std::min_element(clear.begin(), clear.end()));
    const uint8_t* out = dsp::Kernels().RgbaClearedBlack(row.data(), scratch.data(), w, clear[0]);
    ASSERT_EQ(out, scratch.data()) << clear[0];
    for (size_t i = 0; i < w; ++i) {
      const bool black = std::find(clear.begin(), clear.end(), i) != clear.end();
      for (size_t c = 0; c < 3; ++c) EXPECT_EQ(out[4 * i + c], black ? 0 : row[4 * i + c]) << clear[0] << " " << i;
    }
    EXPECT_EQ(row[4 * clear[0]], rgba[4 * clear[0]]);  // the caller's row is left alone
  }
  std::vector<uint8_t> opaque(4 * w, 255);
  EXPECT_EQ(dsp::Kernels().RgbaAlphaAnd(opaque.data(), 4, w), 255);
  opaque[4 * (w - 1) + 3] = 254;
  EXPECT_EQ(dsp::Kernels().RgbaAlphaAnd(opaque.data(), 4, w), 254);
}

}  // namespace
}  // namespace dorv

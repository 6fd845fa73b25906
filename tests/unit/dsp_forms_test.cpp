// Every kernel of the table in both forms, plain and SSSE3, over the same
// rows: every width from 0 to 33 (all the tails the wide steps leave) and a
// few longer ones, at unaligned addresses where the kernel takes them. The
// forms must write the same bytes, return the same value and stay within the
// row.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "converter/dsp/kernels.h"

namespace dorv::dsp {
namespace {

constexpr size_t kSlack = 48;  // guard bytes after each output
constexpr size_t kMaxIn = 5;   // bytes a source pixel, at most

std::vector<uint8_t> Noise(size_t n, uint32_t seed) {
  std::vector<uint8_t> v(n);
  for (auto& b : v) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(seed >> 24);
    if ((seed & 0x700) == 0) b = 0;  // now and then a clear alpha or a key
    if ((seed & 0x7000) == 0) b = 255;
  }
  return v;
}

// One row's buffers: two sources, the destination (noise, as drawing reads
// it) and a second output, each at the same unaligned offset.
struct Row {
  std::vector<uint8_t> src, src2, dst, out2;
  size_t at;
  uint8_t* Dst() { return dst.data() + at; }
  uint8_t* Out2() { return out2.data() + at; }
  const uint8_t* Src() const { return src.data() + at; }
  const uint8_t* Src2() const { return src2.data() + at; }
};

Row MakeRow(size_t w, size_t at, uint32_t seed) {
  const size_t n = at + kMaxIn * w + kSlack;
  return Row{Noise(n, seed), Noise(n, seed + 1), Noise(n, seed + 2), Noise(n, seed + 3), at};
}

const uint32_t kMasks565[3] = {0xF800, 0x07E0, 0x001F};

std::vector<uint32_t> Lut(size_t n) {
  std::vector<uint32_t> lut(n);
  for (size_t i = 0; i < n; ++i) lut[i] = static_cast<uint32_t>(i * 2654435761u) | 0xFF000000u;
  return lut;
}

struct Case {
  const char* name;
  // Drawing kernels move whole 16- and 32-bit pixels, which surfaces keep
  // aligned; the layout kernels take rows at any address.
  bool aligned;
  // Runs one kernel of the table on the row; returns what it returns (0
  // where it returns nothing).
  std::function<uint64_t(const TKernels&, Row&, size_t w)> run;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

std::vector<Case> Cases() {
  static const std::vector<uint32_t> lut1 = Lut(256 * 8), lut4 = Lut(256 * 2), lut8 = Lut(256), lut16 = Lut(65536);
  static const auto weights = [] {
    std::vector<uint8_t> t(256);
    for (int a = 0; a < 256; ++a) t[a] = static_cast<uint8_t>((a * 200) >> 8);
    return t;
  }();
  auto n = [](size_t w) { return static_cast<int32_t>(w); };
  return {
      {"Fill16", true, [=](const TKernels& k, Row& r, size_t w) { return k.Fill16(r.Dst(), n(w), 0x1234), 0; }},
      {"Fill24", true, [=](const TKernels& k, Row& r, size_t w) { return k.Fill24(r.Dst(), n(w), 0xABCDEF), 0; }},
      {"Fill32", true, [=](const TKernels& k, Row& r, size_t w) { return k.Fill32(r.Dst(), n(w), 0x89ABCDEFu), 0; }},
      {"Keyed8", true, [=](const TKernels& k, Row& r, size_t w) { return k.Keyed8(r.Dst(), r.Src(), n(w), 0), 0; }},
      {"Keyed16", true, [=](const TKernels& k, Row& r, size_t w) { return k.Keyed16(r.Dst(), r.Src(), n(w), 0), 0; }},
      {"Keyed24", true, [=](const TKernels& k, Row& r, size_t w) { return k.Keyed24(r.Dst(), r.Src(), n(w), 0), 0; }},
      {"Keyed32", true, [=](const TKernels& k, Row& r, size_t w) { return k.Keyed32(r.Dst(), r.Src(), n(w), 0), 0; }},
      {"Blend32", true, [=](const TKernels& k, Row& r, size_t w) { return k.Blend32(r.Dst(), r.Src(), n(w), 77, -1), 0; }},
      {"Blend32Keyed", true, [=](const TKernels& k, Row& r, size_t w) { return k.Blend32(r.Dst(), r.Src(), n(w), 77, 0), 0; }},
      {"Blend24", true, [=](const TKernels& k, Row& r, size_t w) { return k.Blend24(r.Dst(), r.Src(), n(w), 130, -1), 0; }},
      {"Blend24Keyed", true, [=](const TKernels& k, Row& r, size_t w) { return k.Blend24(r.Dst(), r.Src(), n(w), 130, 0), 0; }},
      {"Blend16", true, [=](const TKernels& k, Row& r, size_t w) { return k.Blend16(r.Dst(), r.Src(), n(w), 99, 0, kMasks565), 0; }},
      {"Dither8", true, [=](const TKernels& k, Row& r, size_t w) { return k.Dither8(r.Dst(), r.Src(), r.Src2(), n(w), -1), 0; }},
      {"Dither8Keyed", true, [=](const TKernels& k, Row& r, size_t w) { return k.Dither8(r.Dst(), r.Src(), r.Src2(), n(w), 0), 0; }},
      {"Alpha32", true, [=](const TKernels& k, Row& r, size_t w) { return k.Alpha32(r.Dst(), r.Src(), r.Src2(), n(w)), 0; }},
      {"ExpandWeights24", true, [=](const TKernels& k, Row& r, size_t w) { return k.ExpandWeights24(r.Dst(), r.Src(), n(w), weights.data()), 0; }},
      {"Alpha24", true, [=](const TKernels& k, Row& r, size_t w) { return k.Alpha24(r.Dst(), r.Src(), r.Src2(), n(w), false), 0; }},
      {"Alpha24Full", true, [=](const TKernels& k, Row& r, size_t w) { return k.Alpha24(r.Dst(), r.Src(), r.Src2(), n(w), true), 0; }},
      {"Alpha16", true, [=](const TKernels& k, Row& r, size_t w) { return k.Alpha16(r.Dst(), r.Src(), r.Src2(), n(w), kMasks565), 0; }},
      {"Alpha8", true, [=](const TKernels& k, Row& r, size_t w) { return k.Alpha8(r.Dst(), r.Src(), r.Src2(), n(w)), 0; }},
      {"Index8To32", true, [=](const TKernels& k, Row& r, size_t w) { return k.Index8To32(r.Dst(), r.Src(), n(w), lut8.data()), 0; }},
      {"Bits1To32", true, [=](const TKernels& k, Row& r, size_t w) { return k.Bits1To32(r.Dst(), r.Src(), n(w), lut1.data()), 0; }},
      {"Bits4To32", true, [=](const TKernels& k, Row& r, size_t w) { return k.Bits4To32(r.Dst(), r.Src(), n(w), lut4.data()), 0; }},
      {"Word16To32", true, [=](const TKernels& k, Row& r, size_t w) { return k.Word16To32(r.Dst(), r.Src(), n(w), lut16.data()), 0; }},
      {"Opaque32", true, [=](const TKernels& k, Row& r, size_t w) { return k.Opaque32(r.Dst(), r.Src(), n(w)), 0; }},
      {"BgrToBgra", false, [](const TKernels& k, Row& r, size_t w) { return k.BgrToBgra(r.Src(), r.Dst(), w), 0; }},
      {"BgrAlphaToBgra", false, [](const TKernels& k, Row& r, size_t w) { return k.BgrAlphaToBgra(r.Src(), r.Src2(), r.Dst(), w), 0; }},
      {"BgrxAlphaToBgra", false, [](const TKernels& k, Row& r, size_t w) { return k.BgrxAlphaToBgra(r.Src(), r.Src2(), r.Dst(), w), 0; }},
      {"SetFourthBytes", false, [](const TKernels& k, Row& r, size_t w) { return k.SetFourthBytes(r.Dst(), 0x5A, w), 0; }},
      {"CopyAlphaToFourthBytes", false, [](const TKernels& k, Row& r, size_t w) { return k.CopyAlphaToFourthBytes(r.Src(), r.Dst(), w), 0; }},
      {"RgbToBgr", false, [](const TKernels& k, Row& r, size_t w) { return k.RgbToBgr(r.Src(), r.Dst(), w), 0; }},
      {"RgbaToBgrAlpha", false, [](const TKernels& k, Row& r, size_t w) { return uint64_t{k.RgbaToBgrAlpha(r.Src(), 4, r.Dst(), r.Out2(), w)}; }},
      {"RgbaToBgrAlpha5", false, [](const TKernels& k, Row& r, size_t w) { return uint64_t{k.RgbaToBgrAlpha(r.Src(), 5, r.Dst(), r.Out2(), w)}; }},
      {"RgbaToAlpha", false, [](const TKernels& k, Row& r, size_t w) { return uint64_t{k.RgbaToAlpha(r.Src(), 4, r.Out2(), w)}; }},
      {"RgbaToAlpha5", false, [](const TKernels& k, Row& r, size_t w) { return uint64_t{k.RgbaToAlpha(r.Src(), 5, r.Out2(), w)}; }},
      {"RgbaAlphaAnd", false, [](const TKernels& k, Row& r, size_t w) { return uint64_t{k.RgbaAlphaAnd(r.Src(), 4, w)}; }},
      {"FirstClearPixel", false, [](const TKernels& k, Row& r, size_t w) { return uint64_t{k.FirstClearPixel(r.Src(), w)}; }},
      {"RgbaClearedBlack", false, [](const TKernels& k, Row& r, size_t w) {
         // Where the row comes back, as an offset: the source row or the scratch.
         const uint8_t* got = k.RgbaClearedBlack(r.Src(), r.Dst(), w, k.FirstClearPixel(r.Src(), w));
         return uint64_t{got == r.Src() ? 1u : got == r.Dst() ? 2u : 0u};
       }},
      {"GreyAlphaToBgrAlpha", false, [](const TKernels& k, Row& r, size_t w) { return uint64_t{k.GreyAlphaToBgrAlpha(r.Src(), r.Dst(), r.Out2(), w)}; }},
  };
}

class DspForms : public testing::TestWithParam<Case> {};

TEST_P(DspForms, PlainAndSsse3WriteTheSameBytes) {
  const TKernels* wide = Ssse3Kernels();
  if (wide == nullptr) GTEST_SKIP() << "no SSSE3 here";
  const Case& c = GetParam();
  std::vector<size_t> widths;
  for (size_t w = 0; w <= 33; ++w) widths.push_back(w);
  for (size_t w : {63, 64, 65, 127, 1001}) widths.push_back(w);
  for (size_t w : widths) {
    for (size_t at : c.aligned ? std::vector<size_t>{0, 4, 8} : std::vector<size_t>{0, 1, 3}) {
      SCOPED_TRACE("width " + std::to_string(w) + ", offset " + std::to_string(at));
      const auto seed = static_cast<uint32_t>(w * 31 + at);
      Row plain = MakeRow(w, at, seed), ssse3 = MakeRow(w, at, seed);
      const uint64_t a = c.run(PlainKernels(), plain, w), b = c.run(*wide, ssse3, w);
      ASSERT_EQ(a, b);
      ASSERT_EQ(plain.dst, ssse3.dst);
      ASSERT_EQ(plain.out2, ssse3.out2);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Table, DspForms, testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// The chosen table is one of the two and stays the same.
TEST(DspTable, IsChosenOnce) {
  const TKernels* chosen = &Kernels();
  EXPECT_TRUE(chosen == &PlainKernels() || chosen == Ssse3Kernels());
  EXPECT_EQ(&Kernels(), chosen);
}

}  // namespace
}  // namespace dorv::dsp

// Transparent keys with a fourth byte: a 24-bit blend compares the key's
// low three bytes with the pixel, the keyed copy at full opacity (and every
// 32-bit draw) the whole value.
#include <gtest/gtest.h>

#include "converter/dibsfc/dibsfc.h"
#include "support/doc_helpers.h"
#include "support/dov_writer.h"

namespace dorv::testing {
namespace {

struct KeyCase {
  const char* name;
  int32_t depth, opacity, key;
  uint32_t pixel;     // the source pixel, drawn over 0
  uint32_t expected;  // 0 where the key skips the pixel
};

class BlendKey : public ::testing::TestWithParam<KeyCase> {};

TEST_P(BlendKey, SkipsOrDrawsThePixel) {
  const KeyCase& c = GetParam();
  TDIBSurface src, dst;
  src.Allocate(1, 1, c.depth);
  src.WritePixel(0, 0, c.pixel);
  dst.Allocate(1, 1, c.depth);
  dst.FillRect(dst.BoundsRect(), 0);
  dst.DrawBlended(0, 0, c.opacity, c.key, src.BoundsRect(), src);
  EXPECT_EQ(dst.ReadPixel(0, 0), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Surface, BlendKey,
    ::testing::Values(
        KeyCase{"rgb24_opacity_128_skips_the_low_three_bytes", 24, 128, 0x01112233, 0x112233, 0},
        KeyCase{"rgb24_opacity_16_skips", 24, 16, 0x01112233, 0x112233, 0},
        KeyCase{"rgb24_opacity_254_skips", 24, 254, 0x01112233, 0x112233, 0},
        KeyCase{"rgb24_high_byte_key_skips_only_its_colour", 24, 128, 0x7F112233, 0x112234, 0x08111A},
        KeyCase{"rgb24_plain_key_skips", 24, 128, 0x00112233, 0x112233, 0},
        KeyCase{"rgb24_opacity_255_compares_the_whole_value", 24, 255, 0x01112233, 0x112233, 0x112233},
        KeyCase{"rgb24_negative_opacity_compares_the_whole_value", 24, -1, 0x01112233, 0x112233, 0x112233},
        KeyCase{"rgb24_negative_key_is_no_key", 24, 128, -1, 0xFFFFFF, 0x808080},
        KeyCase{"rgb32_blend_compares_the_whole_word", 32, 128, 0x01112233, 0x00112233, 0x081119},
        KeyCase{"rgb32_blend_skips_the_same_word", 32, 128, 0x01112233, 0x01112233, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// The same keys as a layer's "TransColor": a faded 24-bit layer leaves its
// key-coloured pixels out, an opaque one draws them.
struct LayerKeyCase {
  const char* name;
  int32_t alpha;
  uint32_t keyedPixelShows;
};

class LayerKey : public ::testing::TestWithParam<LayerKeyCase> {};

TEST_P(LayerKey, ComposesAsTheDrawingDoes) {
  DocSpec d;
  FrameSpec f;
  f.width = 2;
  f.height = 1;
  f.bpp = 24;
  LayerSpec bottom;
  bottom.rows = MakeRows(2, 1, 24, [](int, int) { return 0x0000FEu; });
  LayerSpec top;
  top.rows = MakeRows(2, 1, 24, [](int x, int) { return x == 0 ? 0x112233u : 0x0000FEu; });
  top.trans = 0x01112233;
  top.alpha = GetParam().alpha;
  f.layers = {bottom, top};
  d.frames.push_back(f);
  auto doc = LoadDov(WriteDov(d));
  EXPECT_EQ(doc->GetFrame(0).Surface.ReadPixel(0, 0), GetParam().keyedPixelShows);
}

INSTANTIATE_TEST_SUITE_P(Frames, LayerKey,
                         ::testing::Values(LayerKeyCase{"faded_layer_skips_its_key_colour", 128, 0x0000FE},
                                           LayerKeyCase{"opaque_layer_draws_it", 255, 0x112233}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dorv::testing

// Frames composed of a chosen set of layers: leaving a layer out is the same
// as the document hiding it, and choosing one shows it even when hidden.
#include <gtest/gtest.h>

#include <vector>

#include "dov_test_util.h"

namespace {

using dorv::testing::DocSpec;
using dorv::testing::FrameSpec;
using dorv::testing::LayerSpec;
using dorv::testing::MakeRows;

LayerSpec Layer(const char* name, int32_t w, int32_t h, int32_t bpp, uint32_t seed) {
  LayerSpec l;
  l.name = name;
  l.rows = MakeRows(w, h, bpp, [=](int x, int y) {
    const uint32_t v = uint32_t(x * 5 + y * 3) + seed;
    return bpp <= 8 ? v % 7 : v * 0x030507 + seed;
  });
  return l;
}

std::vector<uint8_t> AlphaRows(int32_t w, int32_t h) {
  return MakeRows(w, h, 8, [](int x, int y) { return uint32_t((x * 40 + y * 17) % 256); });
}

// A stack of four layers: an alpha-plane bottom, a keyed one, a half-opaque
// one, and one the document hides.
DocSpec Stack(int32_t bpp, bool notFillBG) {
  constexpr int32_t W = 9, H = 6;
  DocSpec d;
  d.bgColor = 0x00203040;
  d.notFillBG = notFillBG;
  FrameSpec f;
  f.width = W;
  f.height = H;
  f.bpp = bpp;
  f.trans = bpp <= 8 ? 2 : -1;
  if (bpp <= 8)
    for (int i = 0; i < 256; ++i) f.palette.push_back(uint32_t(i * 0x0B0D11) & 0xFFFFFF);
  LayerSpec bottom = Layer("bottom", W, H, bpp, 1);
  bottom.alphaOn = true;
  bottom.alphaRows = AlphaRows(W, H);
  LayerSpec keyed = Layer("keyed", W, H, bpp, 2);
  keyed.trans = bpp <= 8 ? 3 : int32_t(2 * 0x030507 + 2);
  LayerSpec half = Layer("half", W, H, bpp, 3);
  half.alpha = 100;
  LayerSpec hidden = Layer("hidden", W, H, bpp, 4);
  hidden.visible = false;
  hidden.alphaOn = true;
  hidden.alphaRows = AlphaRows(W, H);
  f.layers = {bottom, keyed, half, hidden};
  d.frames.push_back(f);
  return d;
}

std::vector<uint8_t> Flags(unsigned mask, size_t n) {
  std::vector<uint8_t> flags;
  for (size_t i = 0; i < n; ++i) flags.push_back((mask >> i) & 1);
  return flags;
}

struct Case {
  const char* name;
  int32_t bpp;
  bool notFillBG;
};

class ChosenLayers : public ::testing::TestWithParam<Case> {};

TEST_P(ChosenLayers, ComposeAsTheDocumentWouldWithThoseLayersVisible) {
  const DocSpec stack = Stack(GetParam().bpp, GetParam().notFillBG);
  const std::vector<uint8_t> bytes = dorv::testing::WriteDov(stack);
  auto d = dov_test::Read(bytes);
  constexpr size_t W = 9, H = 6, N = W * H;
  for (unsigned mask = 0; mask < 16; ++mask) {
    SCOPED_TRACE(mask);
    DocSpec shown = stack;
    for (size_t l = 0; l < 4; ++l) shown.frames[0].layers[l].visible = (mask >> l) & 1;
    auto expected = dov_test::Read(dorv::testing::WriteDov(shown));
    const std::vector<uint8_t> flags = Flags(mask, 4);

    std::vector<uint8_t> rgba(4 * N);
    ASSERT_EQ(dov_decoder_compose_rgba(d.get(), 0, flags.data(), 4, rgba.data(), 4 * W, rgba.size()), DOV_OK)
        << dov_decoder_error_message(d.get());
    EXPECT_EQ(rgba, dov_test::FrameRgba(expected.get(), 0));

    std::vector<uint8_t> got(N), want(N), gotPal(1024), wantPal(1024);
    int32_t gotKey = 7, wantKey = 7;
    const dov_error code = dov_decoder_frame_indexed(expected.get(), 0, want.data(), W, N, wantPal.data(), &wantKey);
    ASSERT_EQ(dov_decoder_compose_indexed(d.get(), 0, flags.data(), 4, got.data(), W, N, gotPal.data(), &gotKey),
              code);
    if (code == DOV_OK) {
      EXPECT_EQ(got, want);
      EXPECT_EQ(gotPal, wantPal);
      EXPECT_EQ(gotKey, wantKey);
    }
  }
  // No flags: each layer's own visibility, the frame's composite.
  std::vector<uint8_t> rgba(4 * N);
  ASSERT_EQ(dov_decoder_compose_rgba(d.get(), 0, nullptr, 0, rgba.data(), 4 * W, rgba.size()), DOV_OK);
  EXPECT_EQ(rgba, dov_test::FrameRgba(d.get(), 0));
}

INSTANTIATE_TEST_SUITE_P(Stacks, ChosenLayers,
                         ::testing::Values(Case{"rgb24", 24, false}, Case{"rgb24_notfill", 24, true},
                                           Case{"palette8", 8, false}, Case{"palette8_notfill", 8, true},
                                           Case{"rgb16", 16, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ChosenLayers, SamplesComposedOfTheirVisibleLayersAreTheirComposites) {
  for (const char* name : {"animation.dov", "palette4.dov", "highcolor16.dov"}) {
    SCOPED_TRACE(name);
    auto d = dov_test::NewDecoder();
    ASSERT_EQ(dov_decoder_read_file(d.get(), (dov_test::SamplesDir() + "/" + name).c_str()), DOV_OK);
    dov_info info;
    ASSERT_EQ(dov_decoder_get_info(d.get(), &info), DOV_OK);
    for (uint32_t f = 0; f < info.frame_count; ++f) {
      dov_frame_info fi;
      ASSERT_EQ(dov_decoder_get_frame_info(d.get(), f, &fi), DOV_OK);
      std::vector<uint8_t> flags;
      for (uint32_t l = 0; l < fi.layer_count; ++l) {
        dov_layer_info li;
        ASSERT_EQ(dov_decoder_get_layer_info(d.get(), f, l, &li), DOV_OK);
        flags.push_back(li.visible ? 1 : 0);
      }
      std::vector<uint8_t> rgba(4 * size_t{fi.width} * fi.height);
      ASSERT_EQ(dov_decoder_compose_rgba(d.get(), f, flags.data(), fi.layer_count, rgba.data(), 4 * size_t{fi.width},
                                         rgba.size()),
                DOV_OK);
      EXPECT_EQ(rgba, dov_test::FrameRgba(d.get(), f));
    }
  }
}

TEST(ChosenLayers, RefusalsGiveTheirCodes) {
  auto none = dov_test::NewDecoder();
  std::vector<uint8_t> buf(4 * 9 * 6);
  const uint8_t one = 1;
  EXPECT_EQ(dov_decoder_compose_rgba(nullptr, 0, &one, 1, buf.data(), 36, buf.size()), DOV_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(dov_decoder_compose_rgba(none.get(), 0, &one, 1, buf.data(), 36, buf.size()), DOV_ERROR_NO_DOCUMENT);

  auto d = dov_test::Read(dorv::testing::WriteDov(Stack(24, false)));
  EXPECT_EQ(dov_decoder_compose_rgba(d.get(), 1, &one, 1, buf.data(), 36, buf.size()), DOV_ERROR_RANGE);
  EXPECT_EQ(dov_decoder_compose_rgba(d.get(), 0, nullptr, 2, buf.data(), 36, buf.size()), DOV_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(dov_decoder_compose_rgba(d.get(), 0, &one, 1, buf.data(), 35, buf.size()), DOV_ERROR_BUFFER_TOO_SMALL);
  EXPECT_EQ(dov_decoder_compose_rgba(d.get(), 0, &one, 1, buf.data(), 36, buf.size() - 1), DOV_ERROR_BUFFER_TOO_SMALL);
  EXPECT_EQ(dov_decoder_compose_indexed(d.get(), 0, &one, 1, buf.data(), 9, buf.size(), nullptr, nullptr),
            DOV_ERROR_NOT_INDEXED);
  EXPECT_STRNE(dov_decoder_error_message(d.get()), "");
}

TEST(ChosenLayers, APaletteFrameWhoseAlphaBottomIsLeftOutIsIndexedAgain) {
  auto d = dov_test::Read(dorv::testing::WriteDov(Stack(8, false)));
  dov_frame_info fi;
  ASSERT_EQ(dov_decoder_get_frame_info(d.get(), 0, &fi), DOV_OK);
  EXPECT_FALSE(fi.indexed);  // the bottom layer's alpha plane makes colour pixels
  const uint8_t flags[4] = {0, 1, 1, 0};
  std::vector<uint8_t> idx(9 * 6), pal(1024);
  int32_t key = 0;
  ASSERT_EQ(dov_decoder_compose_indexed(d.get(), 0, flags, 4, idx.data(), 9, idx.size(), pal.data(), &key), DOV_OK);
  EXPECT_EQ(key, 2);
  EXPECT_EQ(pal[4 * 2 + 3], 0);
  EXPECT_EQ(pal[4 * 5 + 3], 255);
}

}  // namespace

#include <gtest/gtest.h>

#include "converter/dorvs/framelist.h"
#include "support/doc_helpers.h"

namespace dorv::testing {
namespace {

struct RoundTrip {
  int depth;
  int compType;
  int width;
  bool alpha;
};

uint32_t Value(int depth, int x, int y) {
  const uint32_t v = static_cast<uint32_t>(x * 7919 + y * 104729 + x * y);
  switch (depth) {
    case 1: return v & 1;
    case 4: return v & 15;
    case 8: return v & 255;
    case 15: return v & 0x7FFF;
    case 16: return v & 0xFFFF;
    case 24: return v & 0xFFFFFF;
    default: return v * 2654435761u;
  }
}

class DocumentRoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(DocumentRoundTripTest, SaveThenLoadGivesThePicture) {
  const RoundTrip& c = GetParam();
  const int h = 5;
  TDorvFrameList doc(0);
  doc.BGColor = 0x010203;
  TDorvFrame& f = doc.AddFrame();
  f.TransColor = c.depth <= 8 ? 1 : -1;
  f.Name = "Frame & <one>";
  f.Surface.Allocate(c.width, h, c.depth);
  for (int i = 0; i < 256; ++i)
    f.Surface.Palette[static_cast<size_t>(i)] =
        TPaletteEntry{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3), 0};
  f.Surface.CommitPalette();
  const bool lossy = c.compType == 2 && c.depth > 8;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < c.width; ++x)
      f.Surface.WritePixel(x, y, lossy ? f.Surface.ColorToPixel(static_cast<uint8_t>(40 + x * 8),
                                                                 static_cast<uint8_t>(60 + y * 10), 128)
                                       : Value(c.depth, x, y));
  if (c.alpha) {
    f.Surface.EnsureAlpha();
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < c.width; ++x) f.Surface.AlphaPlane()->WritePixel(x, y, static_cast<uint32_t>(x * 9 + y));
  }

  auto back = LoadDov(SaveDov(doc, c.compType, 90));
  ASSERT_EQ(back->Count(), 1);
  const TDorvFrame& g = back->GetFrame(0);
  EXPECT_EQ(g.TransColor, f.TransColor);
  EXPECT_EQ(g.Name, f.Name);
  EXPECT_EQ(back->BGColor, 0x010203);
  ASSERT_EQ(g.Surface.Width(), c.width);
  ASSERT_EQ(g.Surface.Depth(), c.depth);
  if (lossy) {
    // Lossy: close to the original colours.
    int worst = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < c.width; ++x) {
        const TRGB a = f.Surface.PixelToColor(f.Surface.ReadPixel(x, y), false);
        const TRGB b = g.Surface.PixelToColor(g.Surface.ReadPixel(x, y), false);
        worst = std::max({worst, std::abs(a.R - b.R), std::abs(a.G - b.G), std::abs(a.B - b.B)});
      }
    EXPECT_LE(worst, c.depth <= 16 ? 32 : 16);  // 5- and 6-bit channels add their steps
  } else {
    EXPECT_EQ(Pixels(g.Surface), Pixels(f.Surface));
  }
  if (c.depth <= 8) {
    for (int i = 0; i < (1 << c.depth); ++i)
      EXPECT_EQ(g.Surface.Palette[static_cast<size_t>(i)], f.Surface.Palette[static_cast<size_t>(i)]);
  }
  if (c.alpha) {
    ASSERT_NE(g.Surface.AlphaPlane(), nullptr);
    EXPECT_EQ(Pixels(*g.Surface.AlphaPlane()), Pixels(*f.Surface.AlphaPlane()));
  } else {
    EXPECT_EQ(g.Surface.AlphaPlane(), nullptr);
  }
}

std::vector<RoundTrip> Cases() {
  std::vector<RoundTrip> v;
  for (int depth : {1, 4, 8, 15, 16, 24, 32})
    for (int ct : {0, 1, 2})
      for (int w : {1, 3, 13})
        for (bool alpha : {false, true}) {
          if (ct == 2 && depth <= 8) continue;  // no lossy coding of palette pictures
          v.push_back({depth, ct, w, alpha});
        }
  return v;
}

INSTANTIATE_TEST_SUITE_P(AllDepths, DocumentRoundTripTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) {
                           return std::to_string(info.param.depth) + "bpp_ct" + std::to_string(info.param.compType) +
                                  "_w" + std::to_string(info.param.width) + (info.param.alpha ? "_alpha" : "");
                         });

TEST(DocumentRoundTrip, ScrambledDocumentNeedsItsCode) {
  TDorvFrameList doc(0x61626364);
  TDorvFrame& f = doc.AddFrame();
  f.Surface.Allocate(6, 40, 24);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 6; ++x) f.Surface.WritePixel(x, y, static_cast<uint32_t>(y * 1000 + x));
  const auto bytes = SaveDov(doc, 0, 70);
  EXPECT_EQ(LoadError(bytes, 0), "識別コードを設定してください");
  auto back = LoadDov(bytes, 0x61626364);
  EXPECT_EQ(Pixels(back->GetFrame(0).Surface), Pixels(f.Surface));
  // The rows are stored out of order.
  auto wrong = LoadDov(bytes, 0x61626365);
  EXPECT_NE(Pixels(wrong->GetFrame(0).Surface), Pixels(f.Surface));
}

}  // namespace
}  // namespace dorv::testing

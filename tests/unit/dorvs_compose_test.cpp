#include <gtest/gtest.h>

#include "converter/dorvs/framelist.h"
#include "converter/streams/stream.h"
#include "support/doc_helpers.h"
#include "support/dov_writer.h"

namespace dorv::testing {
namespace {

constexpr int W = 8, H = 4;

LayerSpec Solid(int bpp, uint32_t value) {
  LayerSpec l;
  l.rows = MakeRows(W, H, bpp, [=](int, int) { return value; });
  return l;
}

// Left half key-coloured (value key), right half `value`.
LayerSpec HalfKeyed(int bpp, uint32_t key, uint32_t value) {
  LayerSpec l;
  l.rows = MakeRows(W, H, bpp, [=](int x, int) { return x < W / 2 ? key : value; });
  l.trans = static_cast<int32_t>(key);
  return l;
}

DocSpec Doc(int bpp, std::vector<LayerSpec> layers, bool notFillBG, int32_t bg = 0x0000FF) {
  DocSpec d;
  d.bgColor = bg;
  d.notFillBG = notFillBG;
  FrameSpec f;
  f.width = W;
  f.height = H;
  f.bpp = bpp;
  if (bpp <= 8) {
    f.palette.assign(256, 0);
    f.palette[1] = 0x0000FF;  // red
    f.palette[2] = 0x00FF00;  // green
    f.palette[3] = 0xFF0000;  // blue
  }
  f.layers = std::move(layers);
  d.frames.push_back(f);
  return d;
}

const TDIBSurface& Composite(const std::unique_ptr<TDorvFrameList>& doc) { return doc->GetFrame(0).Surface; }

TEST(Composition, NotFillBGDecidesWhetherTheBottomKeyShowsTheBackground) {
  // Background red (0x0000FF as 0x00BBGGRR) is 0xFF0000 as a 24-bit pixel.
  auto shown = LoadDov(WriteDov(Doc(24, {HalfKeyed(24, 0x00FF00, 0x0000FF)}, false)));
  EXPECT_EQ(Composite(shown).ReadPixel(0, 0), 0xFF0000u);
  EXPECT_EQ(Composite(shown).ReadPixel(7, 3), 0x0000FFu);
  auto kept = LoadDov(WriteDov(Doc(24, {HalfKeyed(24, 0x00FF00, 0x0000FF)}, true)));
  EXPECT_EQ(Composite(kept).ReadPixel(0, 0), 0x00FF00u);
}

TEST(Composition, InvisibleBottomLayerDoesNotTakeTheBottomTreatment) {
  LayerSpec hidden = Solid(24, 0x123456);
  hidden.visible = false;
  auto doc = LoadDov(WriteDov(Doc(24, {hidden, HalfKeyed(24, 0x00FF00, 0x0000FF)}, true)));
  EXPECT_EQ(Composite(doc).ReadPixel(0, 0), 0x00FF00u);  // copied whole, key included
  EXPECT_EQ(Composite(doc).ReadPixel(5, 0), 0x0000FFu);
  // The upper layer of two visible ones is drawn with its key.
  auto two = LoadDov(WriteDov(Doc(24, {Solid(24, 0x123456), HalfKeyed(24, 0x00FF00, 0x0000FF)}, true)));
  EXPECT_EQ(Composite(two).ReadPixel(0, 0), 0x123456u);
}

TEST(Composition, BottomAlphaPlaneBecomesTheCompositesAlpha) {
  LayerSpec l = Solid(24, 0xFFFFFF);
  l.alphaOn = true;
  l.alphaRows = MakeRows(W, H, 8, [](int x, int) { return static_cast<uint32_t>(x * 30); });
  auto doc = LoadDov(WriteDov(Doc(24, {l}, false)));
  const TDIBSurface& s = Composite(doc);
  ASSERT_NE(s.AlphaPlane(), nullptr);
  EXPECT_EQ(s.AlphaPlane()->ReadPixel(3, 2), 90u);
  EXPECT_EQ(s.ReadPixel(0, 0), 0xFFFFFFu);  // the bottom layer is copied, not blended
  // Without AlphaOn the plane takes no part.
  l.alphaOn = false;
  auto off = LoadDov(WriteDov(Doc(24, {l}, false)));
  EXPECT_EQ(Composite(off).AlphaPlane(), nullptr);
}

TEST(Composition, UpperAlphaPlaneBlendsThroughItsValues) {
  LayerSpec top = Solid(24, 0xFFFFFF);
  top.alphaOn = true;
  top.alphaRows = MakeRows(W, H, 8, [](int x, int) { return x == 0 ? 0u : x == 1 ? 128u : 255u; });
  auto doc = LoadDov(WriteDov(Doc(24, {Solid(24, 0), top}, false)));
  const TDIBSurface& s = Composite(doc);
  EXPECT_EQ(s.ReadPixel(0, 0), 0u);
  EXPECT_EQ(s.ReadPixel(1, 0), 0x7F7F7Fu);  // (255 * 128) >> 8
  EXPECT_EQ(s.ReadPixel(2, 0), 0xFFFFFFu);
  EXPECT_EQ(s.AlphaPlane(), nullptr);
}

TEST(Composition, FirstVisibleLayerAboveAnInvisibleOneGetsCopyAndDraw) {
  LayerSpec hidden = Solid(24, 0x123456);
  hidden.visible = false;
  LayerSpec top = Solid(24, 0xFFFFFF);
  top.alphaOn = true;
  top.alphaRows = MakeRows(W, H, 8, [](int, int) { return 128u; });
  auto doc = LoadDov(WriteDov(Doc(24, {hidden, top}, false, 0)));
  const TDIBSurface& s = Composite(doc);
  ASSERT_NE(s.AlphaPlane(), nullptr);
  EXPECT_EQ(s.AlphaPlane()->ReadPixel(0, 0), 128u);
  EXPECT_EQ(s.ReadPixel(0, 0), 0x7F7F7Fu);  // drawn through the plane over black
}

TEST(Composition, OpacityOnPaletteFramesDithersFromDestinationCoordinates) {
  LayerSpec top = Solid(8, 2);
  top.alpha = 128;
  auto doc = LoadDov(WriteDov(Doc(8, {Solid(8, 1), top}, false)));
  const TDIBSurface& s = Composite(doc);
  // Level 8 draws thresholds 0 to 8 of the 4 x 4 matrix.
  const int drawn[4][4] = {{1, 1, 1, 0}, {0, 1, 0, 1}, {1, 0, 1, 0}, {0, 1, 0, 1}};
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) EXPECT_EQ(s.ReadPixel(x, y), drawn[y % 4][x % 4] ? 2u : 1u) << x << "," << y;
}

TEST(Composition, NoLayersLeavesTheBackground) {
  auto doc = LoadDov(WriteDov(Doc(8, {}, false, 0xFF0000)));  // blue, palette entry 3
  for (uint32_t v : Pixels(Composite(doc))) EXPECT_EQ(v, 3u);
}

TEST(Composition, TheBackgroundShowsWhereverNoLayerReplacedIt) {
  // A hidden layer, then a keyed one: the key shows the background.
  LayerSpec hidden = Solid(8, 2);
  hidden.visible = false;
  auto keyed = LoadDov(WriteDov(Doc(8, {hidden, HalfKeyed(8, 2, 1)}, false, 0xFF0000)));
  EXPECT_EQ(Composite(keyed).ReadPixel(0, 0), 3u);
  EXPECT_EQ(Composite(keyed).ReadPixel(7, 0), 1u);
  // Only hidden layers: all background.
  auto none = LoadDov(WriteDov(Doc(8, {hidden}, false, 0xFF0000)));
  for (uint32_t v : Pixels(Composite(none))) EXPECT_EQ(v, 3u);
  // A frame whose first layer cannot be read is left showing the background.
  LayerSpec broken = Solid(8, 1);
  broken.colourLength = 1 << 30;
  const std::vector<uint8_t> file = WriteDov(Doc(8, {broken}, false, 0xFF0000));
  TSpanStream in(file.data(), file.size());
  TDorvFrameList doc(0);
  EXPECT_ANY_THROW(doc.LoadFromStream(in, true));
  ASSERT_EQ(doc.Count(), 1);
  for (uint32_t v : Pixels(doc.GetFrame(0).Surface)) EXPECT_EQ(v, 3u);
}

TEST(Composition, OpacityBlendsDirectColour) {
  LayerSpec top = Solid(24, 0xFFFFFF);
  top.alpha = 128;
  auto doc = LoadDov(WriteDov(Doc(24, {Solid(24, 0), top}, false)));
  EXPECT_EQ(Composite(doc).ReadPixel(3, 3), 0x808080u);  // 32640 div 255
}

}  // namespace
}  // namespace dorv::testing

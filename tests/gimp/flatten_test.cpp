// Layers placed on the canvas as frames: offsets and sizes clipped, the rest
// clear, opacity applied; indexed layers keep their indices where they can.
#include <gtest/gtest.h>

#include "gimp/flatten.h"

namespace dorv::gimp {
namespace {

// A w x h RGBA layer whose pixel (x, y) is (x, y, 7, alpha).
LayerPixels RgbaLayer(int32_t w, int32_t h, int32_t ox, int32_t oy, double opacity = 100, uint8_t alpha = 255) {
  LayerPixels l;
  l.width = w;
  l.height = h;
  l.offsetX = ox;
  l.offsetY = oy;
  l.opacity = opacity;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      l.rows.insert(l.rows.end(), {uint8_t(x), uint8_t(y), 7, alpha});
  return l;
}

struct PlaceCase {
  const char* what;
  int32_t w, h, ox, oy;
  // Canvas pixel probed, and the layer pixel expected there (-1: clear).
  int32_t cx, cy, lx, ly;
};

class RgbaPlacement : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(RgbaPlacement, PutsLayerPixelsAtTheirCanvasPlace) {
  const PlaceCase& c = GetParam();
  const std::vector<uint8_t> canvas = FlattenRgba(RgbaLayer(c.w, c.h, c.ox, c.oy), 8, 6);
  ASSERT_EQ(canvas.size(), 8u * 6 * 4);
  const uint8_t* px = &canvas[(size_t(c.cy) * 8 + size_t(c.cx)) * 4];
  if (c.lx < 0) {
    EXPECT_EQ(px[3], 0) << c.what;
  } else {
    EXPECT_EQ(px[0], c.lx) << c.what;
    EXPECT_EQ(px[1], c.ly) << c.what;
    EXPECT_EQ(px[3], 255) << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RgbaPlacement,
    ::testing::Values(PlaceCase{"canvas-sized", 8, 6, 0, 0, 5, 4, 5, 4},
                      PlaceCase{"offset inside", 3, 2, 4, 3, 5, 4, 1, 1},
                      PlaceCase{"beside an offset layer", 3, 2, 4, 3, 3, 3, -1, -1},
                      PlaceCase{"negative offset", 8, 6, -2, -3, 0, 0, 2, 3},
                      PlaceCase{"past the right edge", 6, 6, 5, 0, 7, 2, 2, 2},
                      PlaceCase{"wholly outside", 4, 4, 20, 20, 0, 0, -1, -1},
                      PlaceCase{"wholly outside, negative", 4, 4, -4, -4, 0, 0, -1, -1},
                      PlaceCase{"larger than the canvas", 30, 30, -10, -10, 7, 5, 17, 15}));

TEST(RgbaPlacement, AppliesOpacityToAlpha) {
  struct {
    double opacity;
    uint8_t alpha, expected;
  } cases[] = {{100, 255, 255}, {50, 255, 128}, {50, 100, 50}, {0, 255, 0}, {-5, 255, 0}, {130, 40, 40}};
  for (const auto& c : cases) {
    const std::vector<uint8_t> canvas = FlattenRgba(RgbaLayer(2, 2, 0, 0, c.opacity, c.alpha), 2, 2);
    EXPECT_EQ(canvas[3], c.expected) << c.opacity << "% of " << int(c.alpha);
    EXPECT_EQ(canvas[0], 0);  // colour kept (straight alpha)
  }
}

TEST(RgbaPlacement, RefusesShortLayersAndEmptyCanvases) {
  LayerPixels shortLayer = RgbaLayer(4, 4, 0, 0);
  shortLayer.rows.resize(10);
  EXPECT_THROW(FlattenRgba(shortLayer, 4, 4), std::invalid_argument);
  EXPECT_THROW(FlattenRgba(RgbaLayer(1, 1, 0, 0), 0, 4), std::invalid_argument);
}

// An indexed layer: index (x + y) % 4, alpha as given per pixel.
LayerPixels IndexedLayer(int32_t w, int32_t h, std::vector<uint8_t> alphas = {}, int32_t ox = 0, int32_t oy = 0,
                         double opacity = 100) {
  LayerPixels l;
  l.width = w;
  l.height = h;
  l.offsetX = ox;
  l.offsetY = oy;
  l.opacity = opacity;
  l.hasAlpha = !alphas.empty();
  l.channels = l.hasAlpha ? 2 : 1;
  for (int32_t i = 0; i < w * h; ++i) {
    l.rows.push_back(uint8_t((i % w + i / w) % 4));
    if (l.hasAlpha) l.rows.push_back(alphas[size_t(i) % alphas.size()]);
  }
  return l;
}

struct IndexedCase {
  const char* what;
  LayerPixels layer;
  int mapSize;
  bool held;            // false: must fall back to RGBA
  int32_t transparent;  // when held
};

class IndexedPlacement : public ::testing::TestWithParam<IndexedCase> {};

TEST_P(IndexedPlacement, KeepsIndicesOrFallsBack) {
  const IndexedCase& c = GetParam();
  const std::optional<IndexedFrame> frame = FlattenIndexed(c.layer, 4, 4, c.mapSize);
  ASSERT_EQ(frame.has_value(), c.held) << c.what;
  if (!frame) return;
  EXPECT_EQ(frame->transparent, c.transparent) << c.what;
  // Every canvas pixel is the layer's index where it is opaque, else the clear one.
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) {
      const int32_t lx = x - c.layer.offsetX, ly = y - c.layer.offsetY;
      const bool inside = lx >= 0 && ly >= 0 && lx < c.layer.width && ly < c.layer.height;
      const size_t at = inside ? size_t(ly * c.layer.width + lx) : 0;
      const bool opaque = inside && c.layer.opacity > 0 &&
                          (!c.layer.hasAlpha || c.layer.rows[at * 2 + 1] == 255);
      const int expected = opaque ? c.layer.rows[at * size_t(c.layer.channels)] : c.transparent;
      EXPECT_EQ(frame->indices[size_t(y) * 4 + size_t(x)], expected) << c.what << " at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IndexedPlacement,
    ::testing::Values(
        IndexedCase{"opaque, no alpha channel", IndexedLayer(4, 4), 4, true, -1},
        IndexedCase{"opaque alpha channel", IndexedLayer(4, 4, {255}), 4, true, -1},
        IndexedCase{"clear pixels take the index past the map", IndexedLayer(4, 4, {255, 0}), 4, true, 4},
        IndexedCase{"full map: an index no opaque pixel uses", IndexedLayer(4, 4, {255, 0}), 256, true, 255},
        IndexedCase{"bare canvas is clear", IndexedLayer(2, 2, {}, 1, 1), 16, true, 16},
        IndexedCase{"invisible at opacity 0", IndexedLayer(4, 4, {}, 0, 0, 0), 8, true, 8},
        IndexedCase{"half-clear pixels cannot be indices", IndexedLayer(4, 4, {255, 128}), 4, false, 0},
        IndexedCase{"half opacity cannot be indices", IndexedLayer(4, 4, {}, 0, 0, 50), 4, false, 0}));

TEST(IndexedPlacement, FullMapUsedEverywhereFallsBack) {
  // 256 colours all used, one pixel clear: no index is left for it.
  LayerPixels l;
  l.width = 257;
  l.height = 1;
  l.channels = 2;
  for (int i = 0; i < 257; ++i) l.rows.insert(l.rows.end(), {uint8_t(i % 256), uint8_t(i == 256 ? 0 : 255)});
  EXPECT_FALSE(FlattenIndexed(l, 257, 1, 256).has_value());
}

TEST(IndexedPlacement, ExpandsToRgbaThroughTheMap) {
  const std::vector<uint8_t> map = {10, 11, 12, 20, 21, 22, 30, 31, 32, 40, 41, 42};
  const std::vector<uint8_t> rgba = IndexedToRgba(IndexedLayer(4, 4, {255, 0}), map, 4, 4);
  // Pixel (1, 0): index 1, clear; pixel (2, 0): index 2, opaque.
  EXPECT_EQ(rgba[1 * 4 + 3], 0);
  EXPECT_EQ(std::vector<uint8_t>(rgba.begin() + 8, rgba.begin() + 12), (std::vector<uint8_t>{30, 31, 32, 255}));
}

}  // namespace
}  // namespace dorv::gimp

// Documents opened as layer plans and images saved as frames, through
// libdov: what GIMP is handed on opening is each frame's composite, and what
// a save writes reads back as the layers placed on the canvas. Input
// documents are made, and saved ones checked, with the project's own
// whole-document writer and reader.
#include <gtest/gtest.h>

#include "gimp/encode_frames.h"
#include "gimp/load_plan.h"
#include "gimp/read_document.h"
#include "gimp/save_plan.h"
#include "libdov/document/document.h"
#include "support/dov_writer.h"

namespace dorv::gimp {
namespace {

using frames::Picture;
using frames::PictureKind;

Picture PalettePicture(int32_t w, int32_t h, uint8_t seed, int32_t transparent, int32_t delay,
                       std::array<uint8_t, 3> first = {200, 10, 10}) {
  Picture p;
  p.Kind = PictureKind::Palette8;
  p.Width = w;
  p.Height = h;
  p.TransparentIndex = transparent;
  p.DelayMilliseconds = delay;
  p.Palette = {first, {10, 200, 10}, {10, 10, 200}, {250, 250, 250}};
  for (int32_t i = 0; i < w * h; ++i) p.Pixels.push_back(uint8_t((i + seed) % 4));
  return p;
}

Picture RgbaPicture(int32_t w, int32_t h, uint8_t alpha) {
  Picture p;
  p.Width = w;
  p.Height = h;
  for (int32_t i = 0; i < w * h; ++i) p.Pixels.insert(p.Pixels.end(), {uint8_t(i), 50, uint8_t(255 - i), alpha});
  return p;
}

DecoderHandle Read(std::span<const uint8_t> bytes) { return ReadDocument(bytes); }
DecoderHandle Read(const std::vector<Picture>& pictures) { return Read(frames::WriteDocument(pictures)); }

TEST(OpeningPlan, PaletteFramesOfOnePaletteOpenIndexedWithTheirTransparentIndex) {
  const ImagePlan plan = PlanImage(*Read({PalettePicture(6, 4, 0, 2, 100), PalettePicture(6, 4, 1, 2, 250)}));
  ASSERT_TRUE(plan.indexed);
  ASSERT_EQ(plan.layers.size(), 2u);
  EXPECT_EQ(plan.colormap.size(), 768u);
  EXPECT_EQ(std::vector<uint8_t>(plan.colormap.begin(), plan.colormap.begin() + 6),
            (std::vector<uint8_t>{200, 10, 10, 10, 200, 10}));
  EXPECT_EQ(plan.layers[0].name, "Frame 1 (100ms)");
  EXPECT_EQ(plan.layers[1].name, "Frame 2 (250ms)");
  const LayerPlan& second = plan.layers[1];
  ASSERT_TRUE(second.hasAlpha);
  for (size_t i = 0; i < 24; ++i) {
    const uint8_t index = uint8_t((i + 1) % 4);
    EXPECT_EQ(second.pixels[i * 2], index);
    EXPECT_EQ(second.pixels[i * 2 + 1], index == 2 ? 0 : 255) << i;
  }
}

struct MixCase {
  const char* what;
  std::vector<Picture> pictures;
  bool indexed;
};

class OpeningMode : public ::testing::TestWithParam<MixCase> {};

TEST_P(OpeningMode, IsIndexedOnlyForOnePalette) {
  const std::vector<uint8_t> bytes = frames::WriteDocument(GetParam().pictures);
  const frames::Document doc = frames::ReadDocument(bytes);
  const ImagePlan plan = PlanImage(*Read(bytes));
  EXPECT_EQ(plan.indexed, GetParam().indexed) << GetParam().what;
  ASSERT_EQ(plan.layers.size(), doc.Frames.size());
  if (plan.indexed) return;
  // RGBA layers hold exactly the composites.
  for (size_t i = 0; i < doc.Frames.size(); ++i)
    EXPECT_EQ(plan.layers[i].pixels, frames::CompositeToRgba(doc.Frames[i].Picture).Pixels) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Mixes, OpeningMode,
    ::testing::Values(MixCase{"one palette frame", {PalettePicture(4, 4, 0, -1, 100)}, true},
                      MixCase{"two palettes",
                              {PalettePicture(4, 4, 0, -1, 100), PalettePicture(4, 4, 0, -1, 100, {1, 2, 3})},
                              false},
                      MixCase{"palette then RGBA", {PalettePicture(4, 4, 0, 1, 100), RgbaPicture(4, 4, 128)}, false},
                      MixCase{"RGBA only", {RgbaPicture(4, 4, 255), RgbaPicture(4, 4, 0)}, false}));

TEST(OpeningPlan, CanvasHoldsTheLargestFrameAndThumbnailsOnlyTheFirst) {
  const DecoderHandle doc = Read({RgbaPicture(4, 3, 255), RgbaPicture(7, 2, 255), RgbaPicture(2, 5, 255)});
  const ImagePlan all = PlanImage(*doc);
  EXPECT_EQ(all.width, 7);
  EXPECT_EQ(all.height, 5);
  const ImagePlan first = PlanImage(*doc, 1);
  ASSERT_EQ(first.layers.size(), 1u);
  EXPECT_EQ(first.width, 4);
  EXPECT_EQ(first.height, 3);
}

TEST(OpeningPlan, NamesStateHowFramesFollowEachOther) {
  testing::DocSpec doc;
  for (int disposal : {0, 1, 2, 3, 7}) {
    testing::FrameSpec f;
    f.width = f.height = 2;
    f.delay = 30 * (disposal + 1);
    f.disposal = disposal;
    f.layers.push_back({});
    f.layers.back().rows = testing::MakeRows(2, 2, 24, [](int, int) { return 0x123456u; });
    doc.frames.push_back(f);
  }
  const ImagePlan plan = PlanImage(*Read(testing::WriteDov(doc)));
  ASSERT_EQ(plan.layers.size(), 5u);
  EXPECT_EQ(plan.layers[0].name, "Frame 1 (30ms)");
  EXPECT_EQ(plan.layers[1].name, "Frame 2 (60ms) (combine)");
  EXPECT_EQ(plan.layers[2].name, "Frame 3 (90ms) (replace)");
  EXPECT_EQ(plan.layers[3].name, "Frame 4 (120ms) (replace)");
  EXPECT_EQ(plan.layers[4].name, "Frame 5 (240ms)");
}

// ---- Saving ------------------------------------------------------------------

SaveLayer RgbaSaveLayer(const char* name, int32_t w, int32_t h, int32_t ox, int32_t oy, uint8_t alpha,
                        uint8_t grey = 0) {
  SaveLayer layer;
  layer.name = name;
  layer.pixels.width = w;
  layer.pixels.height = h;
  layer.pixels.offsetX = ox;
  layer.pixels.offsetY = oy;
  for (int32_t i = 0; i < w * h; ++i) {
    const uint8_t v = grey ? grey : uint8_t(i * 9);
    layer.pixels.rows.insert(layer.pixels.rows.end(), {v, grey ? grey : uint8_t(40), grey ? grey : uint8_t(90), alpha});
  }
  return layer;
}

struct SaveCase {
  const char* what;
  ImageBase base;
  std::vector<SaveLayer> layers;
  std::vector<dov_pixel_format> kinds;
};

class SavingKinds : public ::testing::TestWithParam<SaveCase> {};

TEST_P(SavingKinds, FramesTakeTheSmallestKindThatHoldsThem) {
  SaveSource source;
  source.base = GetParam().base;
  source.width = 5;
  source.height = 4;
  source.layers = GetParam().layers;
  const std::vector<FramePicture> pictures = PlanFrames(source);
  ASSERT_EQ(pictures.size(), GetParam().kinds.size());
  for (size_t i = 0; i < pictures.size(); ++i)
    EXPECT_EQ(pictures[i].format, GetParam().kinds[i]) << GetParam().what << " frame " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SavingKinds,
    ::testing::Values(
        SaveCase{"opaque RGB", ImageBase::Rgb, {RgbaSaveLayer("a", 5, 4, 0, 0, 255)}, {DOV_PIXELS_RGB}},
        SaveCase{"RGB with clear pixels", ImageBase::Rgb, {RgbaSaveLayer("a", 5, 4, 0, 0, 0)}, {DOV_PIXELS_RGBA}},
        SaveCase{"RGB layer smaller than the canvas", ImageBase::Rgb, {RgbaSaveLayer("a", 2, 2, 1, 1, 255)},
                 {DOV_PIXELS_RGBA}},
        SaveCase{"opaque grey", ImageBase::Grey, {RgbaSaveLayer("a", 5, 4, 0, 0, 255, 77)}, {DOV_PIXELS_GREY}},
        SaveCase{"grey with clear pixels", ImageBase::Grey,
                 {RgbaSaveLayer("a", 5, 4, 0, 0, 255, 77), RgbaSaveLayer("b", 5, 4, 0, 0, 10, 77)},
                 {DOV_PIXELS_GREY, DOV_PIXELS_RGBA}}));

TEST(Saving, DelaysComeFromLayerNamesAndFramesReadBackAsPlaced) {
  SaveSource source;
  source.width = 6;
  source.height = 4;
  source.layers = {RgbaSaveLayer("Frame 1 (100ms)", 6, 4, 0, 0, 255),
                   RgbaSaveLayer("walk (250ms) (replace)", 3, 2, 4, 3, 200),
                   RgbaSaveLayer("Background", 6, 4, 0, 0, 255)};
  source.layers[2].pixels.opacity = 50;
  const std::vector<FramePicture> pictures = PlanFrames(source);
  for (const dov_compression coding : {DOV_COMPRESSION_ZLIB, DOV_COMPRESSION_NONE}) {
    const frames::Document doc = frames::ReadDocument(EncodeFrames(pictures, coding, 70).Bytes());
    ASSERT_EQ(doc.Frames.size(), 3u);
    EXPECT_EQ(doc.Frames[0].DelayMilliseconds, 100);
    EXPECT_EQ(doc.Frames[1].DelayMilliseconds, 250);
    EXPECT_EQ(doc.Frames[2].DelayMilliseconds, kDefaultDelayMilliseconds);
    for (size_t i = 0; i < 3; ++i) {
      const std::vector<uint8_t> placed = FlattenRgba(source.layers[i].pixels, 6, 4);
      const std::vector<uint8_t> read = frames::CompositeToRgba(doc.Frames[i].Picture).Pixels;
      ASSERT_EQ(read.size(), placed.size());
      for (size_t p = 0; p < placed.size(); p += 4) {
        EXPECT_EQ(read[p + 3], placed[p + 3]) << "frame " << i << " pixel " << p / 4;
        if (placed[p + 3] != 0) {
          EXPECT_EQ(std::vector<uint8_t>(read.begin() + p, read.begin() + p + 3),
                    std::vector<uint8_t>(placed.begin() + p, placed.begin() + p + 3))
              << "frame " << i << " pixel " << p / 4;
        }
      }
    }
  }
}

TEST(Saving, IndexedLayersKeepTheColourMapAndItsTransparentIndex) {
  SaveSource source;
  source.base = ImageBase::Indexed;
  source.width = 4;
  source.height = 2;
  source.colormap = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  SaveLayer layer;
  layer.name = "Frame 1 (70ms)";
  layer.pixels = {4, 2, 0, 0, 100.0, 2, true, {0, 255, 1, 255, 2, 255, 0, 0, 1, 255, 1, 255, 2, 255, 2, 0}};
  source.layers = {layer};
  const std::vector<FramePicture> pictures = PlanFrames(source);
  ASSERT_EQ(pictures[0].format, DOV_PIXELS_INDEXED);
  EXPECT_EQ(pictures[0].transparent, 3);
  EXPECT_EQ(pictures[0].pixels, (std::vector<uint8_t>{0, 1, 2, 3, 1, 1, 2, 3}));
  const ImagePlan reopened = PlanImage(*Read(EncodeFrames(pictures, DOV_COMPRESSION_ZLIB, 70).Bytes()));
  ASSERT_TRUE(reopened.indexed);
  EXPECT_EQ(reopened.layers[0].name, "Frame 1 (70ms)");
  EXPECT_EQ(std::vector<uint8_t>(reopened.colormap.begin(), reopened.colormap.begin() + 9), source.colormap);
  EXPECT_EQ(reopened.layers[0].pixels, (std::vector<uint8_t>{0, 255, 1, 255, 2, 255, 3, 0, 1, 255, 1, 255, 2, 255, 3, 0}));
}

TEST(Saving, AnImageWithoutLayersIsRefused) {
  EXPECT_THROW(PlanFrames(SaveSource{}), std::invalid_argument);
}

}  // namespace
}  // namespace dorv::gimp

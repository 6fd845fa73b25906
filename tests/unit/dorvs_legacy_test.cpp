#include <gtest/gtest.h>

#include "converter/dorvs/framelist.h"
#include "converter/streams/stream.h"
#include "support/doc_helpers.h"
#include "support/legacy_writer.h"

namespace dorv::testing {
namespace {

constexpr int W = 6, H = 3;

// Bottom: palette index 1 with a keyed (index 2) left column; top: index 3
// at half opacity where the version stores alpha planes.
LegacySpec TwoLayers(int version) {
  LegacySpec layout;
  layout.version = version;
  layout.doc.compType = version % 2 ? 1 : 0;
  layout.doc.bgColor = 0x0000FF;  // red
  layout.recordNotFillBG = true;
  FrameSpec f;
  f.width = W;
  f.height = H;
  f.bpp = 8;
  f.trans = 2;
  f.palette.assign(256, 0);
  f.palette[1] = 0x00FF00;
  f.palette[2] = 0x00FFFF;
  f.palette[3] = 0xFF0000;
  f.palette[4] = 0x0000FF;  // the background colour's exact entry
  LayerSpec bottom;
  bottom.rows = MakeRows(W, H, 8, [](int x, int) { return x == 0 ? 2u : 1u; });
  bottom.trans = 2;
  LayerSpec top;
  top.rows = MakeRows(W, H, 8, [](int, int) { return 3u; });
  top.alphaRows = MakeRows(W, H, 8, [](int x, int) { return x >= 3 ? 255u : 0u; });
  top.alphaOn = true;
  f.layers = {bottom, top};
  layout.doc.frames.push_back(f);
  return layout;
}

struct VersionCase {
  int version;
  int32_t bg;       // document background after loading
  bool notFillBG;
  bool alphaDraw;   // the top layer is drawn through its alpha plane
};

class LegacyVersionTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(LegacyVersionTest, OpensWithTheFieldsItsVersionCarries) {
  const VersionCase& c = GetParam();
  auto doc = LoadDov(WriteLegacy(TwoLayers(c.version)));
  ASSERT_EQ(doc->Count(), 1);
  EXPECT_EQ(doc->BGColor, c.bg);
  EXPECT_EQ(doc->NotFillBG, c.notFillBG);
  const TDorvFrame& f = doc->GetFrame(0);
  EXPECT_EQ(f.TransColor, 2);
  EXPECT_EQ(f.LayerCount(), 0);
  const TDIBSurface& s = f.Surface;
  ASSERT_EQ(s.Depth(), 8);
  EXPECT_EQ(s.Palette[3].Blue, 0xFF);
  // Column 0 of the bottom layer is its key: kept with NotFillBG, else the
  // background (red: entry 4, or entry 0 black when there is no colour).
  const uint32_t under = c.notFillBG ? 2u : (c.bg == 0 ? 0u : 4u);
  if (c.alphaDraw) {
    EXPECT_EQ(s.ReadPixel(0, 0), under);
    EXPECT_EQ(s.ReadPixel(1, 1), 1u);  // alpha 0 leaves the bottom
    EXPECT_EQ(s.ReadPixel(4, 2), 3u);  // alpha 255 draws
  } else {
    // Without AlphaOn the top layer is copied whole.
    EXPECT_EQ(s.ReadPixel(0, 0), 3u);
    EXPECT_EQ(s.ReadPixel(1, 1), 3u);
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, LegacyVersionTest,
                         ::testing::Values(VersionCase{0, 0, false, false},
                                           VersionCase{100, 0, false, false},
                                           VersionCase{101, 0, false, true},
                                           VersionCase{102, 0x0000FF, false, true},
                                           VersionCase{103, 0x0000FF, false, true},
                                           VersionCase{104, 0x0000FF, false, true},
                                           VersionCase{105, 0x0000FF, true, true},
                                           VersionCase{107, 0x0000FF, true, true}),
                         [](const auto& info) { return "v" + std::to_string(info.param.version); });

TEST(Legacy, FirstFrameOnlyReadsOneFrameOfFive) {
  LegacySpec layout = TwoLayers(107);
  for (int i = 0; i < 4; ++i) layout.doc.frames.push_back(layout.doc.frames[0]);
  const auto bytes = WriteLegacy(layout);
  EXPECT_EQ(LoadDov(bytes)->Count(), 1);
  TDorvFrameList all;
  TSpanStream s(bytes.data(), bytes.size());
  all.LoadFromStream(s, false);
  EXPECT_EQ(all.Count(), 5);
  // Nothing after frame 0 is read: a damaged frame 1 goes unnoticed.
  std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() * 2 / 5 + 10));
  EXPECT_EQ(LoadDov(cut)->Count(), 1);
}

TEST(Legacy, AlphaPlaneWithAlphaOnDropsTheLayersKey) {
  // A bottom layer with key, alpha plane and AlphaOn is copied whole here,
  // key pixels included, where the current reader would draw it keyed.
  LegacySpec layout = TwoLayers(107);
  layout.recordNotFillBG = false;
  auto& layers = layout.doc.frames[0].layers;
  layers[0].alphaRows = MakeRows(W, H, 8, [](int, int) { return 255u; });
  layers[0].alphaOn = true;
  layers.pop_back();
  auto doc = LoadDov(WriteLegacy(layout));
  EXPECT_EQ(doc->GetFrame(0).Surface.ReadPixel(0, 0), 2u);

  DocSpec current = layout.doc;
  auto now = LoadDov(WriteDov(current));
  EXPECT_EQ(now->GetFrame(0).Surface.ReadPixel(0, 0), 4u);
}

TEST(Legacy, LongerRecordKeepsItsFirstFortyBytes) {
  LegacySpec layout = TwoLayers(106);
  layout.extraRecordBytes = 12;
  auto doc = LoadDov(WriteLegacy(layout));
  EXPECT_EQ(doc->BGColor, 0x0000FF);
  EXPECT_EQ(doc->GetFrame(0).Surface.ReadPixel(4, 2), 3u);
}

TEST(Legacy, NegativeTableCountMeansNoEntries) {
  LegacySpec layout = TwoLayers(104);
  layout.doc.frames.push_back(layout.doc.frames[0]);
  layout.tableCountField = -3;
  const auto bytes = WriteLegacy(layout);
  TDorvFrameList all;
  TSpanStream s(bytes.data(), bytes.size());
  all.LoadFromStream(s, false);
  EXPECT_EQ(all.Count(), 2);
}

struct LegacyBad {
  const char* name;
  std::vector<uint8_t> file;
  const char* error;
};

std::vector<uint8_t> Damaged(LegacySpec layout) { return WriteLegacy(layout); }

class LegacyBadTest : public ::testing::TestWithParam<LegacyBad> {};

TEST_P(LegacyBadTest, IsRefusedBeforeAnythingLargeIsAllocated) {
  EXPECT_EQ(LoadError(GetParam().file), GetParam().error);
}

std::vector<LegacyBad> BadCases() {
  std::vector<LegacyBad> v;
  v.push_back({"digits", {'D', 'o', 'r', 'v', 'a', 'b', 'c', 0, 0, 0, 0}, "'abc' is not a valid integer value"});
  LegacySpec s = TwoLayers(107);
  s.nameLength = -1;
  v.push_back({"negative_name", Damaged(s), "ファイルが破壊されています (negative string length)"});
  s.nameLength = 0x7FFFFFFF;
  v.push_back({"huge_name", Damaged(s), "ファイルが破壊されています (string runs past the end of the file)"});
  s = TwoLayers(107);
  s.recordLength = -4;
  v.push_back({"negative_record", Damaged(s), "ファイルが破壊されています (negative header record length)"});
  s.recordLength = 1 << 30;
  v.push_back({"huge_record", Damaged(s), "ファイルが破壊されています (header record runs past the end of the file)"});
  s = TwoLayers(107);
  s.doc.frames[0].layersCount = 0x7FFFFFFF;
  // The layers present are read; the next one finds the end of the file.
  v.push_back({"absurd_layers", Damaged(s), "Stream read error"});
  s = TwoLayers(104);
  s.tableCountField = 0x10000000;
  v.push_back({"huge_table", Damaged(s), "ファイルが破壊されています (table runs past the end of the file)"});
  s = TwoLayers(107);
  s.doc.frames[0].width = 1 << 20;
  s.doc.frames[0].height = 1 << 20;
  s.doc.frames[0].layers.clear();
  v.push_back({"absurd_size", Damaged(s), "ファイルが破壊されています (frame larger than the pixel limit)"});
  return v;
}

INSTANTIATE_TEST_SUITE_P(Legacy, LegacyBadTest, ::testing::ValuesIn(BadCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Legacy, EveryCutOfASmallFileFailsCleanlyOrOpens) {
  for (int version : {0, 102, 107}) {
    const auto full = WriteLegacy(TwoLayers(version));
    for (size_t n = 0; n < full.size(); ++n) {
      std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
      TDorvFrameList doc;
      TSpanStream s(cut.data(), cut.size());
      try {
        doc.LoadFromStream(s, true);
      } catch (const std::exception& e) {
        EXPECT_STRNE(e.what(), "") << version << " cut at " << n;
      }
    }
  }
}

}  // namespace
}  // namespace dorv::testing

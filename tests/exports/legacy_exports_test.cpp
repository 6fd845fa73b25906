#include <gtest/gtest.h>

#include "export_helpers.h"
#include "support/legacy_writer.h"

namespace dorv::testing {
namespace {

// A 4 x 2 24-bit frame: a keyed bottom layer over a red background.
LegacySpec Keyed(int version) {
  LegacySpec layout;
  layout.version = version;
  layout.doc.bgColor = 0x0000FF;
  layout.recordNotFillBG = true;
  FrameSpec f;
  f.width = 4;
  f.height = 2;
  f.bpp = 24;
  LayerSpec l;
  l.rows = MakeRows(4, 2, 24, [](int x, int) { return x == 0 ? 0x00FF00u : 0x123456u; });
  l.trans = 0x00FF00;
  f.layers.push_back(l);
  for (int i = 0; i < 5; ++i) layout.doc.frames.push_back(f);
  return layout;
}

class LegacyThroughExport : public ::testing::TestWithParam<int> {};

TEST_P(LegacyThroughExport, OpensAsItsFirstFrame) {
  const int v = GetParam();
  auto r = ReadThroughExport(WriteLegacy(Keyed(v)));
  ASSERT_TRUE(r.ok) << r.messages;
  EXPECT_EQ(r.messages, "");
  EXPECT_EQ(r.Info().Version(), 200);
  EXPECT_EQ(r.Info().Width(), 4);
  EXPECT_EQ(r.Info().Bpp(), 32);
  EXPECT_EQ(r.Info().Count(), 1);
  const bool hasBg = v >= 102, notFill = v >= 105;
  EXPECT_EQ(r.Info().BGColor(), hasBg ? 0x0000FF : 0);
  EXPECT_EQ(r.info[40], notFill ? 1 : 0);
  // Pixel (0, 0): the key shows the background unless NotFillBG keeps it.
  const uint8_t want[4] = {static_cast<uint8_t>(0), static_cast<uint8_t>(notFill ? 0xFF : 0),
                           static_cast<uint8_t>(notFill ? 0 : hasBg ? 0xFF : 0), 255};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(r.pixels[static_cast<size_t>(i)], want[i]) << i;
  EXPECT_EQ(r.pixels[4], 0x56);
  EXPECT_EQ(r.pixels[6], 0x12);
}

INSTANTIATE_TEST_SUITE_P(Versions, LegacyThroughExport, ::testing::Values(0, 100, 101, 102, 103, 104, 105, 107));

TEST(LegacyThroughExport, EveryCutFailsCleanlyOrKeepsFrameZero) {
  const auto full = WriteLegacy(Keyed(107));
  for (size_t n = 0; n < full.size(); n += 3) {
    auto r = ReadThroughExport(std::vector<uint8_t>(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n)));
    if (r.ok) {
      EXPECT_EQ(r.Info().Bpp(), 32);
      EXPECT_EQ(r.pixels.size(), 32u);
    } else {
      EXPECT_NE(r.messages, "") << n;
    }
  }
}

}  // namespace
}  // namespace dorv::testing

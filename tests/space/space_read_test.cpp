// Documents whose first frame a 64-bit process returns in full and a 32-bit
// one cannot hold: ConvertRead then fails (with the runtime's message when
// the load ran out, without one when the picture read cannot be handed
// over), or returns the frames read in full, and never crashes or wraps a
// size.
#include <cstring>
#include <string>

#include "export_helpers.h"
#include "space_support.h"

namespace dorv::testing {
namespace {

constexpr const char* kOutOfMemory = "DorvStudio Format: Out of memory\n";

struct TooLarge {
  const char* name;
  int32_t bpp;
  int layers;
  bool alpha;
  uint8_t pixel[4];  // the block's first pixel in 64 bits (B, G, R, A)
};

// Every one needs a 1 GiB pixel block beside its composite.
const TooLarge kTooLarge[] = {
    {"rgb_one_layer", 24, 1, false, {0x40, 0x40, 0x40, 0xFF}},
    {"rgb_two_layers", 24, 2, false, {0x40, 0x40, 0x40, 0xFF}},
    {"rgba_one_layer", 32, 1, false, {0x40, 0x40, 0x40, 0x40}},
    {"rgb_alpha_plane", 32, 1, true, {}},
    {"palette_alpha_plane", 8, 1, true, {}},
    {"hicolour_one_layer", 16, 1, false, {}},
};

class FrameTooLargeFor32Bits : public ::testing::TestWithParam<TooLarge> {};

TEST_P(FrameTooLargeFor32Bits, IsRefusedWithAMessageOrReadInFull) {
  DORV_SKIP_FULL_SIZE_IN_64_BITS();
  const TooLarge& c = GetParam();
  const ReadResult r =
      ReadThroughExport(WriteDov(LargeZlibDocument(kSide, kSide, c.bpp, c.layers, 0x40, c.alpha, 0x80)), 4);
  if (kIs32BitProcess) {
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.messages.empty() || r.messages == kOutOfMemory) << r.messages;
    EXPECT_EQ(r.transparent, -1);
    return;
  }
  ASSERT_TRUE(r.ok) << r.messages;
  EXPECT_EQ(r.messages, "");
  EXPECT_EQ(r.Info().Width(), kSide);
  EXPECT_EQ(r.Info().Height(), kSide);
  EXPECT_EQ(r.Info().Bpp(), 32);
  EXPECT_EQ(r.blockBytes, 1 * kGiB);
  if (c.pixel[3] != 0) {
    ASSERT_EQ(r.pixels.size(), 4u);
    EXPECT_EQ(0, std::memcmp(r.pixels.data(), c.pixel, 4));
  }
}

INSTANTIATE_TEST_SUITE_P(Documents, FrameTooLargeFor32Bits, ::testing::ValuesIn(kTooLarge),
                         [](const auto& info) { return std::string(info.param.name); });

// A small first frame is returned whole whatever the frames after it need;
// the frame that did not fit is named in the message.
TEST(LaterFrameTooLargeFor32Bits, LeavesTheFirstFrameReadInFull) {
  DORV_SKIP_FULL_SIZE_IN_64_BITS();
  DocSpec d = LargeZlibDocument(kSide, kSide, 32, 2, 0x40);
  FrameSpec small;
  small.width = 64;
  small.height = 2;
  small.bpp = 8;
  small.palette.assign(256, 0x203040);
  LayerSpec l;
  l.rows = MakeRows(64, 2, 8, [](int32_t x, int32_t y) { return static_cast<uint32_t>(x + y); });
  small.layers.push_back(l);
  d.frames.insert(d.frames.begin(), small);

  const ReadResult r = ReadThroughExport(WriteDov(d));
  ASSERT_TRUE(r.ok) << r.messages;
  EXPECT_EQ(r.messages, kIs32BitProcess ? kOutOfMemory : "");
  EXPECT_EQ(r.Info().Width(), 64);
  EXPECT_EQ(r.Info().Bpp(), 8);
  EXPECT_EQ(r.pixels, l.rows);
  EXPECT_EQ(r.Info().Count(), 2);
}

}  // namespace
}  // namespace dorv::testing

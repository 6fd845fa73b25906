// Layer names that carry a frame's delay and combine mode both ways.
#include <gtest/gtest.h>

#include "gimp/layer_name.h"

namespace dorv::gimp {
namespace {

TEST(FrameLayerName, NamesTheFrameFromOneWithItsDelay) {
  EXPECT_EQ(FrameLayerName(0, 100, FrameCombine::Unstated), "Frame 1 (100ms)");
  EXPECT_EQ(FrameLayerName(4, 0, FrameCombine::Combine), "Frame 5 (0ms) (combine)");
  EXPECT_EQ(FrameLayerName(11, 2500, FrameCombine::Replace), "Frame 12 (2500ms) (replace)");
}

struct NameCase {
  const char* name;
  std::optional<int32_t> delay;
  FrameCombine combine;
};

class LayerNameReading : public ::testing::TestWithParam<NameCase> {};

TEST_P(LayerNameReading, GivesDelayAndCombineMode) {
  EXPECT_EQ(DelayFromLayerName(GetParam().name), GetParam().delay) << GetParam().name;
  EXPECT_EQ(CombineFromLayerName(GetParam().name), GetParam().combine) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, LayerNameReading,
    ::testing::Values(
        NameCase{"Frame 1 (100ms)", 100, FrameCombine::Unstated},
        NameCase{"Frame 2 (40ms) (replace)", 40, FrameCombine::Replace},
        NameCase{"walk (combine) (250ms)", 250, FrameCombine::Combine},
        NameCase{"Background", std::nullopt, FrameCombine::Unstated},
        NameCase{"spaced ( 75 ms )", 75, FrameCombine::Unstated},
        // The last delay stated wins, as in GIMP's animation exporters.
        NameCase{"(10ms) copy (30ms)", 30, FrameCombine::Unstated},
        NameCase{"(combine) then (replace)", std::nullopt, FrameCombine::Replace},
        // Groups that are not a delay are ignored.
        NameCase{"(ms) (12) (12 s) (-5ms) (5ms", std::nullopt, FrameCombine::Unstated},
        NameCase{"(0ms)", 0, FrameCombine::Unstated},
        // A delay beyond what a frame holds is held at the largest one.
        NameCase{"(99999999999999ms)", 2147483647, FrameCombine::Unstated}));

TEST(LayerNameReading, ReadsBackWhatItWrites) {
  for (int32_t delay : {0, 1, 100, 65535, 2147483647})
    for (FrameCombine combine : {FrameCombine::Unstated, FrameCombine::Combine, FrameCombine::Replace}) {
      const std::string name = FrameLayerName(3, delay, combine);
      EXPECT_EQ(DelayFromLayerName(name), delay) << name;
      EXPECT_EQ(CombineFromLayerName(name), combine) << name;
    }
}

}  // namespace
}  // namespace dorv::gimp

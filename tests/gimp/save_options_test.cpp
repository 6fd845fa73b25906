// The save options: the converter dialog's defaults, the checks of a
// script's arguments, and the dialog's captions in GTK's terms.
#include <gtest/gtest.h>

#include "gimp/captions.h"
#include "gimp/save_options.h"

namespace dorv::gimp {
namespace {

TEST(SaveOptions, DefaultsAreTheDialogs) {
  const SaveOptions options = DefaultSaveOptions();
  EXPECT_EQ(options.compression, 0);
  EXPECT_EQ(options.quality, 70);
  EXPECT_FALSE(options.compositeOnly);
}

struct OptionCase {
  int32_t compression, quality;
  bool accepted;
};

class ScriptOptions : public ::testing::TestWithParam<OptionCase> {};

TEST_P(ScriptOptions, AreCheckedBeforeAnythingIsWritten) {
  SaveOptions options;
  options.compression = GetParam().compression;
  options.quality = GetParam().quality;
  EXPECT_EQ(CheckSaveOptions(options).empty(), GetParam().accepted)
      << GetParam().compression << " / " << GetParam().quality;
}

INSTANTIATE_TEST_SUITE_P(Values, ScriptOptions,
                         ::testing::Values(OptionCase{0, 70, true}, OptionCase{1, 1, true}, OptionCase{2, 100, true},
                                           OptionCase{3, 70, false}, OptionCase{-1, 70, false},
                                           OptionCase{2, 0, false}, OptionCase{2, 101, false}));

TEST(Captions, AccessKeysBecomeMnemonics) {
  EXPECT_EQ(MnemonicCaption("圧縮方式(&C)："), "圧縮方式(_C)：");
  EXPECT_EQ(MnemonicCaption("品質(&Q)："), "品質(_Q)：");
  EXPECT_EQ(MnemonicCaption("R&&D_1"), "R&D__1");
  EXPECT_EQ(MnemonicCaption("trailing &"), "trailing ");
  EXPECT_EQ(MnemonicCaption("OK"), "OK");
}

}  // namespace
}  // namespace dorv::gimp

// The save options: the converter dialog's defaults, the checks of a
// script's arguments, and the dialog's captions in GTK's terms.
#include <gtest/gtest.h>

#include "gimp/captions.h"
#include "gimp/dialog_choices.h"
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

struct ChoiceCase {
  int bitsPerPixel;
  int index;  // as the combo box reports it
  dov_compression compression;
  bool qualityShown;
};

class DialogChoices : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(DialogChoices, GiveTheirCompressionAndShowTheQualityOnlyForLossy) {
  const ChoiceCase& c = GetParam();
  const dov_save_dialog dialog = DescribeSaveDialog(c.bitsPerPixel);
  EXPECT_EQ(ChosenCompression(dialog, c.index), c.compression) << c.bitsPerPixel << " bits, choice " << c.index;
  EXPECT_EQ(ShowsQuality(dialog, c.index), c.qualityShown) << c.bitsPerPixel << " bits, choice " << c.index;
}

INSTANTIATE_TEST_SUITE_P(
    Choices, DialogChoices,
    ::testing::Values(ChoiceCase{32, 0, DOV_COMPRESSION_ZLIB, false}, ChoiceCase{32, 1, DOV_COMPRESSION_NONE, false},
                      ChoiceCase{32, 2, DOV_COMPRESSION_LOSSY, true}, ChoiceCase{24, 2, DOV_COMPRESSION_LOSSY, true},
                      // Below 24 bits there is no lossy choice to select.
                      ChoiceCase{8, 1, DOV_COMPRESSION_NONE, false}, ChoiceCase{8, 2, DOV_COMPRESSION_ZLIB, false},
                      ChoiceCase{32, -1, DOV_COMPRESSION_ZLIB, false}, ChoiceCase{32, 3, DOV_COMPRESSION_ZLIB, false}));

TEST(DialogChoices, RefuseBitsPerPixelThatNoPictureHas) {
  EXPECT_THROW(DescribeSaveDialog(0), std::runtime_error);
}

TEST(Captions, AccessKeysBecomeMnemonics) {
  EXPECT_EQ(MnemonicCaption("圧縮方式(&C)："), "圧縮方式(_C)：");
  EXPECT_EQ(MnemonicCaption("品質(&Q)："), "品質(_Q)：");
  EXPECT_EQ(MnemonicCaption("R&&D_1"), "R&D__1");
  EXPECT_EQ(MnemonicCaption("trailing &"), "trailing ");
  EXPECT_EQ(MnemonicCaption("OK"), "OK");
}

}  // namespace
}  // namespace dorv::gimp

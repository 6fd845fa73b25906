// The save-options form's model: items, visibility, quality, code check,
// focus, and what ConfigWrite hands back.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "converter/core/messages.h"
#include "converter/options/bits_per_pixel.h"
#include "converter/options/config_write.h"
#include "converter/options/form_option.h"
#include "converter/options/form_presenter.h"

namespace dorv {
namespace {

struct ItemsCase {
  int32_t bpp;
  std::vector<std::string> texts;
};

class FormItems : public ::testing::TestWithParam<ItemsCase> {};

TEST_P(FormItems, LossyOfferedFrom24Bits) {
  SetOptionBitsPerPixel(GetParam().bpp);
  TFormOption form;
  std::vector<std::string> texts;
  for (size_t i = 0; i < form.ComboType.Items.size(); ++i) {
    texts.push_back(form.ComboType.Items[i].Text);
    EXPECT_EQ(form.ComboType.Items[i].Value, static_cast<int32_t>(i));
  }
  EXPECT_EQ(texts, GetParam().texts);
  EXPECT_EQ(form.ComboType.ItemIndex, 0);
  EXPECT_FALSE(form.LabelQual.Visible);
  EXPECT_FALSE(form.SpinQual.Visible);
  EXPECT_FALSE(form.EditCode.Visible);
  EXPECT_FALSE(form.LabelCode.Visible);
}

const std::vector<std::string> kTwo = {"通常圧縮", "無圧縮"};
const std::vector<std::string> kThree = {"通常圧縮", "無圧縮", "不可逆圧縮"};

INSTANTIATE_TEST_SUITE_P(ByBitsPerPixel, FormItems,
                         ::testing::Values(ItemsCase{0, kTwo}, ItemsCase{1, kTwo},
                                           ItemsCase{8, kTwo}, ItemsCase{16, kTwo},
                                           ItemsCase{23, kTwo}, ItemsCase{24, kThree},
                                           ItemsCase{32, kThree}, ItemsCase{64, kThree}));

TEST(FormSelection, OnlyLossyShowsTheQualityControls) {
  SetOptionBitsPerPixel(32);
  TFormOption form;
  const bool expected[] = {false, false, true, false, true, false};
  const int picks[] = {0, 1, 2, 0, 2, 1};
  for (size_t i = 0; i < std::size(picks); ++i) {
    form.SelectItem(picks[i]);
    EXPECT_EQ(form.LabelQual.Visible, expected[i]) << "pick " << i;
    EXPECT_EQ(form.SpinQual.Visible, expected[i]) << "pick " << i;
    EXPECT_EQ(form.CompressionValue(), picks[i]);
  }
}

TEST(FormSelection, OutOfRangePickKeepsTheSelection) {
  SetOptionBitsPerPixel(8);
  TFormOption form;
  form.SelectItem(1);
  form.SelectItem(2);   // no lossy item at 8 bits
  form.SelectItem(-1);
  EXPECT_EQ(form.CompressionValue(), kCompNone);
}

TEST(FormLayout, CaptionsAndAccessKeys) {
  SetOptionBitsPerPixel(24);
  TFormOption form;
  EXPECT_EQ(form.Caption, "DorvStudio Format Options");
  EXPECT_EQ(form.ClientWidth, 327);
  EXPECT_EQ(form.ClientHeight, 179);
  struct Row {
    const TLabel* label;
    const char* caption;
    char key;
    const TControl* target;
  } rows[] = {{&form.Label1, "圧縮方式(C)：", 'C', &form.ComboType},
              {&form.LabelQual, "品質(Q)：", 'Q', &form.SpinQual},
              {&form.LabelCode, "コード(O)：", 'O', &form.EditCode}};
  for (const Row& r : rows) {
    EXPECT_EQ(r.label->PlainCaption(), r.caption);
    EXPECT_EQ(r.label->AccessKey(), r.key);
    EXPECT_EQ(r.label->FocusControl, r.target);
  }
  EXPECT_EQ(form.Button1.Caption, "OK");
  EXPECT_TRUE(form.Button1.Default);
  EXPECT_EQ(form.Button2.Caption, "キャンセル");
  EXPECT_TRUE(form.Button2.Cancel);
  EXPECT_EQ(form.EditCode.Text, "EditCode");
  EXPECT_EQ(form.EditCode.MaxLength, 4u);
  EXPECT_EQ(form.SpinQual.Text, "70");
}

struct QualityCase {
  const char* text;
  int32_t value;    // the spin edit's own reading
  int32_t quality;  // what the form reports
  const char* afterExit;
};

class SpinQuality : public ::testing::TestWithParam<QualityCase> {};

TEST_P(SpinQuality, ParsesAndClamps) {
  const QualityCase& c = GetParam();
  SetOptionBitsPerPixel(24);
  TFormOption form;
  form.SpinQual.Text = c.text;
  EXPECT_EQ(form.SpinQual.Value(), c.value);
  EXPECT_EQ(form.Quality(), c.quality);
  form.SpinQual.Exit();
  EXPECT_EQ(form.SpinQual.Text, c.afterExit);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SpinQuality,
    ::testing::Values(QualityCase{"70", 70, 70, "70"}, QualityCase{"1", 1, 1, "1"},
                      QualityCase{"100", 100, 100, "100"}, QualityCase{"+5", 5, 5, "+5"},
                      QualityCase{" 42 ", 42, 42, " 42 "}, QualityCase{"500", 500, 100, "100"},
                      QualityCase{"0", 0, 1, "1"}, QualityCase{"-3", -3, 1, "1"},
                      QualityCase{"", 1, 1, ""}, QualityCase{"abc", 1, 1, "abc"},
                      QualityCase{"-", 1, 1, "-"}, QualityCase{"4a", 1, 1, "4a"},
                      QualityCase{"2147483647", 2147483647, 100, "100"},
                      QualityCase{"99999999999", 1, 1, "99999999999"}));

TEST(SpinQuality, StepsStayWithinBounds) {
  SetOptionBitsPerPixel(24);
  TFormOption form;
  form.SpinQual.Text = "100";
  form.SpinQual.StepUp();
  EXPECT_EQ(form.SpinQual.Text, "100");
  form.SpinQual.Text = "1";
  form.SpinQual.StepDown();
  EXPECT_EQ(form.SpinQual.Text, "1");
  form.SpinQual.Text = "abc";  // reads as the minimum
  form.SpinQual.StepUp();
  EXPECT_EQ(form.SpinQual.Text, "2");
  form.SpinQual.Text = "250";
  form.SpinQual.StepDown();
  EXPECT_EQ(form.SpinQual.Text, "100");
}

struct CodeCase {
  const char* name;
  std::string text;
  bool accepted;
  uint32_t packed;
};

class CodeCheck : public ::testing::TestWithParam<CodeCase> {};

TEST_P(CodeCheck, CheckAndPacking) {
  const CodeCase& c = GetParam();
  SetOptionBitsPerPixel(24);
  TFormOption form;
  form.LabelCode.Visible = form.EditCode.Visible = true;
  form.EditCode.Text = c.text;
  std::vector<std::string> warnings;
  bool closes = form.FormCloseQuery(TModalResult::Ok,
                                    [&](const std::string& t) { warnings.push_back(t); });
  EXPECT_EQ(closes, c.accepted);
  if (c.accepted) {
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(static_cast<uint32_t>(form.Code()), c.packed);
  } else {
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], msg::kCodeWarning);
  }
  // Cancel is never checked.
  EXPECT_TRUE(form.FormCloseQuery(TModalResult::Cancel, [&](const std::string&) { FAIL(); }));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CodeCheck,
    ::testing::Values(CodeCase{"FourAscii", "ABCD", true, 0x41424344u},
                      CodeCase{"Digits", "2024", true, 0x32303234u},
                      CodeCase{"Empty", "", true, 0},
                      CodeCase{"LeadByteLast", "ABC\x82", true, 0x41424382u},
                      CodeCase{"HalfWidthKana", "\xB1\xB2\xB3\xB4", true, 0xB1B2B3B4u},
                      CodeCase{"ThreeChars", "ABC", false, 0},
                      CodeCase{"FiveChars", "ABCDE", false, 0},
                      CodeCase{"DoubleByteFirst", "\x82\xA0" "CD", false, 0},
                      CodeCase{"DoubleByteMiddle", "A\x88\x9F" "D", false, 0},
                      CodeCase{"InitialText", "EditCode", false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CodeCheck, HiddenCodeBoxIsNotCheckedAndGivesZero) {
  SetOptionBitsPerPixel(24);
  TFormOption form;  // the code box holds "EditCode" but is hidden
  EXPECT_TRUE(form.FormCloseQuery(TModalResult::Ok, [](const std::string&) { FAIL(); }));
  EXPECT_EQ(form.Code(), 0);
}

TEST(FormFocus, TabOrderSkipsHiddenControlsAndLeavingTheSpinClamps) {
  SetOptionBitsPerPixel(24);
  TFormOption form;
  auto names = [&] {
    std::vector<std::string> out;
    for (TControl* c : form.TabOrderList()) out.push_back(c->Name);
    return out;
  };
  EXPECT_EQ(names(), (std::vector<std::string>{"ComboType", "Button1", "Button2"}));
  EXPECT_EQ(form.ActiveControl(), &form.ComboType);
  EXPECT_FALSE(form.AccessKey('q'));  // quality label hidden
  form.SelectItem(2);
  EXPECT_EQ(names(), (std::vector<std::string>{"ComboType", "SpinQual", "Button1", "Button2"}));
  EXPECT_TRUE(form.AccessKey('q'));
  EXPECT_EQ(form.ActiveControl(), &form.SpinQual);
  form.SpinQual.Text = "0";
  form.FocusNext();
  EXPECT_EQ(form.ActiveControl(), &form.Button1);
  EXPECT_EQ(form.SpinQual.Text, "1");
  form.FocusNext();
  form.FocusNext();  // wraps around
  EXPECT_EQ(form.ActiveControl(), &form.ComboType);
  form.FocusNext(true);
  EXPECT_EQ(form.ActiveControl(), &form.Button2);
  EXPECT_TRUE(form.AccessKey('C'));
  EXPECT_EQ(form.ActiveControl(), &form.ComboType);
}

// A presenter that runs a script against the form instead of asking a user.
class ScriptedPresenter : public TFormPresenter {
 public:
  using Script = std::function<TModalResult(TFormOption&, TFormPresenter&)>;
  explicit ScriptedPresenter(Script script) : script_(std::move(script)) {}
  TModalResult ShowModal(TFormOption& form) override { return script_(form, *this); }
  void ShowWarning(const std::string& text) override { warnings.push_back(text); }
  std::vector<std::string> warnings;

 private:
  Script script_;
};

struct RunCase {
  const char* name;
  int32_t bpp;
  ScriptedPresenter::Script script;
  bool confirmed;
  int32_t compType, quality, code;
};

class ConfigWriteRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(ConfigWriteRun, WritesOutputsOnlyOnOk) {
  const RunCase& c = GetParam();
  ScriptedPresenter presenter(c.script);
  int32_t compType = -7, quality = -7, code = -7;
  EXPECT_EQ(RunConfigWrite(c.bpp, &compType, &quality, &code, presenter), c.confirmed);
  EXPECT_EQ(OptionBitsPerPixel(), c.bpp);
  if (c.confirmed) {
    EXPECT_EQ(compType, c.compType);
    EXPECT_EQ(quality, c.quality);
    EXPECT_EQ(code, c.code);
  } else {
    EXPECT_EQ(compType, -7);
    EXPECT_EQ(quality, -7);
    EXPECT_EQ(code, -7);
  }
}

TModalResult ConfirmAtOnce(TFormOption&, TFormPresenter&) { return TModalResult::Ok; }

INSTANTIATE_TEST_SUITE_P(
    Scripts, ConfigWriteRun,
    ::testing::Values(
        RunCase{"ConfirmAtOnce", 24, ConfirmAtOnce, true, 0, 70, 0},
        RunCase{"ConfirmAtOnce8", 8, ConfirmAtOnce, true, 0, 70, 0},
        RunCase{"Cancel", 24, [](TFormOption&, TFormPresenter&) { return TModalResult::Cancel; },
                false, 0, 0, 0},
        RunCase{"ClosedOtherwise", 24,
                [](TFormOption&, TFormPresenter&) { return TModalResult::None; }, false, 0, 0, 0},
        RunCase{"LossyQuality", 32,
                [](TFormOption& f, TFormPresenter&) {
                  f.SelectItem(2);
                  f.SpinQual.Text = "85";
                  return TModalResult::Ok;
                },
                true, 2, 85, 0},
        RunCase{"QualityOutOfRangeIsClamped", 24,
                [](TFormOption& f, TFormPresenter&) {
                  f.SelectItem(2);
                  f.SpinQual.Text = "250";
                  return TModalResult::Ok;
                },
                true, 2, 100, 0},
        RunCase{"HiddenQualityStillReturned", 24,
                [](TFormOption& f, TFormPresenter&) {
                  f.SelectItem(1);
                  return TModalResult::Ok;
                },
                true, 1, 70, 0},
        RunCase{"ValueMaskedTo7Bits", 24,
                [](TFormOption& f, TFormPresenter&) {
                  f.ComboType.Items[1].Value = 0x181;
                  f.SelectItem(1);
                  return TModalResult::Ok;
                },
                true, 1, 70, 0},
        RunCase{"VisibleCode", 24,
                [](TFormOption& f, TFormPresenter&) {
                  f.EditCode.Visible = true;
                  f.EditCode.Text = "Dorv";
                  return TModalResult::Ok;
                },
                true, 0, 70, 0x446F7276},
        RunCase{"ThrowingPresenter", 24,
                [](TFormOption&, TFormPresenter&) -> TModalResult {
                  throw std::runtime_error("terminal failed");
                },
                false, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConfigWriteRun, NullOutputsAreRefusedWithoutShowing) {
  bool shown = false;
  ScriptedPresenter presenter([&](TFormOption&, TFormPresenter&) {
    shown = true;
    return TModalResult::Ok;
  });
  int32_t v = 0;
  EXPECT_FALSE(RunConfigWrite(24, nullptr, &v, &v, presenter));
  EXPECT_FALSE(RunConfigWrite(24, &v, nullptr, &v, presenter));
  EXPECT_FALSE(RunConfigWrite(24, &v, &v, nullptr, presenter));
  EXPECT_FALSE(shown);
}

}  // namespace
}  // namespace dorv

// The save-options dialog as the user meets it: ConfigWrite of the built
// converter library shows the real modal dialog on this thread, and a second
// thread works it through window messages (selections, typed text, keys,
// clicks) and reads back what it shows. A screenshot of the dialog goes to
// $DORV_ARTIFACTS_DIR when that is set.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "converter/converts/exports.h"
#include "converter/options/form_option.h"
#include "converter/options/win32_presenter.h"
#include "dialog/window_driver.h"
#include "platform/wide_text.h"

namespace dorv::test {
namespace {

namespace ids = win32_dialog;

constexpr int32_t kUntouched = -5;
const std::wstring kCaption = L"DorvStudio Format Options";

struct Outcome {
  bool confirmed = false;
  int32_t compType = kUntouched, quality = kUntouched, code = kUntouched;
  bool appeared = false;
  bool closedByDriver = true;  // false: the dialog had to be shut after the driver
};

class OptionsDialog : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    Trace("loading the converter");
    library_ = LoadLibraryA(DORV_CONVERTER_PATH);
    ASSERT_NE(library_, nullptr);
    configWrite_ = reinterpret_cast<ConfigWriteProc>(GetProcAddress(library_, "ConfigWrite"));
    ASSERT_NE(configWrite_, nullptr);
    // The host's window, active on this thread: the dialog's owner.
    Trace("making the host window");
    owner_ = CreateWindowExW(0, L"STATIC", L"Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                             100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner_, nullptr);
    Trace("activating the host window");
    SetForegroundWindow(owner_);
    SetActiveWindow(owner_);
    Trace("set up");
    // Not before: a thread starting while the converter's module loads has
    // been seen to hang both under Wine.
    StartWatchdog(120000);  // the whole program takes seconds
  }

  static void TearDownTestSuite() {
    DestroyWindow(owner_);
    FreeLibrary(library_);
  }

  // Shows the dialog for `bpp` through ConfigWrite while `drive` works it.
  // Whatever the driver meets, the modal loop is ended: a dialog that does
  // not show up in time, or that the driver leaves open, is cancelled.
  static Outcome Run(int32_t bpp, const std::function<void(HWND)>& drive) {
    Outcome outcome;
    std::atomic<bool> returned{false};
    SetActiveWindow(owner_);
    std::thread driver([&] {
      // The first dialog of a fresh Wine prefix on a loaded machine may
      // take long to come up (fonts and classes are set up on first use).
      HWND dialog = WaitForDialog(kCaption, 60000);
      outcome.appeared = dialog != nullptr;
      if (dialog == nullptr) {
        std::fprintf(stderr, "no dialog \"%s\" within 60 s; windows of this process:\n%s",
                     platform::Utf8FromWide(kCaption).c_str(), DescribeWindows().c_str());
      } else {
        drive(dialog);
        if (WaitUntilGone(dialog, 5000)) return;
        outcome.closedByDriver = false;
      }
      if (!CancelDialogsUntil(returned, 30000)) {
        std::fprintf(stderr, "the dialog could not be cancelled; windows of this process:\n%s",
                     DescribeWindows().c_str());
        std::fflush(stderr);
        ExitProcess(3);
      }
    });
    outcome.confirmed =
        configWrite_(bpp, &outcome.compType, &outcome.quality, &outcome.code) != 0;
    returned = true;
    driver.join();
    return outcome;
  }

  static HWND owner_;

 private:
  static HMODULE library_;
  static ConfigWriteProc configWrite_;
};

HMODULE OptionsDialog::library_ = nullptr;
ConfigWriteProc OptionsDialog::configWrite_ = nullptr;
HWND OptionsDialog::owner_ = nullptr;

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }
void Click(HWND dialog, int id) { SendMessageW(Item(dialog, id), BM_CLICK, 0, 0); }
bool Shown(HWND dialog, int id) { return IsWindowVisible(Item(dialog, id)) != FALSE; }

std::vector<std::pair<std::string, LRESULT>> Items(HWND dialog) {
  HWND combo = Item(dialog, ids::kComboType);
  std::vector<std::pair<std::string, LRESULT>> items;
  const LRESULT n = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    wchar_t text[64] = {};
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    items.emplace_back(platform::Utf8FromWide(text),
                       SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
  }
  return items;
}

// ---- What the dialog shows ---------------------------------------------------

struct Appearance {
  SIZE client{};
  std::map<std::string, RECT> rects;  // by the model's control names
  std::map<std::string, std::string> texts;
  std::map<std::string, bool> visible;
  LOGFONTW font{};
  int lineHeight = 0;                       // of the font in use
  std::map<std::string, int> captionWidth;  // labels' captions in that font
  HWND owner = nullptr;
  LRESULT defaultId = 0;
  LONG_PTR style = 0, comboStyle = 0, okStyle = 0, spinStyle = 0;
  POINT centre{};
  std::vector<std::pair<std::string, LRESULT>> items;
  LRESULT selection = -1;
};

TEST_F(OptionsDialog, ShowsTheFormAsLaidOut) {
  Appearance shown;
  const std::map<std::string, int> idOf = {
      {"Bevel1", ids::kBevel1},       {"Label1", ids::kLabel1},       {"ComboType", ids::kComboType},
      {"LabelQual", ids::kLabelQual}, {"SpinQual", ids::kSpinQual},   {"LabelCode", ids::kLabelCode},
      {"EditCode", ids::kEditCode},   {"Button1", ids::kButton1},     {"Button2", ids::kButton2}};
  const Outcome outcome = Run(24, [&](HWND dialog) {
    shown.client = ClientSize(dialog);
    for (const auto& [name, id] : idOf) {
      shown.rects[name] = RectInDialog(Item(dialog, id), dialog);
      shown.texts[name] = TextOf(Item(dialog, id));
      shown.visible[name] = Shown(dialog, id);
    }
    // The spin edit is the edit and its buttons together.
    const RECT buttons = RectInDialog(Item(dialog, ids::kSpinQualButtons), dialog);
    shown.rects["SpinQual"].right = buttons.right;
    shown.visible["SpinQualButtons"] = Shown(dialog, ids::kSpinQualButtons);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(Item(dialog, ids::kLabel1), WM_GETFONT, 0, 0));
    GetObjectW(font, sizeof shown.font, &shown.font);
    HDC dc = GetDC(dialog);
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    shown.lineHeight = metrics.tmHeight;
    for (const char* name : {"Label1", "LabelQual", "LabelCode"}) {
      const std::wstring caption = platform::WideFromUtf8(shown.texts[name]);
      RECT r{};
      DrawTextW(dc, caption.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
      shown.captionWidth[name] = r.right;
    }
    SelectObject(dc, previous);
    ReleaseDC(dialog, dc);
    shown.owner = GetWindow(dialog, GW_OWNER);
    shown.defaultId = LOWORD(SendMessageW(dialog, DM_GETDEFID, 0, 0));
    shown.style = GetWindowLongPtrW(dialog, GWL_STYLE);
    shown.comboStyle = GetWindowLongPtrW(Item(dialog, ids::kComboType), GWL_STYLE);
    shown.okStyle = GetWindowLongPtrW(Item(dialog, ids::kButton1), GWL_STYLE);
    shown.spinStyle = GetWindowLongPtrW(Item(dialog, ids::kSpinQual), GWL_STYLE);
    RECT frame{};
    GetWindowRect(dialog, &frame);
    shown.centre = {(frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2};
    shown.items = Items(dialog);
    shown.selection = SendMessageW(Item(dialog, ids::kComboType), CB_GETCURSEL, 0, 0);
    Click(dialog, ids::kButton1);
  });
  ASSERT_TRUE(outcome.appeared);
  EXPECT_TRUE(outcome.closedByDriver);

  // Every control at its pixel place and size. Labels grow to show their
  // whole caption; a closed drop-down list is never lower than the font's
  // line allows (the form's own font has a 12-pixel line, where the
  // list is exactly as laid out).
  const TFormOption form;
  EXPECT_EQ(shown.client.cx, form.ClientWidth);
  EXPECT_EQ(shown.client.cy, form.ClientHeight);
  const int lineExcess = std::max(0, shown.lineHeight - 12);
  for (const TControl* control : form.Controls()) {
    SCOPED_TRACE(control->Name);
    const RECT r = shown.rects.at(control->Name);
    const int width = r.right - r.left, height = r.bottom - r.top;
    EXPECT_EQ(r.left, control->Bounds.Left);
    EXPECT_EQ(r.top, control->Bounds.Top);
    if (control->Kind == TControlKind::Label) {
      EXPECT_GE(width, control->Bounds.Width);
      EXPECT_GE(width, shown.captionWidth[control->Name]);
      EXPECT_GE(height, control->Bounds.Height);
      EXPECT_LE(height, control->Bounds.Height + lineExcess);
    } else if (control->Kind == TControlKind::ComboBox) {
      EXPECT_EQ(width, control->Bounds.Width);
      EXPECT_GE(height, control->Bounds.Height);
      EXPECT_LE(height, control->Bounds.Height + lineExcess);
    } else {
      EXPECT_EQ(width, control->Bounds.Width);
      EXPECT_EQ(height, control->Bounds.Height);
    }
  }
  std::printf("font line %d px; label widths %d, %d, %d\n", shown.lineHeight,
              static_cast<int>(shown.rects["Label1"].right - shown.rects["Label1"].left),
              static_cast<int>(shown.rects["LabelQual"].right - shown.rects["LabelQual"].left),
              static_cast<int>(shown.rects["LabelCode"].right - shown.rects["LabelCode"].left));
  EXPECT_EQ(shown.texts["Label1"], "圧縮方式(&C)：");
  EXPECT_EQ(shown.texts["LabelQual"], "品質(&Q)：");
  EXPECT_EQ(shown.texts["LabelCode"], "コード(&O)：");
  EXPECT_EQ(shown.texts["SpinQual"], "70");
  EXPECT_EQ(shown.texts["EditCode"], "EditCode");
  EXPECT_EQ(shown.texts["Button1"], "OK");
  EXPECT_EQ(shown.texts["Button2"], "キャンセル");
  // With the default selection the quality controls are hidden, and the
  // code box always is.
  EXPECT_TRUE(shown.visible["Label1"] && shown.visible["ComboType"] && shown.visible["Bevel1"]);
  EXPECT_FALSE(shown.visible["LabelQual"] || shown.visible["SpinQual"] ||
               shown.visible["SpinQualButtons"]);
  EXPECT_FALSE(shown.visible["LabelCode"] || shown.visible["EditCode"]);
  EXPECT_TRUE(shown.visible["Button1"] && shown.visible["Button2"]);

  EXPECT_EQ(shown.font.lfHeight, -12);
  EXPECT_EQ(platform::Utf8FromWide(shown.font.lfFaceName), "ＭＳ Ｐゴシック");
  EXPECT_EQ(shown.font.lfCharSet, SHIFTJIS_CHARSET);
  EXPECT_EQ(shown.owner, owner_) << "owned by the active window";
  EXPECT_EQ(shown.defaultId, IDOK);
  EXPECT_EQ(shown.okStyle & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(shown.comboStyle & 3, CBS_DROPDOWNLIST);
  EXPECT_EQ(shown.spinStyle & (ES_CENTER | ES_RIGHT), 0) << "text left-aligned";
  EXPECT_EQ(shown.style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  EXPECT_NE(shown.style & WS_CAPTION, 0);
  EXPECT_NEAR(shown.centre.x, GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN) / 2, 1);
  EXPECT_NEAR(shown.centre.y, GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN) / 2, 1);
  EXPECT_EQ(shown.items, (std::vector<std::pair<std::string, LRESULT>>{
                             {"通常圧縮", 0}, {"無圧縮", 1}, {"不可逆圧縮", 2}}));
  EXPECT_EQ(shown.selection, 0);
  EXPECT_TRUE(outcome.confirmed);
}

// ---- Items by bits per pixel; confirming at once ------------------------------

struct ItemsCase {
  int32_t bpp;
  size_t items;
};

class ItemsByDepth : public OptionsDialog, public testing::WithParamInterface<ItemsCase> {};

TEST_P(ItemsByDepth, OfferLossyFrom24BitsAndConfirmWithTheDefaults) {
  size_t items = 0;
  const Outcome outcome = Run(GetParam().bpp, [&](HWND dialog) {
    items = Items(dialog).size();
    PressKey(dialog, VK_RETURN, L'\r');  // Enter is OK
  });
  ASSERT_TRUE(outcome.appeared);
  EXPECT_EQ(items, GetParam().items);
  EXPECT_TRUE(outcome.confirmed);
  EXPECT_EQ(outcome.compType, 0);
  EXPECT_EQ(outcome.quality, 70);
  EXPECT_EQ(outcome.code, 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, ItemsByDepth,
                         testing::Values(ItemsCase{1, 2}, ItemsCase{8, 2}, ItemsCase{16, 2},
                                         ItemsCase{24, 3}, ItemsCase{32, 3}),
                         [](const auto& info) { return std::to_string(info.param.bpp) + "Bits"; });

// ---- The lossy item and the quality spin edit ----------------------------------

TEST_F(OptionsDialog, LossyShowsTheQualityWhichStaysWithinItsBounds) {
  std::vector<std::string> trail;
  bool shownWithLossy = false, hiddenAgain = false, screenshot = true;
  const Outcome outcome = Run(32, [&](HWND dialog) {
    HWND spin = Item(dialog, ids::kSpinQual);
    SelectItem(dialog, ids::kComboType, 2);
    shownWithLossy = Shown(dialog, ids::kLabelQual) && Shown(dialog, ids::kSpinQual) &&
                     Shown(dialog, ids::kSpinQualButtons);
    SelectItem(dialog, ids::kComboType, 1);
    hiddenAgain = !Shown(dialog, ids::kLabelQual) && !Shown(dialog, ids::kSpinQual) &&
                  !Shown(dialog, ids::kSpinQualButtons);
    SelectItem(dialog, ids::kComboType, 2);
    if (const char* folder = std::getenv("DORV_ARTIFACTS_DIR"))
      screenshot = SaveScreenshot(dialog, std::string(folder) + "/options-dialog.bmp");

    FocusControl(dialog, spin);
    SetText(spin, "150");
    FocusControl(dialog, Item(dialog, ids::kComboType));  // leaving clamps
    trail.push_back(TextOf(spin));
    FocusControl(dialog, spin);
    PressKey(dialog, VK_DOWN);
    trail.push_back(TextOf(spin));
    PressKey(dialog, VK_UP);
    PressKey(dialog, VK_UP);  // stays at the maximum
    trail.push_back(TextOf(spin));
    SetText(spin, "0");
    FocusControl(dialog, Item(dialog, ids::kButton2));
    trail.push_back(TextOf(spin));
    PressKey(dialog, VK_UP);  // on the Cancel button: no step
    trail.push_back(TextOf(spin));
    FocusControl(dialog, spin);
    SetText(spin, "5");
    SendMessageW(spin, EM_SETSEL, 1, 1);
    TypeChars(spin, "x7.");  // only digits and signs are typed
    trail.push_back(TextOf(spin));
    PressKey(dialog, VK_RETURN, L'\r');
  });
  ASSERT_TRUE(outcome.appeared);
  EXPECT_TRUE(shownWithLossy);
  EXPECT_TRUE(hiddenAgain);
  EXPECT_TRUE(screenshot);
  EXPECT_EQ(trail, (std::vector<std::string>{"100", "99", "100", "1", "1", "57"}));
  EXPECT_TRUE(outcome.confirmed);
  EXPECT_EQ(outcome.compType, 2);
  EXPECT_EQ(outcome.quality, 57);
  EXPECT_EQ(outcome.code, 0);
}

struct QualityCase {
  const char* name;
  const char* text;
  int32_t quality;
};

class QualityText : public OptionsDialog, public testing::WithParamInterface<QualityCase> {};

TEST_P(QualityText, IsReadWhenConfirmed) {
  const Outcome outcome = Run(24, [&](HWND dialog) {
    SelectItem(dialog, ids::kComboType, 2);
    FocusControl(dialog, Item(dialog, ids::kSpinQual));
    SetText(Item(dialog, ids::kSpinQual), GetParam().text);
    Click(dialog, ids::kButton1);
  });
  ASSERT_TRUE(outcome.appeared);
  EXPECT_TRUE(outcome.confirmed);
  EXPECT_EQ(outcome.quality, GetParam().quality);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, QualityText,
    testing::Values(QualityCase{"Number", "42", 42}, QualityCase{"Empty", "", 1},
                    QualityCase{"NotANumber", "abc", 1}, QualityCase{"AboveTheMaximum", "500", 100},
                    QualityCase{"BelowTheMinimum", "-3", 1}, QualityCase{"Blanks", " 12 ", 12}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Closing --------------------------------------------------------------------

struct CancelCase {
  const char* name;
  std::function<void(HWND)> close;
};

class Cancelling : public OptionsDialog, public testing::WithParamInterface<CancelCase> {};

TEST_P(Cancelling, ReturnsFalseAndWritesNothing) {
  const Outcome outcome = Run(32, [&](HWND dialog) {
    SelectItem(dialog, ids::kComboType, 2);
    SetText(Item(dialog, ids::kSpinQual), "30");
    GetParam().close(dialog);
  });
  ASSERT_TRUE(outcome.appeared);
  EXPECT_TRUE(outcome.closedByDriver);
  EXPECT_FALSE(outcome.confirmed);
  EXPECT_EQ(outcome.compType, kUntouched);
  EXPECT_EQ(outcome.quality, kUntouched);
  EXPECT_EQ(outcome.code, kUntouched);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, Cancelling,
    testing::Values(CancelCase{"CancelButton", [](HWND d) { Click(d, ids::kButton2); }},
                    CancelCase{"EscapeKey", [](HWND d) { PressKey(d, VK_ESCAPE, 0x1B); }},
                    CancelCase{"CloseBox", [](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); }},
                    CancelCase{"EnterOnCancel",
                               [](HWND d) {
                                 FocusControl(d, Item(d, ids::kButton2));
                                 PressKey(d, VK_RETURN, L'\r');
                               }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OptionsDialog, EachShowingStartsFromTheDefaults) {
  const Outcome first = Run(24, [](HWND dialog) {
    SelectItem(dialog, ids::kComboType, 2);
    SetText(Item(dialog, ids::kSpinQual), "42");
    Click(dialog, ids::kButton1);
  });
  ASSERT_TRUE(first.confirmed);
  EXPECT_EQ(first.compType, 2);
  EXPECT_EQ(first.quality, 42);
  LRESULT selection = -1;
  std::string quality;
  bool qualityShown = true;
  const Outcome second = Run(24, [&](HWND dialog) {
    selection = SendMessageW(Item(dialog, ids::kComboType), CB_GETCURSEL, 0, 0);
    quality = TextOf(Item(dialog, ids::kSpinQual));
    qualityShown = Shown(dialog, ids::kSpinQual);
    Click(dialog, ids::kButton1);
  });
  EXPECT_EQ(selection, 0);
  EXPECT_EQ(quality, "70");
  EXPECT_FALSE(qualityShown);
  EXPECT_EQ(second.compType, 0);
  EXPECT_EQ(second.quality, 70);
}

TEST_F(OptionsDialog, AccessKeysMoveTheFocusToTheirControls) {
  HWND afterQ = nullptr, afterC = nullptr, spin = nullptr, combo = nullptr;
  HWND hiddenO = nullptr, beforeO = nullptr;
  const Outcome outcome = Run(24, [&](HWND dialog) {
    spin = Item(dialog, ids::kSpinQual);
    combo = Item(dialog, ids::kComboType);
    SelectItem(dialog, ids::kComboType, 2);
    FocusControl(dialog, Item(dialog, ids::kButton1));
    PressKey(dialog, 'Q', L'q', true);
    afterQ = FocusedControl(dialog);
    PressKey(dialog, 'C', L'c', true);
    afterC = FocusedControl(dialog);
    beforeO = FocusedControl(dialog);
    PressKey(dialog, 'O', L'o', true);  // the code box is hidden
    hiddenO = FocusedControl(dialog);
    Click(dialog, ids::kButton2);
  });
  ASSERT_TRUE(outcome.appeared);
  EXPECT_EQ(afterQ, spin);
  EXPECT_EQ(afterC, combo);
  EXPECT_EQ(hiddenO, beforeO);
}

}  // namespace
}  // namespace dorv::test

// The Windows half of the platform layer against the system itself: text
// conversions at the user-interface edge, in-memory dialog templates, message
// boxes, and the module resources as the host's loader finds them.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/dialog_template.h"
#include "platform/message_box.h"
#include "platform/wide_text.h"
#include "platform/win32.h"

namespace platform {
namespace {

// ---- Text --------------------------------------------------------------------

struct Utf8Case {
  const char* name;
  std::string utf8;
  std::wstring wide;
};

class Utf8Text : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Text, ConvertsBothWays) {
  EXPECT_EQ(WideFromUtf8(GetParam().utf8), GetParam().wide);
  EXPECT_EQ(Utf8FromWide(GetParam().wide), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Utf8Text,
    testing::Values(Utf8Case{"Empty", "", L""}, Utf8Case{"Ascii", "OK", L"OK"},
                    Utf8Case{"FullWidthFontName", "ＭＳ Ｐゴシック",
                             L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF"},
                    Utf8Case{"Katakana", "キャンセル", L"\x30AD\x30E3\x30F3\x30BB\x30EB"},
                    Utf8Case{"Multiline", "a\nb", L"a\nb"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AnsiText, IsTheShiftJisOfTheSystemCodePage) {
  if (GetACP() != 932) GTEST_SKIP() << "the system code page is " << GetACP();
  EXPECT_EQ(AnsiFromWide(L"\x30BD"), "\x83\x5C");  // ソ: a trail byte that is a backslash
  EXPECT_EQ(WideFromAnsi("\x83\x5C" "A"), L"\x30BD" L"A");
  EXPECT_EQ(AnsiFromWide(L"EditCode"), "EditCode");
  EXPECT_EQ(AnsiFromWide(L"\x65E5\x672C").size(), 4u);  // two double-byte characters
}

// ---- Dialog templates -------------------------------------------------------------

std::vector<WORD> Words(const DialogTemplate& t) {
  const auto* p = reinterpret_cast<const WORD*>(t.Get());
  return {p, p + t.Size() / sizeof(WORD)};
}

TEST(DialogTemplate, LaysOutHeaderFontAndAlignedItems) {
  DialogTemplate t(WS_POPUP | WS_CAPTION, 0, {1, 2, 30, 40}, L"Ab", 9, L"F");
  t.AddItem(WS_CHILD | WS_VISIBLE, WS_EX_CLIENTEDGE, {5, 6, 7, 8}, 101, DialogClass::Static, L"x");
  t.AddItem(WS_CHILD, 0, {0, 0, 1, 1}, 102, L"msctls_updown32", L"");
  const std::vector<WORD> w = Words(t);
  const DWORD style = w[0] | DWORD{w[1]} << 16;
  EXPECT_EQ(style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | DS_SETFONT));
  EXPECT_EQ(w[4], 2);  // items
  EXPECT_EQ((std::vector<WORD>(w.begin() + 5, w.begin() + 9)), (std::vector<WORD>{1, 2, 30, 40}));
  EXPECT_EQ(w[9], 0);   // no menu
  EXPECT_EQ(w[10], 0);  // dialog class
  EXPECT_EQ((std::vector<WORD>(w.begin() + 11, w.begin() + 14)), (std::vector<WORD>{'A', 'b', 0}));
  EXPECT_EQ(w[14], 9);  // points
  EXPECT_EQ((std::vector<WORD>(w.begin() + 15, w.begin() + 17)), (std::vector<WORD>{'F', 0}));
  // The first item starts at the next DWORD boundary: word 18.
  ASSERT_EQ(w[17], 0);
  const size_t item = 18;
  EXPECT_EQ(w[item] | DWORD{w[item + 1]} << 16, static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
  EXPECT_EQ(w[item + 2] | DWORD{w[item + 3]} << 16, static_cast<DWORD>(WS_EX_CLIENTEDGE));
  EXPECT_EQ((std::vector<WORD>(w.begin() + item + 4, w.begin() + item + 9)),
            (std::vector<WORD>{5, 6, 7, 8, 101}));
  EXPECT_EQ((std::vector<WORD>(w.begin() + item + 9, w.begin() + item + 14)),
            (std::vector<WORD>{0xFFFF, 0x82, 'x', 0, 0}));
  EXPECT_EQ(item % 2, 0u);
}

INT_PTR CALLBACK NoHandler(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(DialogTemplate, IsWhatTheDialogManagerBuildsWindowsFrom) {
  DialogTemplate t(WS_POPUP | WS_CAPTION, 0, {0, 0, 100, 50}, L"Probe", 9, L"Tahoma");
  t.AddItem(WS_CHILD | WS_VISIBLE | SS_LEFT, 0, {4, 4, 40, 10}, 101, DialogClass::Static,
            L"\x54C1\x8CEA(&Q)");
  t.AddItem(WS_CHILD | WS_VISIBLE | WS_TABSTOP, WS_EX_CLIENTEDGE, {4, 20, 40, 12}, 102,
            DialogClass::Edit, L"70");
  t.AddItem(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, {50, 30, 40, 14}, IDOK,
            DialogClass::Button, L"OK");
  HWND dialog = CreateDialogIndirectParamW(nullptr, t.Get(), nullptr, &NoHandler, 0);
  ASSERT_NE(dialog, nullptr);
  wchar_t text[32] = {};
  GetDlgItemTextW(dialog, 101, text, 32);
  EXPECT_EQ(std::wstring(text), L"\x54C1\x8CEA(&Q)");
  GetDlgItemTextW(dialog, 102, text, 32);
  EXPECT_EQ(std::wstring(text), L"70");
  wchar_t className[32] = {};
  GetClassNameW(GetDlgItem(dialog, 102), className, 32);
  EXPECT_EQ(std::wstring(className), L"Edit");
  EXPECT_EQ(LOWORD(SendMessageW(dialog, DM_GETDEFID, 0, 0)), IDOK);
  DestroyWindow(dialog);
}

TEST(DialogUnits, PixelsSurviveTheRoundTrip) {
  HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0, 0,
                           0, L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF");
  const DialogBaseUnits units = BaseUnitsOf(font);
  DeleteObject(font);
  EXPECT_GT(units.x, 0);
  EXPECT_GT(units.y, 0);
  for (int pixels : {0, 8, 12, 20, 21, 75, 116, 177, 309, 327}) {
    EXPECT_NEAR(PixelsFromUnitsX(UnitsFromPixelsX(pixels, units), units), pixels, units.x / 4 + 1);
    EXPECT_NEAR(PixelsFromUnitsY(UnitsFromPixelsY(pixels, units), units), pixels, units.y / 8 + 1);
  }
  EXPECT_EQ(UnitsFromPixelsX(8, {8, 16}), 4);
  EXPECT_EQ(UnitsFromPixelsY(16, {8, 16}), 8);
}

// ---- Message boxes ------------------------------------------------------------------

TEST(MessageBox, ShowsTheUtf8TextAndCaption) {
  // The test programs' watcher closes the box and reports what it showed.
  testing::internal::CaptureStderr();
  ShowMessage("ファイルが破壊されています", "DorvFormat", MessageKind::Error);
  ShowMessage("DorvStudio Format 1.0.0\nline two", "About", MessageKind::Information);
  const std::string shown = testing::internal::GetCapturedStderr();
  EXPECT_EQ(shown,
            "DorvFormat: ファイルが破壊されています\n"
            "About: DorvStudio Format 1.0.0\nline two\n");
}

// ---- The plug-in's resources, as the host's loader finds them -------------------------

std::string FileBytes(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ResourceBytes(HMODULE module, const char* type) {
  HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(16000),
                                MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  if (found == nullptr) return "(not found)";
  HGLOBAL loaded = LoadResource(module, found);
  const auto* bytes = static_cast<const char*>(LockResource(loaded));
  return bytes == nullptr ? "(not loaded)" : std::string(bytes, SizeofResource(module, found));
}

TEST(PluginResources, AreFoundByTypeIdAndLanguage) {
  HMODULE module = LoadLibraryExA(DORV_PLUGIN_MODULE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
#ifdef _WIN64
  const std::string pipl = FileBytes(DORV_PIPL_BIN);
#else
  const std::string pipl = FileBytes(DORV_PIPL_X86_BIN);
#endif
  ASSERT_FALSE(pipl.empty());
  EXPECT_EQ(ResourceBytes(module, "PiPL"), pipl);
  EXPECT_EQ(ResourceBytes(module, "AETE"), FileBytes(DORV_AETE_BIN));
  // The 64-bit module names its entry point under '8664' (stored reversed).
  EXPECT_NE(pipl.find("4668"), std::string::npos);
  FreeLibrary(module);
}

}  // namespace
}  // namespace platform

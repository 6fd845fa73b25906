#ifdef _WIN32
#include "platform/dialog_template.h"

#include <cstring>

namespace platform {

DialogTemplate::DialogTemplate(DWORD style, DWORD exStyle, DialogRect rect,
                               std::wstring_view title, WORD pointSize, std::wstring_view face) {
  PutDword(style | DS_SETFONT);
  PutDword(exStyle);
  words_.push_back(0);  // item count, set as items are added
  for (short v : {rect.x, rect.y, rect.cx, rect.cy}) words_.push_back(static_cast<WORD>(v));
  words_.push_back(0);  // no menu
  words_.push_back(0);  // the dialog class
  PutString(title);
  words_.push_back(pointSize);
  PutString(face);
}

void DialogTemplate::AddItem(DWORD style, DWORD exStyle, DialogRect rect, WORD id,
                             DialogClass windowClass, std::wstring_view text) {
  BeginItem(style, exStyle, rect, id);
  words_.push_back(0xFFFF);
  words_.push_back(static_cast<WORD>(windowClass));
  EndItem(text);
}

void DialogTemplate::AddItem(DWORD style, DWORD exStyle, DialogRect rect, WORD id,
                             std::wstring_view className, std::wstring_view text) {
  BeginItem(style, exStyle, rect, id);
  PutString(className);
  EndItem(text);
}

void DialogTemplate::BeginItem(DWORD style, DWORD exStyle, DialogRect rect, WORD id) {
  AlignToDword();
  PutDword(style);
  PutDword(exStyle);
  for (short v : {rect.x, rect.y, rect.cx, rect.cy}) words_.push_back(static_cast<WORD>(v));
  words_.push_back(id);
}

void DialogTemplate::EndItem(std::wstring_view text) {
  PutString(text);
  words_.push_back(0);  // no creation data
  ++items_;
  words_[4] = static_cast<WORD>(items_);  // cdit follows style and extended style
}

void DialogTemplate::PutDword(DWORD value) {
  words_.push_back(static_cast<WORD>(value & 0xFFFF));
  words_.push_back(static_cast<WORD>(value >> 16));
}

void DialogTemplate::PutString(std::wstring_view text) {
  for (wchar_t c : text) words_.push_back(static_cast<WORD>(c));
  words_.push_back(0);
}

void DialogTemplate::AlignToDword() {
  if (words_.size() % 2 != 0) words_.push_back(0);
}

DialogBaseUnits BaseUnitsOf(HFONT font) {
  DialogBaseUnits units;
  HDC dc = GetDC(nullptr);
  if (dc == nullptr) return units;
  HGDIOBJ previous = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  SIZE extent{};
  static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  if (GetTextMetricsW(dc, &metrics) && GetTextExtentPoint32W(dc, kLetters, 52, &extent)) {
    units.x = static_cast<int>((extent.cx / 26 + 1) / 2);
    units.y = static_cast<int>(metrics.tmHeight);
  }
  SelectObject(dc, previous);
  ReleaseDC(nullptr, dc);
  if (units.x <= 0) units.x = 8;
  if (units.y <= 0) units.y = 16;
  return units;
}

short UnitsFromPixelsX(int pixels, DialogBaseUnits units) {
  return static_cast<short>(MulDiv(pixels, 4, units.x));
}
short UnitsFromPixelsY(int pixels, DialogBaseUnits units) {
  return static_cast<short>(MulDiv(pixels, 8, units.y));
}
int PixelsFromUnitsX(int dialogUnits, DialogBaseUnits units) {
  return MulDiv(dialogUnits, units.x, 4);
}
int PixelsFromUnitsY(int dialogUnits, DialogBaseUnits units) {
  return MulDiv(dialogUnits, units.y, 8);
}

}  // namespace platform
#endif

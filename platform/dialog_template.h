// In-memory dialog templates for the Unicode dialog functions: a DLGTEMPLATE
// with its font (DS_SETFONT) followed by its DLGITEMTEMPLATE items, each
// aligned as DialogBoxIndirectParamW expects. Also the conversion between
// pixels and the dialog units of a font, so that a form laid out in pixels
// can be written as a template.
#pragma once

#ifdef _WIN32
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace platform {

// Classes the dialog manager knows by atom.
enum class DialogClass : WORD {
  Button = 0x80,
  Edit = 0x81,
  Static = 0x82,
  ListBox = 0x83,
  ScrollBar = 0x84,
  ComboBox = 0x85,
};

struct DialogRect {
  short x = 0, y = 0, cx = 0, cy = 0;  // dialog units
};

class DialogTemplate {
 public:
  // DS_SETFONT is added to style; pointSize and face name the dialog's font.
  DialogTemplate(DWORD style, DWORD exStyle, DialogRect rect, std::wstring_view title,
                 WORD pointSize, std::wstring_view face);

  void AddItem(DWORD style, DWORD exStyle, DialogRect rect, WORD id, DialogClass windowClass,
               std::wstring_view text);
  // A control of a registered class, named by its class name.
  void AddItem(DWORD style, DWORD exStyle, DialogRect rect, WORD id, std::wstring_view className,
               std::wstring_view text);

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }
  size_t Size() const { return words_.size() * sizeof(WORD); }
  int ItemCount() const { return items_; }

 private:
  void BeginItem(DWORD style, DWORD exStyle, DialogRect rect, WORD id);
  void EndItem(std::wstring_view text);
  void PutDword(DWORD value);
  void PutString(std::wstring_view text);
  void AlignToDword();

  std::vector<WORD> words_;
  int items_ = 0;
};

// The dialog base units of a font in pixels: the average width of the Latin
// letters and the character height, as the dialog manager computes them.
struct DialogBaseUnits {
  int x = 8;
  int y = 16;
};

DialogBaseUnits BaseUnitsOf(HFONT font);

// Pixels to dialog units and back, rounded as MapDialogRect rounds.
short UnitsFromPixelsX(int pixels, DialogBaseUnits units);
short UnitsFromPixelsY(int pixels, DialogBaseUnits units);
int PixelsFromUnitsX(int dialogUnits, DialogBaseUnits units);
int PixelsFromUnitsY(int dialogUnits, DialogBaseUnits units);

}  // namespace platform
#endif

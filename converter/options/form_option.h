// TFormOption: the save-options form as a model. It holds the controls with
// their captions, positions, visibility and tab order, the compression items
// with their values, and the handlers that run on create, on a selection and
// when the form is about to close. Drawing it and feeding it the user's keys
// is the presenter's part (form_presenter.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "converter/core/comp_type.h"
#include "converter/options/controls.h"

namespace dorv {

// Values of the compression items: the container's compression types, the
// lossy item being JPEG planes.
inline constexpr int32_t kCompLossy = kCompJpeg;

class TFormOption {
 public:
  using TWarningFn = std::function<void(const std::string&)>;

  // Builds the form as laid out and runs FormCreate, which reads the
  // library-wide bits per pixel (bits_per_pixel.h).
  TFormOption();
  TFormOption(const TFormOption&) = delete;
  TFormOption& operator=(const TFormOption&) = delete;

  // Form properties.
  const std::string Name = "FormOption";
  const std::string Caption = "DorvStudio Format Options";
  const int ClientWidth = 327;
  const int ClientHeight = 179;
  const std::string FontName = "ＭＳ Ｐゴシック";
  const int FontHeight = -12;

  // Controls, in creation order.
  TBevel Bevel1;
  TComboBox ComboType;
  TSpinEdit SpinQual;
  TEdit EditCode;
  TLabel Label1;
  TLabel LabelQual;
  TLabel LabelCode;
  TButton Button1;
  TButton Button2;

  // Handlers.
  void FormCreate();
  void ComboTypeClick();
  // Returns whether the form may close with the given result. Closing with
  // OK while the code box is visible checks the code; a bad code is reported
  // through warn and keeps the form open.
  bool FormCloseQuery(TModalResult result, const TWarningFn& warn) const;

  // What the user does.
  void SelectItem(int index);  // picks an item of ComboType, as a click
  TControl* ActiveControl() const;
  bool SetFocus(TControl* control);        // false when it cannot take the focus
  void FocusNext(bool backwards = false);  // Tab / Shift+Tab
  bool AccessKey(char key);                // Alt+key or key alone: focus the label's control
  std::vector<TControl*> TabOrderList() const;  // focusable controls by tab order
  std::vector<const TControl*> Controls() const;

  // Results.
  int32_t CompressionValue() const;  // value of the selected item
  // The quality: the spin edit's value within its bounds.
  int32_t Quality() const;
  // The code: 0 while the code box is hidden or empty, else the first four
  // bytes of its text packed big-endian.
  int32_t Code() const;

  // The code-box check on its own: empty, or exactly four bytes that count
  // as four characters (a double-byte lead byte counts as one character
  // together with the byte after it).
  static bool IsAcceptableCode(const std::string& text);
  static int32_t PackCode(const std::string& text);

 private:
  TControl* active_ = nullptr;
};

}  // namespace dorv

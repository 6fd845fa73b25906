// The controls of the save-options form as plain data: what a presenter
// draws and what the user changes. Positions and sizes are in pixels at
// 96 pixels per inch, as the form was laid out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace dorv {

enum class TModalResult { None, Ok, Cancel };

enum class TControlKind { Bevel, Label, ComboBox, SpinEdit, Edit, Button };

struct TBounds {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
};

struct TControl {
  TControl(std::string name, TControlKind kind, TBounds bounds, int tabOrder = -1)
      : Name(std::move(name)), Kind(kind), Bounds(bounds), TabOrder(tabOrder) {}
  virtual ~TControl() = default;
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  std::string Name;
  TControlKind Kind;
  TBounds Bounds;
  bool Visible = true;
  int TabOrder = -1;  // -1: not a tab stop (bevels, labels)

  bool CanFocus() const { return Visible && TabOrder >= 0; }
};

struct TBevel : TControl {
  TBevel(std::string name, TBounds bounds) : TControl(std::move(name), TControlKind::Bevel, bounds) {}
};

// A label whose caption marks its access key with '&'; the key moves the
// focus to FocusControl.
struct TLabel : TControl {
  TLabel(std::string name, TBounds bounds, std::string caption, TControl* focusControl)
      : TControl(std::move(name), TControlKind::Label, bounds),
        Caption(std::move(caption)),
        FocusControl(focusControl) {}

  std::string Caption;
  TControl* FocusControl;

  // The upper-case access key, or 0 when the caption has none ("&&" is a
  // literal ampersand).
  char AccessKey() const;
  // The caption without the access-key marker; accessAt receives the byte
  // offset of the access key in the result (npos when there is none).
  std::string PlainCaption(size_t* accessAt = nullptr) const;
};

struct TComboItem {
  std::string Text;
  int32_t Value = 0;
};

// A drop-down list without typing: the user only picks an item.
struct TComboBox : TControl {
  TComboBox(std::string name, TBounds bounds, int tabOrder)
      : TControl(std::move(name), TControlKind::ComboBox, bounds, tabOrder) {}

  std::vector<TComboItem> Items;
  int ItemIndex = -1;
  int ItemHeight = 12;

  const TComboItem* Selected() const;
};

// An integer spin edit. Its value is read from its text: the whole number
// typed, or the minimum when the text is not a whole number. Out-of-range
// numbers are brought to the nearer bound when the control loses the focus;
// the spin buttons move by one within the bounds.
struct TSpinEdit : TControl {
  TSpinEdit(std::string name, TBounds bounds, int tabOrder, int32_t minValue, int32_t maxValue,
            int32_t value)
      : TControl(std::move(name), TControlKind::SpinEdit, bounds, tabOrder),
        MinValue(minValue),
        MaxValue(maxValue) {
    SetValue(value);
  }

  std::string Text;
  int32_t MinValue;
  int32_t MaxValue;

  int32_t Value() const;
  int32_t Clamp(int32_t v) const;
  void SetValue(int32_t v);  // stores the clamped value as text
  void StepUp();
  void StepDown();
  void Exit();  // focus leaves the control
  // Keys the control accepts as typed text: digits and the signs.
  static bool IsValidChar(char c);
};

// A single-line edit; MaxLength limits typing, counted in bytes of the
// form's ANSI code page (the initial text may be longer).
struct TEdit : TControl {
  TEdit(std::string name, TBounds bounds, int tabOrder, size_t maxLength, std::string text)
      : TControl(std::move(name), TControlKind::Edit, bounds, tabOrder),
        Text(std::move(text)),
        MaxLength(maxLength) {}

  std::string Text;  // bytes in the form's ANSI code page
  size_t MaxLength;
};

struct TButton : TControl {
  TButton(std::string name, TBounds bounds, int tabOrder, std::string caption,
          TModalResult modalResult, bool isDefault, bool isCancel)
      : TControl(std::move(name), TControlKind::Button, bounds, tabOrder),
        Caption(std::move(caption)),
        ModalResult(modalResult),
        Default(isDefault),
        Cancel(isCancel) {}

  std::string Caption;
  TModalResult ModalResult;
  bool Default;  // clicked by Enter
  bool Cancel;   // clicked by Escape
};

// Parses a whole number (optional sign, decimal digits, surrounding blanks)
// that fits 32 bits.
bool ParseWholeNumber(const std::string& text, int32_t* value);

}  // namespace dorv

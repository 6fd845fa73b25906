#include "converter/options/form_option.h"

#include <algorithm>

#include "converter/core/format_names.h"
#include "converter/core/messages.h"
#include "converter/options/bits_per_pixel.h"
#include "platform/win32.h"

namespace dorv {
namespace {

// The items offered at every depth; FormCreate adds the lossy one from 24 bits.
const TComboItem kCommonItems[] = {{"通常圧縮", kCompZlib}, {"無圧縮", kCompNone}};

}  // namespace

TFormOption::TFormOption()
    : Bevel1("Bevel1", {8, 8, 309, 125}),
      ComboType("ComboType", {116, 24, 177, 20}, 0),
      SpinQual("SpinQual", {116, 60, 100, 21}, 1, 1, 100, defaults::kQuality),
      EditCode("EditCode", {116, 96, 101, 20}, 2, 4, "EditCode"),
      Label1("Label1", {28, 28, 70, 12}, "圧縮方式(&C)：", &ComboType),
      LabelQual("LabelQual", {28, 64, 46, 12}, "品質(&Q)：", &SpinQual),
      LabelCode("LabelCode", {28, 100, 52, 12}, "コード(&O)：", &EditCode),
      Button1("Button1", {160, 144, 75, 25}, 3, "OK", TModalResult::Ok, true, false),
      Button2("Button2", {240, 144, 75, 25}, 4, "キャンセル", TModalResult::Cancel, false, true) {
  LabelCode.Visible = false;
  EditCode.Visible = false;
  FormCreate();
}

void TFormOption::FormCreate() {
  ComboType.Items.assign(std::begin(kCommonItems), std::end(kCommonItems));
  if (OptionBitsPerPixel() >= 24) ComboType.Items.push_back({"不可逆圧縮", kCompLossy});
  ComboType.ItemIndex = 0;
  ComboTypeClick();
}

void TFormOption::ComboTypeClick() {
  const TComboItem* item = ComboType.Selected();
  LabelQual.Visible = item != nullptr && item->Value == kCompLossy;
  SpinQual.Visible = LabelQual.Visible;
}

void TFormOption::SelectItem(int index) {
  if (index < 0 || static_cast<size_t>(index) >= ComboType.Items.size()) return;
  ComboType.ItemIndex = index;
  ComboTypeClick();
}

bool TFormOption::IsAcceptableCode(const std::string& text) {
  if (text.empty()) return true;
  if (text.size() != 4) return false;
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++chars)
    i += IsDBCSLeadByte(static_cast<BYTE>(text[i])) ? 2 : 1;
  return chars == 4;
}

int32_t TFormOption::PackCode(const std::string& text) {
  uint32_t code = 0;
  for (size_t i = 0; i < 4; ++i) {
    uint32_t b = i < text.size() ? static_cast<uint8_t>(text[i]) : 0;
    code |= b << (8 * (3 - i));
  }
  return static_cast<int32_t>(code);
}

bool TFormOption::FormCloseQuery(TModalResult result, const TWarningFn& warn) const {
  if (result != TModalResult::Ok || !EditCode.Visible) return true;
  if (IsAcceptableCode(EditCode.Text)) return true;
  if (warn) warn(msg::kCodeWarning);
  return false;
}

std::vector<const TControl*> TFormOption::Controls() const {
  return {&Bevel1, &Label1, &LabelQual, &LabelCode, &ComboType,
          &SpinQual, &EditCode, &Button1, &Button2};
}

std::vector<TControl*> TFormOption::TabOrderList() const {
  std::vector<TControl*> list;
  for (const TControl* c : Controls())
    if (c->CanFocus()) list.push_back(const_cast<TControl*>(c));
  std::stable_sort(list.begin(), list.end(),
                   [](const TControl* a, const TControl* b) { return a->TabOrder < b->TabOrder; });
  return list;
}

TControl* TFormOption::ActiveControl() const {
  if (active_ != nullptr && active_->CanFocus()) return active_;
  std::vector<TControl*> list = TabOrderList();
  return list.empty() ? nullptr : list.front();
}

bool TFormOption::SetFocus(TControl* control) {
  if (control == nullptr || !control->CanFocus()) return false;
  TControl* previous = ActiveControl();
  if (previous == &SpinQual && control != &SpinQual) SpinQual.Exit();
  active_ = control;
  return true;
}

void TFormOption::FocusNext(bool backwards) {
  std::vector<TControl*> list = TabOrderList();
  if (list.empty()) return;
  auto at = std::find(list.begin(), list.end(), ActiveControl());
  size_t i = at == list.end() ? 0 : static_cast<size_t>(at - list.begin());
  size_t n = list.size();
  SetFocus(list[backwards ? (i + n - 1) % n : (i + 1) % n]);
}

bool TFormOption::AccessKey(char key) {
  char k = (key >= 'a' && key <= 'z') ? static_cast<char>(key - 'a' + 'A') : key;
  for (TLabel* label : {&Label1, &LabelQual, &LabelCode})
    if (label->Visible && label->AccessKey() == k) return SetFocus(label->FocusControl);
  return false;
}

int32_t TFormOption::CompressionValue() const {
  const TComboItem* item = ComboType.Selected();
  return item == nullptr ? kCompZlib : item->Value;
}

int32_t TFormOption::Quality() const { return SpinQual.Clamp(SpinQual.Value()); }

int32_t TFormOption::Code() const {
  if (!EditCode.Visible || EditCode.Text.empty()) return 0;
  return PackCode(EditCode.Text);
}

}  // namespace dorv

#include "converter/options/controls.h"

#include <cctype>
#include <cstdint>
#include <limits>

#include "converter/xml/xmltree.h"

namespace dorv {

char TLabel::AccessKey() const {
  size_t at = std::string::npos;
  const std::string plain = PlainCaption(&at);
  if (at == std::string::npos) return 0;
  return static_cast<char>(std::toupper(static_cast<unsigned char>(plain[at])));
}

std::string TLabel::PlainCaption(size_t* accessAt) const {
  std::string out;
  size_t at = std::string::npos;
  for (size_t i = 0; i < Caption.size(); ++i) {
    if (Caption[i] == '&' && i + 1 < Caption.size()) {
      ++i;
      if (Caption[i] != '&' && at == std::string::npos) at = out.size();
    }
    out += Caption[i];
  }
  if (accessAt != nullptr) *accessAt = at;
  return out;
}

const TComboItem* TComboBox::Selected() const {
  if (ItemIndex < 0 || static_cast<size_t>(ItemIndex) >= Items.size()) return nullptr;
  return &Items[static_cast<size_t>(ItemIndex)];
}

// The header's integer rule, once the blanks around the number are cut.
bool ParseWholeNumber(const std::string& text, int32_t* value) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return false;
  const size_t last = text.find_last_not_of(" \t");
  return TryStrToInt(text.substr(first, last - first + 1), *value);
}

int32_t TSpinEdit::Value() const {
  int32_t v = 0;
  return ParseWholeNumber(Text, &v) ? v : MinValue;
}

int32_t TSpinEdit::Clamp(int32_t v) const {
  if (MaxValue == MinValue) return v;  // equal bounds mean "no bounds"
  if (v < MinValue) return MinValue;
  if (v > MaxValue) return MaxValue;
  return v;
}

void TSpinEdit::SetValue(int32_t v) { Text = std::to_string(Clamp(v)); }

void TSpinEdit::StepUp() {
  int32_t v = Value();
  SetValue(v == std::numeric_limits<int32_t>::max() ? v : v + 1);
}

void TSpinEdit::StepDown() {
  int32_t v = Value();
  SetValue(v == std::numeric_limits<int32_t>::min() ? v : v - 1);
}

void TSpinEdit::Exit() {
  int32_t v = Value();
  if (Clamp(v) != v) SetValue(v);
}

bool TSpinEdit::IsValidChar(char c) {
  return (c >= '0' && c <= '9') || c == '+' || c == '-';
}

}  // namespace dorv

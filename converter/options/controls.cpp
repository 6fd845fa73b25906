#include "converter/options/controls.h"

#include <cctype>
#include <cstdint>
#include <limits>

namespace dorv {

char TLabel::AccessKey() const {
  for (size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&') continue;
    if (Caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::toupper(static_cast<unsigned char>(Caption[i + 1])));
  }
  return 0;
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

bool ParseWholeNumber(const std::string& text, int32_t* value) {
  size_t i = 0;
  const size_t n = text.size();
  auto blank = [&](size_t k) { return text[k] == ' ' || text[k] == '\t'; };
  while (i < n && blank(i)) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == n || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  int64_t v = 0;
  for (; i < n && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    v = v * 10 + (text[i] - '0');
    if (v > int64_t{std::numeric_limits<int32_t>::max()} + 1) return false;
  }
  while (i < n && blank(i)) ++i;
  if (i != n) return false;
  if (negative) v = -v;
  if (v > std::numeric_limits<int32_t>::max() || v < std::numeric_limits<int32_t>::min())
    return false;
  *value = static_cast<int32_t>(v);
  return true;
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

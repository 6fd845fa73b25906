#ifndef _WIN32
#include "converter/options/tty_view.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "converter/options/form_option.h"

namespace dorv {
namespace {

constexpr const char* kReverse = "\x1b[7m";
constexpr const char* kUnderline = "\x1b[4m";
constexpr const char* kNormal = "\x1b[0m";
constexpr const char* kNewLine = "\x1b[K\r\n";

// Column where the controls beside the labels start.
constexpr size_t kControlColumn = 18;
constexpr size_t kComboWidth = 20;
constexpr size_t kSpinWidth = 10;
constexpr size_t kEditWidth = 8;

bool IsWide(uint32_t cp) {
  return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
         (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
         (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
         (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
}

// Terminal columns that a UTF-8 text takes (East Asian wide characters two).
size_t DisplayWidth(std::string_view utf8) {
  size_t width = 0;
  for (size_t i = 0; i < utf8.size();) {
    auto c = static_cast<unsigned char>(utf8[i]);
    uint32_t cp = c;
    size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
    if (len > 1 && i + len <= utf8.size()) {
      cp = c & (0x7F >> len);
      for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    } else {
      len = 1;
    }
    if (c == 0x1B) {  // an ANSI attribute takes no room
      size_t end = utf8.find('m', i);
      i = end == std::string_view::npos ? utf8.size() : end + 1;
      continue;
    }
    width += IsWide(cp) ? 2 : 1;
    i += len;
  }
  return width;
}

std::string Pad(std::string_view text, size_t width) {
  std::string out(text);
  size_t w = DisplayWidth(text);
  if (w < width) out.append(width - w, ' ');
  return out;
}

std::string Focused(const std::string& text, bool focused) {
  return focused ? std::string(kReverse) + text + kNormal : text;
}

// The label's caption with the access key underlined.
std::string LabelText(const TLabel& label) {
  size_t at = std::string::npos;
  std::string plain = label.PlainCaption(&at);
  if (at == std::string::npos) return plain;
  return plain.substr(0, at) + kUnderline + plain[at] + kNormal + plain.substr(at + 1);
}

// Bytes of the form's code page shown as they are when printable ASCII.
std::string Printable(const std::string& bytes) {
  std::string out;
  for (char c : bytes) out += (c >= 0x20 && c < 0x7F) ? c : '?';
  return out;
}

std::string ControlText(const TFormOption& form, const TControl* control, bool focused) {
  if (control == &form.ComboType) {
    const TComboItem* item = form.ComboType.Selected();
    std::string box = "[" + Pad(item ? item->Text : "", kComboWidth - 4) + " v]";
    return Focused(box, focused);
  }
  if (control == &form.SpinQual)
    return Focused("[" + Pad(form.SpinQual.Text, kSpinWidth) + "]", focused) + " ^v";
  if (control == &form.EditCode)
    return Focused("[" + Pad(Printable(form.EditCode.Text), kEditWidth) + "]", focused);
  return {};
}

}  // namespace

std::string RenderFormText(const TFormOption& form, const std::string& warning) {
  const TControl* focus = warning.empty() ? form.ActiveControl() : nullptr;
  std::string out = "\x1b[H";
  std::string rule(kControlColumn + kComboWidth + 4, '-');
  out += " " + form.Caption + kNewLine;
  out += " " + rule + kNewLine;

  std::vector<const TLabel*> labels = {&form.Label1, &form.LabelQual, &form.LabelCode};
  std::stable_sort(labels.begin(), labels.end(),
                   [](const TLabel* a, const TLabel* b) { return a->Bounds.Top < b->Bounds.Top; });
  for (const TLabel* label : labels) {
    if (!label->Visible) continue;
    std::string line = "   " + Pad(LabelText(*label), kControlColumn - 3);
    const TControl* control = label->FocusControl;
    if (control != nullptr && control->Visible) line += ControlText(form, control, control == focus);
    out += line + kNewLine;
    if (control == &form.ComboType) {
      for (size_t i = 0; i < form.ComboType.Items.size(); ++i) {
        bool selected = static_cast<int>(i) == form.ComboType.ItemIndex;
        out += std::string(kControlColumn + 1, ' ') + (selected ? "(*) " : "( ) ") +
               form.ComboType.Items[i].Text + kNewLine;
      }
    }
  }
  out += kNewLine;
  std::string buttons(kControlColumn, ' ');
  for (const TButton* b : {&form.Button1, &form.Button2})
    if (b->Visible) buttons += Focused("[ " + b->Caption + " ]", b == focus) + "  ";
  out += buttons + kNewLine;
  out += " " + rule + kNewLine;
  out += " Up/Down: change  Tab: next  Alt+C/Q/O: go to  Enter: OK  Esc: cancel";
  out += kNewLine;
  if (!warning.empty()) {
    out += kNewLine;
    out += " ! " + warning + kNewLine;
    out += "   " + Focused("[ OK ]", true) + kNewLine;
  }
  out += "\x1b[J";
  return out;
}

}  // namespace dorv
#endif

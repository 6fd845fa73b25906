#ifndef _WIN32
#include "converter/options/tty_presenter.h"

#include <algorithm>
#include <cstdint>

#include "converter/core/messages.h"
#include "converter/options/form_option.h"
#include "converter/options/tty_view.h"
#include "platform/terminal.h"

namespace dorv {
namespace {

using platform::Key;
using platform::KeyEvent;

constexpr const char* kEnterScreen = "\x1b[?1049h\x1b[?25l\x1b[2J";
constexpr const char* kLeaveScreen = "\x1b[?25h\x1b[?1049l";

class TTerminalPresenter final : public TFormPresenter {
 public:
  explicit TTerminalPresenter(std::unique_ptr<platform::Terminal> terminal)
      : terminal_(std::move(terminal)) {}

  TModalResult ShowModal(TFormOption& form) override {
    form_ = &form;
    terminal_->Write(kEnterScreen);
    TModalResult result = Run(form);
    terminal_->Write(kLeaveScreen);
    form_ = nullptr;
    return result;
  }

  void ShowWarning(const std::string& text) override {
    if (form_ == nullptr) return;
    for (;;) {
      if (!terminal_->Write(RenderFormText(*form_, text))) return;
      KeyEvent k = terminal_->ReadKey();
      if (k.key == Key::Enter || k.key == Key::Escape || k.key == Key::Eof ||
          k.key == Key::Interrupt || (k.key == Key::Char && k.text == " "))
        return;
    }
  }

 private:
  // Runs until the form may close; the user's keys drive the model.
  TModalResult Run(TFormOption& form) {
    const TControl* lastFocus = nullptr;
    for (;;) {
      TControl* focus = form.ActiveControl();
      if (focus != lastFocus) selectAll_ = true;  // entering an edit selects its text
      lastFocus = focus;
      if (!terminal_->Write(RenderFormText(form, {}))) return TModalResult::Cancel;

      KeyEvent k = terminal_->ReadKey();
      TModalResult close = TModalResult::None;
      switch (k.key) {
        case Key::Eof:
        case Key::Interrupt:
          return TModalResult::Cancel;
        case Key::Escape:
          close = form.Button2.ModalResult;
          break;
        case Key::Enter:
          close = focus && focus->Kind == TControlKind::Button
                      ? static_cast<TButton*>(focus)->ModalResult
                      : form.Button1.ModalResult;
          break;
        case Key::Tab:
        case Key::BackTab:
          form.FocusNext(k.key == Key::BackTab);
          break;
        case Key::Up:
        case Key::Left:
        case Key::Down:
        case Key::Right:
        case Key::Home:
        case Key::End:
          Move(form, focus, k.key);
          break;
        case Key::Backspace:
          Erase(form, focus);
          break;
        case Key::Char:
          close = Type(form, focus, k);
          break;
        default:
          break;
      }
      if (close == TModalResult::None) continue;
      if (close == TModalResult::Ok && focus == &form.SpinQual) form.SpinQual.Exit();
      if (form.FormCloseQuery(close, [this](const std::string& t) { ShowWarning(t); }))
        return close;
    }
  }

  void Move(TFormOption& form, TControl* focus, Key key) {
    bool back = key == Key::Up || key == Key::Left;
    if (focus == &form.ComboType) {
      int n = static_cast<int>(form.ComboType.Items.size());
      if (n == 0) return;
      int i = form.ComboType.ItemIndex;
      if (key == Key::Home) i = 0;
      else if (key == Key::End) i = n - 1;
      else i = back ? std::max(0, i - 1) : std::min(n - 1, i + 1);
      if (i != form.ComboType.ItemIndex) form.SelectItem(i);
    } else if (focus == &form.SpinQual) {
      if (key == Key::Up) form.SpinQual.StepUp();
      if (key == Key::Down) form.SpinQual.StepDown();
      selectAll_ = true;
    } else if (focus != nullptr && focus->Kind == TControlKind::Button) {
      if (key == Key::Left || key == Key::Right) form.FocusNext(back);
    }
  }

  void Erase(TFormOption& form, TControl* focus) {
    std::string* text = focus == &form.SpinQual   ? &form.SpinQual.Text
                        : focus == &form.EditCode ? &form.EditCode.Text
                                                  : nullptr;
    if (text == nullptr) return;
    if (selectAll_) text->clear();
    else if (!text->empty()) text->pop_back();
    selectAll_ = false;
  }

  TModalResult Type(TFormOption& form, TControl* focus, const KeyEvent& k) {
    const char c = k.text.size() == 1 ? k.text[0] : 0;
    if (!k.alt) {
      if (focus == &form.SpinQual && TSpinEdit::IsValidChar(c)) {
        Insert(form.SpinQual.Text, c, SIZE_MAX);
        return TModalResult::None;
      }
      // The code box takes single-byte characters only.
      if (focus == &form.EditCode && c >= 0x20 && c < 0x7F) {
        Insert(form.EditCode.Text, c, form.EditCode.MaxLength);
        return TModalResult::None;
      }
      if (c == ' ' && focus && focus->Kind == TControlKind::Button)
        return static_cast<TButton*>(focus)->ModalResult;
    }
    if (c != 0) form.AccessKey(c);
    return TModalResult::None;
  }

  void Insert(std::string& text, char c, size_t maxLength) {
    if (selectAll_) text.clear();
    selectAll_ = false;
    if (text.size() < maxLength) text += c;
  }

  std::unique_ptr<platform::Terminal> terminal_;
  TFormOption* form_ = nullptr;
  bool selectAll_ = true;
};

}  // namespace

std::unique_ptr<TFormPresenter> CreateTerminalPresenter(std::string* why) {
  std::string reason;
  std::unique_ptr<platform::Terminal> terminal = platform::Terminal::Open(&reason);
  if (!terminal) {
    if (why != nullptr) *why = std::string(msg::kNoTerminal) + " (" + reason + ")";
    return nullptr;
  }
  return std::make_unique<TTerminalPresenter>(std::move(terminal));
}

std::unique_ptr<TFormPresenter> CreateFormPresenter(std::string* why) {
  return CreateTerminalPresenter(why);
}

}  // namespace dorv
#endif

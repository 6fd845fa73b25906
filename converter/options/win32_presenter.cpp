#ifdef _WIN32
#include "converter/options/win32_presenter.h"

// commctrl.h needs the Windows types first.
#include "platform/win32.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "converter/core/messages.h"
#include "converter/options/form_option.h"
#include "platform/dialog_template.h"
#include "platform/wide_text.h"

namespace dorv {
namespace {

namespace ids = win32_dialog;

struct FontDeleter {
  void operator()(HFONT font) const {
    if (font != nullptr) DeleteObject(font);
  }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// The module that holds this code: the dialog belongs to it.
HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(std::max(length, 0)) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return text;
}

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK;
constexpr DWORD kDialogExStyle = 0;

// How the model's controls become windows: identifier, class and styles.
struct ControlEntry {
  const TControl* control;
  WORD id;
  DWORD style;
  DWORD exStyle;
};

class TWin32Presenter final : public TFormPresenter {
 public:
  TModalResult ShowModal(TFormOption& form) override {
    form_ = &form;
    font_.reset(CreateFontW(form.FontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                            SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                            platform::WideFromUtf8(form.FontName).c_str()));
    const platform::DialogTemplate dialogTemplate = BuildTemplate(form);
    const INT_PTR result =
        DialogBoxIndirectParamW(ThisModule(), dialogTemplate.Get(), GetActiveWindow(),
                                &TWin32Presenter::DialogProc, reinterpret_cast<LPARAM>(this));
    dialog_ = nullptr;
    form_ = nullptr;
    font_.reset();
    if (result == IDOK) return TModalResult::Ok;
    if (result == IDCANCEL) return TModalResult::Cancel;
    return TModalResult::None;
  }

  void ShowWarning(const std::string& text) override {
    const std::wstring wideText = platform::WideFromUtf8(text);
    const std::wstring caption = platform::WideFromUtf8(msg::kOptionsCaption);
    MessageBoxW(dialog_ != nullptr ? dialog_ : GetActiveWindow(), wideText.c_str(),
                caption.c_str(), MB_OK | MB_ICONWARNING);
  }

 private:
  // ---- The template ---------------------------------------------------------

  std::vector<ControlEntry> Entries(const TFormOption& f) const {
    const DWORD child = WS_CHILD;
    const DWORD edit = child | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
    auto button = [&](const TButton& b) {
      return ControlEntry{&b, static_cast<WORD>(b.ModalResult == TModalResult::Ok ? IDOK : IDCANCEL),
                         child | WS_TABSTOP | (b.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0};
    };
    // Window order is tab order, and each label comes right before the
    // control it names, which is where the dialog manager sends its key.
    return {
        {&f.Bevel1, ids::kBevel1, child | SS_ETCHEDFRAME, 0},
        {&f.Label1, ids::kLabel1, child | SS_LEFTNOWORDWRAP, 0},
        {&f.ComboType, ids::kComboType, child | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0},
        {&f.LabelQual, ids::kLabelQual, child | SS_LEFTNOWORDWRAP, 0},
        {&f.SpinQual, ids::kSpinQual, edit, WS_EX_CLIENTEDGE},
        {&f.LabelCode, ids::kLabelCode, child | SS_LEFTNOWORDWRAP, 0},
        {&f.EditCode, ids::kEditCode, edit, WS_EX_CLIENTEDGE},
        button(f.Button1),
        button(f.Button2),
    };
  }

  platform::DialogTemplate BuildTemplate(const TFormOption& f) const {
    const platform::DialogBaseUnits units = platform::BaseUnitsOf(font_.get());
    auto rect = [&](const TBounds& b) {
      return platform::DialogRect{platform::UnitsFromPixelsX(b.Left, units),
                                  platform::UnitsFromPixelsY(b.Top, units),
                                  platform::UnitsFromPixelsX(b.Width, units),
                                  platform::UnitsFromPixelsY(b.Height, units)};
    };
    // The font's size in points at the screen's resolution.
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    const WORD points = static_cast<WORD>(MulDiv(-f.FontHeight, 72, dpi > 0 ? dpi : 96));

    platform::DialogTemplate t(kDialogStyle, kDialogExStyle,
                               rect({0, 0, f.ClientWidth, f.ClientHeight}),
                               platform::WideFromUtf8(f.Caption), points,
                               platform::WideFromUtf8(f.FontName));
    for (const ControlEntry& entry : Entries(f)) {
      const TControl& c = *entry.control;
      const DWORD style = entry.style | (c.Visible ? WS_VISIBLE : 0);
      std::wstring text;
      platform::DialogClass windowClass = platform::DialogClass::Static;
      switch (c.Kind) {
        case TControlKind::Bevel:
          break;
        case TControlKind::Label:
          text = platform::WideFromUtf8(static_cast<const TLabel&>(c).Caption);
          break;
        case TControlKind::ComboBox:
          windowClass = platform::DialogClass::ComboBox;
          break;
        case TControlKind::SpinEdit:
          windowClass = platform::DialogClass::Edit;
          text = platform::WideFromAnsi(static_cast<const TSpinEdit&>(c).Text);
          break;
        case TControlKind::Edit:
          windowClass = platform::DialogClass::Edit;
          text = platform::WideFromAnsi(static_cast<const TEdit&>(c).Text);
          break;
        case TControlKind::Button:
          windowClass = platform::DialogClass::Button;
          text = platform::WideFromUtf8(static_cast<const TButton&>(c).Caption);
          break;
      }
      t.AddItem(style, entry.exStyle, rect(c.Bounds), entry.id, windowClass, text);
      if (c.Kind == TControlKind::SpinEdit) {
        // The spin buttons sit inside the spin edit's bounds, at its right.
        t.AddItem(WS_CHILD | UDS_ARROWKEYS | UDS_NOTHOUSANDS |
                      (c.Visible ? WS_VISIBLE : 0),
                  0, rect(c.Bounds), ids::kSpinQualButtons, UPDOWN_CLASSW, L"");
      }
    }
    return t;
  }

  // ---- The running dialog ---------------------------------------------------

  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      auto* self = reinterpret_cast<TWin32Presenter*>(lParam);
      self->dialog_ = dialog;
      self->Initialise();
      return TRUE;  // the focus goes to the first tab stop, the drop-down list
    }
    auto* self = reinterpret_cast<TWin32Presenter*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr || self->form_ == nullptr) return FALSE;
    switch (message) {
      case WM_COMMAND:
        return self->OnCommand(LOWORD(wParam), HIWORD(wParam));
      case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == static_cast<UINT_PTR>(ids::kSpinQualButtons) &&
            header->code == UDN_DELTAPOS) {
          self->Step(reinterpret_cast<const NMUPDOWN*>(lParam)->iDelta);
          SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);  // the buttons keep no value
          return TRUE;
        }
        return FALSE;
      }
      default:
        return FALSE;
    }
  }

  HWND Item(int id) const { return GetDlgItem(dialog_, id); }

  void Initialise() {
    TFormOption& f = *form_;
    for (const ControlEntry& entry : Entries(f))
      SendMessageW(Item(entry.id), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    SendMessageW(dialog_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);

    // Client area and controls at their pixel positions, whatever the dialog
    // units of the font came to.
    RECT frame{0, 0, f.ClientWidth, f.ClientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(dialog_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(dialog_, GWL_EXSTYLE)));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int desktopX = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int desktopY = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int desktopWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int desktopHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    SetWindowPos(dialog_, nullptr, desktopX + (desktopWidth - width) / 2,
                 desktopY + (desktopHeight - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    for (const ControlEntry& entry : Entries(f)) {
      if (entry.control->Kind == TControlKind::Label)
        FitLabel(Item(entry.id), entry.control->Bounds);
      else
        Place(Item(entry.id), entry.control->Bounds);
    }

    // The drop-down list: its items with their values, the selection field
    // as high as the form says and list items of the item height.
    HWND combo = Item(ids::kComboType);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const TComboItem& item : f.ComboType.Items) {
      const std::wstring text = platform::WideFromUtf8(item.Text);
      const LRESULT at = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
      if (at >= 0) SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), item.Value);
    }
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(f.ComboType.ItemIndex), 0);
    SendMessageW(combo, CB_SETITEMHEIGHT, 0, f.ComboType.ItemHeight);
    FitComboHeight(combo, f.ComboType);

    // The spin edit: the up-down control takes the right part of its
    // bounds, the edit the rest.
    HWND spin = Item(ids::kSpinQual);
    HWND buttons = Item(ids::kSpinQualButtons);
    const TBounds& b = f.SpinQual.Bounds;
    const int buttonsWidth = std::min(GetSystemMetrics(SM_CXVSCROLL), b.Width / 2);
    Place(spin, {b.Left, b.Top, b.Width - buttonsWidth, b.Height});
    Place(buttons, {b.Left + b.Width - buttonsWidth, b.Top, buttonsWidth, b.Height});
    SendMessageW(buttons, UDM_SETBUDDY, reinterpret_cast<WPARAM>(spin), 0);
    SendMessageW(buttons, UDM_SETRANGE32, static_cast<WPARAM>(f.SpinQual.MinValue),
                 static_cast<LPARAM>(f.SpinQual.MaxValue));
    // The buttons hold a middle value that never changes, so that both
    // directions always report a step; the value itself is the edit's text.
    SendMessageW(buttons, UDM_SETPOS32, 0, (f.SpinQual.MinValue + f.SpinQual.MaxValue) / 2);

    SetWindowSubclass(spin, &TWin32Presenter::SpinEditProc, 0, 0);

    codeText_ = f.EditCode.Text;
    ApplyVisibility();
  }

  // The spin edit takes only digits and signs as typed characters; control
  // characters (backspace, the clipboard keys) pass.
  static LRESULT CALLBACK SpinEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR, DWORD_PTR) {
    if (message == WM_CHAR && wParam >= 0x20 &&
        (wParam > 0x7F || !TSpinEdit::IsValidChar(static_cast<char>(wParam)))) {
      MessageBeep(MB_OK);
      return 0;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(window, &TWin32Presenter::SpinEditProc, 0);
    return DefSubclassProc(window, message, wParam, lParam);
  }

  void Place(HWND window, const TBounds& b) const {
    SetWindowPos(window, nullptr, b.Left, b.Top, b.Width, b.Height, SWP_NOZORDER | SWP_NOACTIVATE);
  }

  // Labels size themselves to their caption: they keep their place and are
  // never smaller than laid out, and a font wider than the form's own still
  // shows the whole caption instead of wrapping it out of sight.
  void FitLabel(HWND label, const TBounds& b) const {
    RECT text{0, 0, 0, 0};
    HDC dc = GetDC(label);
    if (dc != nullptr) {
      HGDIOBJ previous = SelectObject(dc, font_.get());
      const std::wstring caption = WindowText(label);
      DrawTextW(dc, caption.c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE | DT_LEFT);
      SelectObject(dc, previous);
      ReleaseDC(label, dc);
    }
    Place(label, {b.Left, b.Top, std::max<int>(b.Width, text.right), std::max<int>(b.Height, text.bottom)});
  }

  // A closed drop-down list is as high as its selection field plus its
  // frame; the field is sized until the whole control has the form's height.
  void FitComboHeight(HWND combo, const TComboBox& model) const {
    const int wanted = model.Bounds.Height;
    int field = wanted - 6;
    for (int attempt = 0; attempt < 3 && field > 0; ++attempt) {
      SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
      RECT r{};
      GetWindowRect(combo, &r);
      const int got = r.bottom - r.top;
      if (got == wanted) break;
      field += wanted - got;
    }
    // The dropped list shows every entry.
    const int listHeight = model.ItemHeight * static_cast<int>(std::max<size_t>(model.Items.size(), 1)) + 4;
    RECT r{};
    GetWindowRect(combo, &r);
    SetWindowPos(combo, nullptr, 0, 0, model.Bounds.Width, (r.bottom - r.top) + listHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void ApplyVisibility() const {
    const TFormOption& f = *form_;
    for (const ControlEntry& entry : Entries(f))
      ShowWindow(Item(entry.id), entry.control->Visible ? SW_SHOWNA : SW_HIDE);
    ShowWindow(Item(ids::kSpinQualButtons), f.SpinQual.Visible ? SW_SHOWNA : SW_HIDE);
  }

  // The model's texts follow what the user types.
  void ReadSpinText() const {
    form_->SpinQual.Text = platform::Utf8FromWide(WindowText(Item(ids::kSpinQual)));
  }

  void WriteSpinText() {
    updating_ = true;
    SetWindowTextW(Item(ids::kSpinQual), platform::WideFromAnsi(form_->SpinQual.Text).c_str());
    updating_ = false;
  }

  void Step(int delta) {
    ReadSpinText();
    if (delta > 0) form_->SpinQual.StepUp();
    if (delta < 0) form_->SpinQual.StepDown();
    WriteSpinText();
    SendMessageW(Item(ids::kSpinQual), EM_SETSEL, 0, -1);
  }

  void LeaveSpin() {
    ReadSpinText();
    const std::string before = form_->SpinQual.Text;
    form_->SpinQual.Exit();
    if (form_->SpinQual.Text != before) WriteSpinText();
  }

  // Typing stops at MaxLength bytes of the ANSI code page: a change that
  // makes the text longer than that is taken back. A longer text that was
  // there from the start may still be shortened.
  void CodeChanged() {
    HWND edit = Item(ids::kEditCode);
    const std::string bytes = platform::AnsiFromWide(WindowText(edit));
    if (bytes.size() > form_->EditCode.MaxLength && bytes.size() > codeText_.size()) {
      updating_ = true;
      SetWindowTextW(edit, platform::WideFromAnsi(codeText_).c_str());
      const int end = GetWindowTextLengthW(edit);
      SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
      updating_ = false;
      MessageBeep(MB_OK);
      return;
    }
    codeText_ = bytes;
    form_->EditCode.Text = bytes;
  }

  BOOL OnCommand(WORD id, WORD code) {
    TFormOption& f = *form_;
    switch (id) {
      case ids::kComboType:
        if (code == CBN_SELCHANGE) {
          const LRESULT at = SendMessageW(Item(ids::kComboType), CB_GETCURSEL, 0, 0);
          f.SelectItem(static_cast<int>(at));
          ApplyVisibility();
        }
        return TRUE;
      case ids::kSpinQual:
        if (updating_) return TRUE;
        if (code == EN_CHANGE) ReadSpinText();
        if (code == EN_KILLFOCUS) LeaveSpin();
        return TRUE;
      case ids::kEditCode:
        if (!updating_ && code == EN_CHANGE) CodeChanged();
        return TRUE;
      case IDOK:
      case IDCANCEL: {
        if (code != BN_CLICKED) return TRUE;
        const TModalResult result = id == IDOK ? TModalResult::Ok : TModalResult::Cancel;
        if (result == TModalResult::Ok) {
          // Enter in the spin edit closes without its losing the focus.
          if (GetFocus() == Item(ids::kSpinQual)) LeaveSpin();
          ReadSpinText();
        }
        if (f.FormCloseQuery(result, [this](const std::string& t) { ShowWarning(t); }))
          EndDialog(dialog_, id);
        return TRUE;
      }
      default:
        return FALSE;
    }
  }

  TFormOption* form_ = nullptr;
  HWND dialog_ = nullptr;
  FontHandle font_;
  std::string codeText_;  // the code box's last accepted text
  bool updating_ = false;
};

}  // namespace

std::unique_ptr<TFormPresenter> CreateWin32Presenter() {
  static const bool registered = [] {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    return InitCommonControlsEx(&controls) != FALSE;
  }();
  (void)registered;
  return std::make_unique<TWin32Presenter>();
}

std::unique_ptr<TFormPresenter> CreateFormPresenter(std::string*) { return CreateWin32Presenter(); }

}  // namespace dorv
#endif

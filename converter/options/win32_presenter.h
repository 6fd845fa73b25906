// The save-options form as a modal Win32 dialog, built from an in-memory
// template with the form's pixel geometry, captions, access keys and font,
// and owned by the calling thread's active window.
#pragma once

#include <memory>

#include "converter/options/form_presenter.h"

namespace dorv {

// Control identifiers of the dialog; OK and Cancel are IDOK (1) and
// IDCANCEL (2), so that Enter and Escape reach them.
namespace win32_dialog {
inline constexpr int kBevel1 = 100;
inline constexpr int kLabel1 = 101;
inline constexpr int kComboType = 102;
inline constexpr int kLabelQual = 103;
inline constexpr int kSpinQual = 104;
inline constexpr int kSpinQualButtons = 105;  // the up-down control beside the spin edit
inline constexpr int kLabelCode = 106;
inline constexpr int kEditCode = 107;
inline constexpr int kButton1 = 1;
inline constexpr int kButton2 = 2;
}  // namespace win32_dialog

#ifdef _WIN32
std::unique_ptr<TFormPresenter> CreateWin32Presenter();
#endif

}  // namespace dorv

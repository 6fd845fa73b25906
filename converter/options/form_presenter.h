// The presenter shows a TFormOption to the user: it draws the form, turns
// the user's input into the model's actions and returns how it was closed.
// Before closing it asks the form (FormCloseQuery) and shows its warning.
#pragma once

#include <memory>
#include <string>

#include "converter/options/controls.h"

namespace dorv {

class TFormOption;

class TFormPresenter {
 public:
  virtual ~TFormPresenter() = default;
  // Shows the form modally until it closes; returns the closing result.
  virtual TModalResult ShowModal(TFormOption& form) = 0;
  // A modal warning with an OK button.
  virtual void ShowWarning(const std::string& text) = 0;
};

// The presenter of this platform, or null when it cannot show a dialog here
// (why receives the reason).
std::unique_ptr<TFormPresenter> CreateFormPresenter(std::string* why);

}  // namespace dorv

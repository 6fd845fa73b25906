#include "converter/options/config_write.h"

#include <exception>
#include <string>

#include "converter/core/messages.h"
#include "converter/options/bits_per_pixel.h"
#include "converter/options/form_option.h"
#include "converter/options/form_presenter.h"
#include "platform/message_box.h"

namespace dorv {

bool RunConfigWrite(int32_t bitsPerPixel, int32_t* compType, int32_t* quality, int32_t* code,
                    TFormPresenter& presenter) {
  if (compType == nullptr || quality == nullptr || code == nullptr) return false;
  try {
    SetOptionBitsPerPixel(bitsPerPixel);
    TFormOption form;
    if (presenter.ShowModal(form) != TModalResult::Ok) return false;
    *compType = form.CompressionValue() & 0x7F;
    *quality = form.Quality();
    *code = form.Code();
    return true;
  } catch (const std::exception& e) {
    platform::ShowMessage(e.what(), msg::kOptionsCaption, platform::MessageKind::Error);
    return false;
  } catch (...) {
    return false;
  }
}

bool RunConfigWrite(int32_t bitsPerPixel, int32_t* compType, int32_t* quality, int32_t* code) {
  if (compType == nullptr || quality == nullptr || code == nullptr) return false;
  try {
    SetOptionBitsPerPixel(bitsPerPixel);
    std::string why;
    std::unique_ptr<TFormPresenter> presenter = CreateFormPresenter(&why);
    if (!presenter) {
      platform::ShowMessage(why, msg::kOptionsCaption, platform::MessageKind::Error);
      return false;
    }
    return RunConfigWrite(bitsPerPixel, compType, quality, code, *presenter);
  } catch (...) {
    return false;
  }
}

}  // namespace dorv

// The host's save-options dialog, described from the converter's own form so
// that the two cannot drift apart.
#include <mutex>
#include <string>

#include "converter/options/bits_per_pixel.h"
#include "converter/options/form_option.h"
#include "dov/dov.h"

namespace {

// Texts outlive every call: one description for pictures below 24 bits and
// one from 24 bits on, made once.
struct Described {
  std::string caption, compression, quality, ok, cancel;
  std::string choices[3];
  dov_save_dialog dialog{};
};

Described Describe(int32_t bitsPerPixel) {
  // The form reads the library-wide bits per pixel when it is made.
  static std::mutex formLock;
  const std::lock_guard<std::mutex> hold(formLock);
  const int32_t saved = dorv::OptionBitsPerPixel();
  dorv::SetOptionBitsPerPixel(bitsPerPixel);
  Described out;
  {
    dorv::TFormOption form;
    out.caption = form.Caption;
    out.compression = form.Label1.Caption;
    out.quality = form.LabelQual.Caption;
    out.ok = form.Button1.Caption;
    out.cancel = form.Button2.Caption;
    dov_save_dialog& d = out.dialog;
    for (const dorv::TComboItem& item : form.ComboType.Items) {
      if (d.choice_count == 3) break;
      out.choices[d.choice_count] = item.Text;
      d.choice_values[d.choice_count] = static_cast<dov_compression>(item.Value);
      ++d.choice_count;
    }
    d.default_choice = form.ComboType.ItemIndex < 0 ? 0 : static_cast<uint32_t>(form.ComboType.ItemIndex);
    d.quality_default = form.SpinQual.Value();
    d.quality_min = form.SpinQual.MinValue;
    d.quality_max = form.SpinQual.MaxValue;
  }
  dorv::SetOptionBitsPerPixel(saved);
  return out;
}

void Point(Described& d) {
  d.dialog.caption = d.caption.c_str();
  d.dialog.compression_label = d.compression.c_str();
  d.dialog.quality_label = d.quality.c_str();
  d.dialog.ok_label = d.ok.c_str();
  d.dialog.cancel_label = d.cancel.c_str();
  for (uint32_t i = 0; i < d.dialog.choice_count; ++i) d.dialog.choices[i] = d.choices[i].c_str();
}

const dov_save_dialog& Dialog(bool lossyOffered) {
  static Described below = Describe(8);
  static Described from24 = Describe(24);
  static std::once_flag pointed;
  std::call_once(pointed, [] {
    Point(below);
    Point(from24);
  });
  return lossyOffered ? from24.dialog : below.dialog;
}

}  // namespace

extern "C" {

dov_error dov_describe_save_dialog(int bits_per_pixel, dov_save_dialog* dialog) {
  if (dialog == nullptr || bits_per_pixel <= 0) return DOV_ERROR_INVALID_ARGUMENT;
  try {
    *dialog = Dialog(bits_per_pixel >= 24);
    return DOV_OK;
  } catch (...) {
    return DOV_ERROR_OUT_OF_MEMORY;
  }
}

}  // extern "C"

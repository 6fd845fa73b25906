#include "gimp/dialog_choices.h"

#include <stdexcept>
#include <string>

namespace dorv::gimp {

dov_save_dialog DescribeSaveDialog(int bitsPerPixel) {
  dov_save_dialog dialog{};
  const dov_error error = dov_describe_save_dialog(bitsPerPixel, &dialog);
  if (error != DOV_OK)
    throw std::runtime_error("the save dialog for " + std::to_string(bitsPerPixel) +
                             " bits a pixel cannot be had: " + dov_error_string(error));
  return dialog;
}

dov_compression ChosenCompression(const dov_save_dialog& dialog, int index) {
  if (index < 0 || static_cast<uint32_t>(index) >= dialog.choice_count || index >= 3) return DOV_COMPRESSION_ZLIB;
  return dialog.choice_values[index];
}

bool ShowsQuality(const dov_save_dialog& dialog, int index) {
  return ChosenCompression(dialog, index) == DOV_COMPRESSION_LOSSY;
}

}  // namespace dorv::gimp

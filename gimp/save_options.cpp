#include "gimp/save_options.h"

#include "converter/options/bits_per_pixel.h"
#include "converter/options/form_option.h"

namespace dorv::gimp {

SaveOptions DefaultSaveOptions() {
  // The dialog's own model gives the defaults, so the two cannot drift apart.
  const int32_t saved = OptionBitsPerPixel();
  SetOptionBitsPerPixel(32);
  SaveOptions options;
  {
    TFormOption form;
    options.compression = form.CompressionValue();
    options.quality = form.SpinQual.Value();
  }
  SetOptionBitsPerPixel(saved);
  return options;
}

std::string CheckSaveOptions(const SaveOptions& options) {
  if (options.compression < kCompZlib || options.compression > kCompLossy)
    return "compression must be 0 (zlib), 1 (none) or 2 (lossy), not " + std::to_string(options.compression);
  if (options.quality < 1 || options.quality > 100)
    return "quality must be 1 to 100, not " + std::to_string(options.quality);
  return {};
}

}  // namespace dorv::gimp

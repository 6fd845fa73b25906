#include "gimp/save_options.h"

#include "gimp/dialog_choices.h"

namespace dorv::gimp {
namespace {

// The dialog as offered for colour pictures, whose choices include lossy
// coding and its quality.
dov_save_dialog ColourDialog() { return DescribeSaveDialog(32); }

}  // namespace

SaveOptions DefaultSaveOptions() {
  // The library's description of the dialog gives the defaults, so the two
  // cannot drift apart.
  const dov_save_dialog dialog = ColourDialog();
  SaveOptions options;
  options.compression = dialog.choice_values[dialog.default_choice];
  options.quality = dialog.quality_default;
  return options;
}

std::string CheckSaveOptions(const SaveOptions& options) {
  if (options.compression < DOV_COMPRESSION_ZLIB || options.compression > DOV_COMPRESSION_LOSSY)
    return "compression must be 0 (zlib), 1 (none) or 2 (lossy), not " + std::to_string(options.compression);
  const dov_save_dialog dialog = ColourDialog();
  if (options.quality < dialog.quality_min || options.quality > dialog.quality_max)
    return "quality must be " + std::to_string(dialog.quality_min) + " to " + std::to_string(dialog.quality_max) +
           ", not " + std::to_string(options.quality);
  return {};
}

}  // namespace dorv::gimp

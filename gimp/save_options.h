// The options of a save: those of the save-options dialog libdov describes
// (compression type and quality, with its defaults) and whether only the
// visible composite is saved, as one frame.
#pragma once

#include <cstdint>
#include <string>

#include "dov/dov.h"

namespace dorv::gimp {

struct SaveOptions {
  int32_t compression = 0;  // 0 zlib, 1 none, 2 lossy
  int32_t quality = DOV_DEFAULT_QUALITY;  // 1 to 100, used by lossy saves
  bool compositeOnly = false;
};

// The defaults, as the dialog opens with them.
SaveOptions DefaultSaveOptions();

// Checks the options that a script passed. Returns an empty string when
// they can be used, else the reason.
std::string CheckSaveOptions(const SaveOptions& options);

}  // namespace dorv::gimp

// The save dialog as libdov describes it, drawn with GTK (its
// caption, labels, compression items, quality bounds and buttons), plus the
// choice of saving only the visible composite.
#pragma once

#include <cstdint>

#include "gimp/save_options.h"

namespace dorv::gimp {

// Shows the dialog for a picture of bitsPerPixel bits. Returns false when
// the user cancels; on OK, options holds the choices.
bool RunSaveDialog(int32_t bitsPerPixel, SaveOptions& options);

}  // namespace dorv::gimp

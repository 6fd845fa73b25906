// file-dov-save: each layer of an image saved as a frame, or the visible
// composite as one frame.
#pragma once

#include <libgimp/gimp.h>

#include <string>

#include "gimp/save_options.h"
#include "gimp/save_plan.h"

namespace dorv::gimp {

// The image's kind and whether any layer has alpha, for the dialog.
ImageBase BaseOf(gint32 image);
bool AnyLayerHasAlpha(gint32 image);

// Raises std::runtime_error with the reason.
void SaveDocument(gint32 image, const std::string& filename, const SaveOptions& options);

}  // namespace dorv::gimp

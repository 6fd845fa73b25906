// The save dialog's compression choices as libdov describes them: what a
// selection means, and when the quality is shown.
#pragma once

#include "dov/dov.h"

namespace dorv::gimp {

// The dialog for a picture of this many bits a pixel. Raises
// std::runtime_error when libdov cannot describe it.
dov_save_dialog DescribeSaveDialog(int bitsPerPixel);

// The compression of the choice at index (as a combo box reports it, -1
// for none); zlib when no choice is selected.
dov_compression ChosenCompression(const dov_save_dialog& dialog, int index);

// The quality is shown only while the lossy choice is selected.
bool ShowsQuality(const dov_save_dialog& dialog, int index);

}  // namespace dorv::gimp

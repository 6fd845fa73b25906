// The palette text of a "RGB" element: one group of six hexadecimal digits
// per entry, the colour 0x00BBGGRR written blue first.
#pragma once

#include <string>

#include "converter/dibsfc/dib.h"

namespace dorv {

// Upper-case digits for the first count entries.
std::string PaletteToText(const TPalette& palette, int count);
// Sets entries 0 to count - 1 from the text (which must hold 6 * count
// characters; extra characters are ignored). A group that is not a hex
// number raises "'$group' is not a valid integer value".
void PaletteFromText(const std::string& text, int count, TPalette& palette);

}  // namespace dorv

// How a document's planes are stored, in words.
#pragma once

#include <string>

#include "converter/dorvs/header_info.h"

namespace dorv::frames {

// current: the file is of the current form (else legacy).
std::string LayerCoding(const THeaderInfo& header, bool current);

}  // namespace dorv::frames

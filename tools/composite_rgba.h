// A composite of indices or RGBA as straight RGBA.
#pragma once

#include "tools/dov_document.h"

namespace dorv::tools {

frames::RgbaImage CompositeRgba(const frames::Composite& picture);

}  // namespace dorv::tools

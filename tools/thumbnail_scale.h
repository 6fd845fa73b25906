// Scaling a picture to fit a thumbnail's square.
#pragma once

#include <cstdint>

#include "tools/dov_document.h"

namespace dorv::tools {

// The picture fitted into size x size with its aspect kept. Larger pictures
// are reduced (by nearest neighbour when nearest is set, as for pixel art,
// else by averaging the pixels each covers, weighted by alpha); smaller ones
// are enlarged by the largest whole multiple that fits (at most maxFactor
// when it is not 0), by nearest neighbour.
frames::RgbaImage FitThumbnail(const frames::RgbaImage& picture, int32_t size, bool nearest, int32_t maxFactor = 0);

}  // namespace dorv::tools

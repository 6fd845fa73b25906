// The bits per pixel of the image about to be saved. ConfigWrite stores it
// before it creates the save-options form, and the form reads it when it is
// created to decide which compression items to offer. It is the only value
// of the library that outlives a call; it is process-wide and unguarded.
#pragma once

#include <cstdint>

namespace dorv {

void SetOptionBitsPerPixel(int32_t bitsPerPixel);
int32_t OptionBitsPerPixel();

}  // namespace dorv

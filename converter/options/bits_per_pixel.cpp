#include "converter/options/bits_per_pixel.h"

namespace dorv {
namespace {
int32_t g_bitsPerPixel = 0;
}  // namespace

void SetOptionBitsPerPixel(int32_t bitsPerPixel) { g_bitsPerPixel = bitsPerPixel; }
int32_t OptionBitsPerPixel() { return g_bitsPerPixel; }

}  // namespace dorv

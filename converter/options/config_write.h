// The steps of ConfigWrite: store the bits per pixel for the form, show the
// save-options form modally and, when the user confirms it, write the chosen
// compression type (masked with 0x7F), quality and code. On any other outcome
// the outputs are left untouched and the result is false. Never throws.
#pragma once

#include <cstdint>

namespace dorv {

class TFormPresenter;

bool RunConfigWrite(int32_t bitsPerPixel, int32_t* compType, int32_t* quality, int32_t* code);
// The same with a given presenter.
bool RunConfigWrite(int32_t bitsPerPixel, int32_t* compType, int32_t* quality, int32_t* code,
                    TFormPresenter& presenter);

}  // namespace dorv

// Pictures copied into a caller's buffer, after its size and stride are
// checked.
#pragma once

#include <cstddef>
#include <cstdint>

#include "libdov/document/document.h"

namespace dov {

// Raises ApiError DOV_ERROR_BUFFER_TOO_SMALL (or DOV_ERROR_INVALID_ARGUMENT
// for a null buffer) unless rows of rowBytes bytes, stride apart, fit.
void CheckBuffer(const uint8_t* buffer, size_t size, size_t stride, uint32_t width, uint32_t height,
                 uint32_t bytesPerPixel);

// Packed rows of rowBytes bytes copied to rows stride apart.
void CopyRows(const uint8_t* rows, size_t rowBytes, uint32_t height, uint8_t* out, size_t stride);

// An 8-bit composite's indices to rows stride apart; its palette as 256
// RGBA entries (alpha 0 at the transparent index) and that index, where
// asked for.
void CopyIndexed(const dorv::frames::Composite& c, uint8_t* indices, size_t stride, uint8_t* palette,
                 int32_t* transparent);

}  // namespace dov

// Documents read whole through libdov, for opening them in GIMP.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>

#include "dov/dov.h"
#include "gimp/dov_handles.h"

namespace dorv::gimp {

// What libdov said when a document or one of its frames could not be read.
class DocumentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A decoder holding the document. Only the converter's own caps apply, not
// the library's default limits: GIMP opens what the converter opens. A
// damaged document whose first frames are whole is read as far as it goes.
DecoderHandle ReadDocument(std::span<const uint8_t> bytes);

// Raises DocumentError with the decoder's message unless error is DOV_OK.
void ThrowUnlessOk(dov_error error, const dov_decoder& decoder);

dov_info DocumentInfo(const dov_decoder& decoder);
dov_frame_info FrameInfo(const dov_decoder& decoder, uint32_t frame);

}  // namespace dorv::gimp

// Owners of libdov's handles and of the memory it hands over.
#pragma once

#include <cstdint>
#include <memory>

#include "dov/dov.h"

namespace dorv::gimp {

struct DecoderDeleter {
  void operator()(dov_decoder* decoder) const { dov_decoder_destroy(decoder); }
};
struct EncoderDeleter {
  void operator()(dov_encoder* encoder) const { dov_encoder_destroy(encoder); }
};
struct DovFreeDeleter {
  void operator()(uint8_t* bytes) const { dov_free(bytes); }
};

using DecoderHandle = std::unique_ptr<dov_decoder, DecoderDeleter>;
using EncoderHandle = std::unique_ptr<dov_encoder, EncoderDeleter>;
using DovBytes = std::unique_ptr<uint8_t, DovFreeDeleter>;

}  // namespace dorv::gimp

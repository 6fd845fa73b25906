// libdov's handles, freed when they go out of scope.
#pragma once

#include <memory>

#include "dov/dov.h"

namespace dovqt {

struct DecoderFree {
  void operator()(dov_decoder* d) const { dov_decoder_destroy(d); }
};
struct EncoderFree {
  void operator()(dov_encoder* e) const { dov_encoder_destroy(e); }
};
using Decoder = std::unique_ptr<dov_decoder, DecoderFree>;
using Encoder = std::unique_ptr<dov_encoder, EncoderFree>;

}  // namespace dovqt

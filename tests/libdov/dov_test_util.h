// Helpers of the libdov tests: handles that free themselves, and documents
// made by the test writer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dov/dov.h"
#include "support/dov_writer.h"

namespace dov_test {

struct DecoderFree {
  void operator()(dov_decoder* d) const { dov_decoder_destroy(d); }
};
struct EncoderFree {
  void operator()(dov_encoder* e) const { dov_encoder_destroy(e); }
};
using Decoder = std::unique_ptr<dov_decoder, DecoderFree>;
using Encoder = std::unique_ptr<dov_encoder, EncoderFree>;

inline Decoder NewDecoder() { return Decoder(dov_decoder_create()); }
inline Encoder NewEncoder() { return Encoder(dov_encoder_create()); }

// A frame of one layer whose pixels follow x and y, at any depth; palette
// depths get a ramp palette.
dorv::testing::FrameSpec PatternFrame(int32_t width, int32_t height, int32_t bpp, uint32_t seed = 0);
// A document of `frames` such frames, delays 40, 80, 120, ...
std::vector<uint8_t> PatternDocument(int frames, int32_t width, int32_t height, int32_t bpp);

// A decoder that has read the bytes (the test fails when it could not).
Decoder Read(const std::vector<uint8_t>& bytes);
// Frame f's composite as packed RGBA.
std::vector<uint8_t> FrameRgba(dov_decoder* d, uint32_t f);

std::string SamplesDir();

}  // namespace dov_test

#include "dov_test_util.h"

#include <gtest/gtest.h>

namespace dov_test {

dorv::testing::FrameSpec PatternFrame(int32_t width, int32_t height, int32_t bpp, uint32_t seed) {
  dorv::testing::FrameSpec f;
  f.width = width;
  f.height = height;
  f.bpp = bpp;
  if (bpp <= 8)
    for (int i = 0; i < (1 << bpp); ++i) f.palette.push_back(uint32_t(i * 0x030507 + seed) & 0xFFFFFF);
  dorv::testing::LayerSpec l;
  l.rows = dorv::testing::MakeRows(width, height, bpp, [=](int x, int y) {
    const uint32_t v = uint32_t(x * 7 + y * 13) + seed;
    return bpp <= 8 ? v % (1u << bpp) : bpp <= 16 ? v * 1237 % 65536 : v * 0x010305;
  });
  f.layers.push_back(std::move(l));
  return f;
}

std::vector<uint8_t> PatternDocument(int frames, int32_t width, int32_t height, int32_t bpp) {
  dorv::testing::DocSpec d;
  for (int i = 0; i < frames; ++i) {
    dorv::testing::FrameSpec f = PatternFrame(width, height, bpp, uint32_t(i) * 11);
    f.delay = 40 * (i + 1);
    f.name = "frame " + std::to_string(i);
    d.frames.push_back(std::move(f));
  }
  return dorv::testing::WriteDov(d);
}

Decoder Read(const std::vector<uint8_t>& bytes) {
  Decoder d = NewDecoder();
  EXPECT_EQ(dov_decoder_read_memory(d.get(), bytes.data(), bytes.size()), DOV_OK)
      << dov_decoder_error_message(d.get());
  return d;
}

std::vector<uint8_t> FrameRgba(dov_decoder* d, uint32_t f) {
  dov_frame_info info{};
  EXPECT_EQ(dov_decoder_get_frame_info(d, f, &info), DOV_OK);
  std::vector<uint8_t> rgba(size_t{info.width} * info.height * 4);
  EXPECT_EQ(dov_decoder_frame_rgba(d, f, rgba.data(), 4 * size_t{info.width}, rgba.size()), DOV_OK)
      << dov_decoder_error_message(d);
  return rgba;
}

std::string SamplesDir() { return DORV_SAMPLES_DIR; }

}  // namespace dov_test

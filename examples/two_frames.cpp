// Writes a two-frame animation, a red and a blue square on a clear ground,
// each shown for a quarter of a second:  dov_two_frames OUT.dov
#include <dov/dov.h>

#include <cstdio>
#include <memory>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) return std::fprintf(stderr, "usage: %s OUT.dov\n", argv[0]), 2;
  std::unique_ptr<dov_encoder, decltype(&dov_encoder_destroy)> encoder(dov_encoder_create(), &dov_encoder_destroy);
  if (!encoder) return 1;
  constexpr uint32_t kSide = 32;
  for (const uint8_t colour : {0, 2}) {  // red, then blue
    std::vector<uint8_t> rgba(kSide * kSide * 4, 0);
    for (uint32_t y = 8; y < 24; ++y)
      for (uint32_t x = 8; x < 24; ++x) {
        rgba[(y * kSide + x) * 4 + colour] = 255;
        rgba[(y * kSide + x) * 4 + 3] = 255;
      }
    dov_picture picture{};
    picture.format = DOV_PIXELS_RGBA;
    picture.width = picture.height = kSide;
    picture.pixels = rgba.data();
    picture.stride = kSide * 4;
    if (dov_encoder_add_frame(encoder.get(), &picture, 250) != DOV_OK) break;
  }
  if (dov_encoder_frame_count(encoder.get()) != 2 || dov_encoder_write_file(encoder.get(), argv[1]) != DOV_OK) {
    std::fprintf(stderr, "%s: %s\n", argv[1], dov_encoder_error_message(encoder.get()));
    return 1;
  }
  std::printf("%s: 2 frames written\n", argv[1]);
  return 0;
}

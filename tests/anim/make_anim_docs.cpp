// Writes the documents the export tests convert, with the test writer:
//   pal_anim.dov   six 8-bit frames of two layers, a transparent index, odd
//                  delays, the fourth frame with a palette of its own
//   pal_same.dov   four 8-bit frames that share one palette, without a
//                  disposal, the last one clear where the third is not
//   rgb_anim.dov   three 24-bit frames of few colours, an alpha plane of
//                  clear and solid pixels, a half-opaque layer
//   many_anim.dov  two 24-bit frames of 200 colours each, 400 in all
// With --bench, the benchmark's documents instead:
//   bench_pal.dov  64 palette frames of 256 x 256
//   bench_rgba.dov 64 frames of 256 x 256 whose composite is 32-bit RGBA
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

#include "support/dov_writer.h"

using namespace dorv::testing;

namespace {

void Save(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<uint32_t> Palette(uint32_t seed) {
  std::vector<uint32_t> p;
  for (uint32_t i = 0; i < 256; ++i) p.push_back((i * 0x0A1B2C + seed * 0x405060) & 0xFFFFFF);
  return p;
}

FrameSpec PaletteFrame(int frame, int32_t delay, uint32_t paletteSeed, int skyRows = 3) {
  constexpr int W = 24, H = 16;
  FrameSpec f;
  f.width = W;
  f.height = H;
  f.bpp = 8;
  f.palette = Palette(paletteSeed);
  f.trans = 5;
  f.delay = delay;
  f.disposal = 2;
  f.name = "frame " + std::to_string(frame);
  LayerSpec ground;
  ground.name = "ground";
  ground.rows = MakeRows(W, H, 8, [=](int x, int y) {
    if (y < skyRows) return 5u;  // clear sky
    return 6 + uint32_t((x / 3 + y + frame) % 12);
  });
  LayerSpec sprite;
  sprite.name = "sprite";
  sprite.trans = 3;
  sprite.rows = MakeRows(W, H, 8, [=](int x, int y) {
    const int cx = 4 + frame * 3;
    return (x >= cx && x < cx + 5 && y >= 6 && y < 11) ? 20u + uint32_t(x - cx) : 3u;
  });
  f.layers = {ground, sprite};
  return f;
}

std::vector<uint8_t> PaletteAnimation() {
  DocSpec d;
  const int32_t delays[] = {10, 15, 15, 33, 1000, 7};
  for (int i = 0; i < 6; ++i) d.frames.push_back(PaletteFrame(i, delays[i], i == 3 ? 9 : 1));
  return WriteDov(d);
}

std::vector<uint8_t> SharedPalette() {
  DocSpec d;
  // Frames without a disposal: each stores only what changed, but the last
  // has more clear sky than the one before it.
  for (int i = 0; i < 4; ++i) {
    d.frames.push_back(PaletteFrame(i, 40 + 30 * i, 1, i == 3 ? 5 : 3));
    d.frames.back().disposal = 0;
  }
  return WriteDov(d);
}

std::vector<uint8_t> ColourAnimation() {
  constexpr int W = 20, H = 12;
  DocSpec d;
  d.bgColor = 0x00102030;
  const int32_t delays[] = {100, 20, 5};
  for (int frame = 0; frame < 3; ++frame) {
    FrameSpec f;
    f.width = W;
    f.height = H;
    f.bpp = 24;
    f.delay = delays[frame];
    f.disposal = 2;
    LayerSpec body;
    body.name = "body";
    body.alphaOn = true;
    body.rows = MakeRows(W, H, 24, [=](int x, int y) { return 0x204060u + uint32_t((x + y + frame) % 6) * 0x100804; });
    body.alphaRows = MakeRows(W, H, 8, [=](int x, int y) { return (x + frame) % 7 == 0 || y == 0 ? 0u : 255u; });
    LayerSpec glow;
    glow.name = "glow";
    glow.alpha = 128;
    glow.trans = 0;
    glow.rows = MakeRows(W, H, 24, [=](int x, int y) { return y > 6 && x > 4 + frame ? 0xF0E0D0u : 0u; });
    f.layers = {body, glow};
    d.frames.push_back(f);
  }
  return WriteDov(d);
}

std::vector<uint8_t> ManyColours() {
  constexpr int W = 20, H = 10;
  DocSpec d;
  for (int frame = 0; frame < 2; ++frame) {
    FrameSpec f;
    f.width = W;
    f.height = H;
    f.bpp = 24;
    LayerSpec l;
    l.rows = MakeRows(W, H, 24, [=](int x, int y) { return uint32_t(frame * 0x800000 + (y * W + x) * 0x010203); });
    f.layers = {l};
    d.frames.push_back(f);
  }
  return WriteDov(d);
}

// A sprite of soft colours moving over a checked floor, 64 frames.
std::vector<uint8_t> BenchAnimation(bool palette) {
  constexpr int W = 256, H = 256;
  DocSpec d;
  for (int frame = 0; frame < 64; ++frame) {
    FrameSpec f;
    f.width = W;
    f.height = H;
    f.bpp = palette ? 8 : 24;
    f.delay = 40 + frame % 3 * 15;
    if (palette) {
      f.palette = Palette(1);
      f.trans = 0;
    }
    const int cx = 40 + frame * 2, cy = 128 + (frame % 16) * 3;
    LayerSpec floor;
    floor.name = "floor";
    floor.rows = MakeRows(W, H, f.bpp, [=](int x, int y) {
      const uint32_t v = uint32_t(((x / 16 + y / 16) % 2) * 8 + (y / 32));
      return palette ? (y < 20 ? 0u : 1 + v) : 0x203040u + v * 0x0A0604;
    });
    LayerSpec sprite;
    sprite.name = "sprite";
    sprite.trans = 0;
    sprite.rows = MakeRows(W, H, f.bpp, [=](int x, int y) {
      const int dx = x - cx, dy = y - cy;
      if (dx * dx + dy * dy > 900) return 0u;
      return palette ? 32u + uint32_t((dx + dy + 60) % 200) : 0x102030u + uint32_t(dx * 3 + 100) * 0x10000 + uint32_t(dy * 2 + 80) * 0x100;
    });
    if (!palette) {
      floor.alphaOn = true;
      floor.alphaRows = MakeRows(W, H, 8, [](int, int y) { return y < 20 ? 0u : 255u; });
    }
    f.layers = {floor, sprite};
    d.frames.push_back(f);
  }
  return WriteDov(d);
}

}  // namespace

int main(int argc, char** argv) {
  const bool bench = argc == 3 && std::string(argv[1]) == "--bench";
  if (argc != 2 && !bench) {
    std::fprintf(stderr, "usage: %s [--bench] DIR\n", argv[0]);
    return 2;
  }
  try {
    const std::string dir = argv[argc - 1];
    if (bench) {
      Save(dir + "/bench_pal.dov", BenchAnimation(true));
      Save(dir + "/bench_rgba.dov", BenchAnimation(false));
      return 0;
    }
    Save(dir + "/pal_anim.dov", PaletteAnimation());
    Save(dir + "/pal_same.dov", SharedPalette());
    Save(dir + "/rgb_anim.dov", ColourAnimation());
    Save(dir + "/many_anim.dov", ManyColours());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}

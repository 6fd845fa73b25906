// Writes the bundled sample documents with the test writer:
//   animation.dov  three 24-bit frames of keyed, half-opaque and alpha layers
//   palette4.dov   a 4-bit palette frame in 16 x 16 blocks
//   highcolor16.dov a 16-bit (5-6-5) frame
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "support/dov_writer.h"

using namespace dorv::testing;

namespace {

void Save(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  std::printf("%s (%zu bytes)\n", path.c_str(), bytes.size());
}

std::vector<uint8_t> Animation() {
  constexpr int W = 96, H = 64;
  DocSpec d;
  d.bgColor = 0x00604020;  // dark blue-grey
  d.notFillBG = false;
  for (int frame = 0; frame < 3; ++frame) {
    FrameSpec f;
    f.width = W;
    f.height = H;
    f.bpp = 24;
    f.name = "frame " + std::to_string(frame);
    f.delay = 120;
    // Sky: a gradient with a magenta key band the background shows through.
    LayerSpec sky;
    sky.name = "sky";
    sky.trans = 0xFF00FF;
    sky.rows = MakeRows(W, H, 24, [](int x, int y) {
      if (y > 40 && y < 46) return 0xFF00FFu;
      return static_cast<uint32_t>((0x30 + y) << 16 | (0x60 + y) << 8 | (0xC0 + x / 3));
    });
    // A sprite moving right, drawn through its alpha plane with soft edges.
    LayerSpec sprite;
    sprite.name = "sprite";
    sprite.alphaOn = true;
    const int cx = 24 + frame * 20, cy = 30;
    sprite.rows = MakeRows(W, H, 24, [](int x, int y) { return static_cast<uint32_t>(0x20E040 + ((x + y) % 8) * 0x100000); });
    sprite.alphaRows = MakeRows(W, H, 8, [=](int x, int y) {
      const double r = std::hypot(x - cx, y - cy);
      return r < 10 ? 255u : r < 14 ? static_cast<uint32_t>(255 * (14 - r) / 4) : 0u;
    });
    // A half-opaque cloud strip.
    LayerSpec cloud;
    cloud.name = "cloud";
    cloud.alpha = 128;
    cloud.trans = 0;
    cloud.rows = MakeRows(W, H, 24, [=](int x, int y) {
      return (y > 8 && y < 18 && (x + frame * 6) % 48 < 30) ? 0xF0F0F0u : 0u;
    });
    // A hidden guide layer: read but never drawn.
    LayerSpec guide;
    guide.name = "guide";
    guide.visible = false;
    guide.rows = MakeRows(W, H, 24, [](int, int) { return 0xFF0000u; });
    f.layers = {sky, sprite, cloud, guide};
    d.frames.push_back(f);
  }
  return WriteDov(d);
}

std::vector<uint8_t> Palette4() {
  constexpr int W = 40, H = 24;
  DocSpec d;
  d.blockWidth = 16;
  d.blockHeight = 16;
  FrameSpec f;
  f.width = W;
  f.height = H;
  f.bpp = 4;
  f.palette = {0x000000, 0x1D2B53, 0x7E2553, 0x008751, 0xAB5236, 0x5F574F, 0xC2C3C7, 0xFFF1E8,
               0xFF004D, 0xFFA300, 0xFFEC27, 0x00E436, 0x29ADFF, 0x83769C, 0xFF77A8, 0xFFCCAA};
  LayerSpec l;
  l.rows = MakeRows(W, H, 4, [](int x, int y) { return static_cast<uint32_t>((x / 5 + y / 6) % 16); });
  l.blocks.resize(6);
  l.blocks[2] = BlockEntry{-2, 0};  // the right block repeats the first
  f.layers.push_back(l);
  d.frames.push_back(f);
  return WriteDov(d);
}

std::vector<uint8_t> HighColor16() {
  constexpr int W = 64, H = 32;
  DocSpec d;
  d.compType = 0;
  FrameSpec f;
  f.width = W;
  f.height = H;
  f.bpp = 16;
  LayerSpec l;
  l.rows = MakeRows(W, H, 16, [](int x, int y) {
    return static_cast<uint32_t>((x / 2) << 11 | (y * 2) << 5 | (31 - x / 2));
  });
  f.layers.push_back(l);
  d.frames.push_back(f);
  return WriteDov(d);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : "samples";
  try {
    Save(dir + "/animation.dov", Animation());
    Save(dir + "/palette4.dov", Palette4());
    Save(dir + "/highcolor16.dov", HighColor16());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_samples: %s\n", e.what());
    return 1;
  }
  return 0;
}

// dorv_write_documents DIR: writes the documents the Python package's tests
// read, one NAME.dov each, made by the test writers: every depth, every
// plane coding, several layers with keys, opacities and alpha planes,
// frames of several sizes and depths, the older forms, and a scrambled
// document that cannot be read without its code. Prints one name a line.
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/dov_writer.h"
#include "support/legacy_writer.h"

using namespace dorv::testing;

namespace {

std::vector<uint32_t> Ramp(int n, uint32_t seed) {
  std::vector<uint32_t> palette;
  for (int i = 0; i < n; ++i) palette.push_back((uint32_t(i) * 0x030507 + seed) & 0xFFFFFF);
  return palette;
}

LayerSpec Layer(int w, int h, int bpp, uint32_t seed) {
  LayerSpec l;
  l.name = "layer " + std::to_string(seed);
  l.rows = MakeRows(w, h, bpp, [=](int x, int y) {
    const uint32_t v = uint32_t(x * 7 + y * 13) + seed;
    return bpp <= 8 ? v % (1u << bpp) : bpp <= 16 ? v * 1237 % 65536 : v * 0x010305;
  });
  return l;
}

FrameSpec Frame(int w, int h, int bpp, std::vector<LayerSpec> layers, uint32_t seed = 0) {
  FrameSpec f;
  f.width = w;
  f.height = h;
  f.bpp = bpp;
  if (bpp <= 8) f.palette = Ramp(1 << bpp, seed);
  f.layers = std::move(layers);
  return f;
}

std::vector<uint8_t> Alpha(int w, int h, uint32_t seed) {
  return MakeRows(w, h, 8, [=](int x, int y) { return (uint32_t(x * 37 + y * 11) + seed) % 256; });
}

DocSpec OneFrame(FrameSpec f) {
  DocSpec d;
  d.frames = {std::move(f)};
  return d;
}

// Three frames of each depth, delays 40, 80 and 120 ms.
DocSpec Depth(int bpp) {
  DocSpec d;
  d.bgColor = 0x00336699;
  for (int k = 0; k < 3; ++k) {
    FrameSpec f = Frame(13, 7, bpp, {Layer(13, 7, bpp, uint32_t(k))}, uint32_t(k) * 3);
    f.delay = 40 * (k + 1);
    f.name = "frame " + std::to_string(k);
    d.frames.push_back(std::move(f));
  }
  return d;
}

DocSpec PaletteTransparent() {
  FrameSpec f = Frame(11, 6, 8, {Layer(11, 6, 8, 1), Layer(11, 6, 8, 2)});
  f.trans = 5;
  f.layers[1].trans = 9;
  f.layers[1].alpha = 100;  // palette opacity is an ordered dither
  return OneFrame(f);
}

DocSpec LayersOfEveryKind(bool notFillBG) {
  DocSpec d;
  d.bgColor = 0x00204080;
  d.notFillBG = notFillBG;
  for (int k = 0; k < 2; ++k) {
    FrameSpec f = Frame(17, 9, 24, {Layer(17, 9, 24, 3), Layer(17, 9, 24, 4), Layer(17, 9, 24, 5),
                                    Layer(17, 9, 24, 6)});
    f.layers[0].trans = 0x000300;
    f.layers[0].alphaRows = Alpha(17, 9, uint32_t(k));
    f.layers[0].alphaOn = true;
    f.layers[1].alpha = 90 + 40 * k;
    f.layers[1].trans = 0x010305 * 4;
    f.layers[2].alphaRows = Alpha(17, 9, 7);
    f.layers[2].alphaOn = true;
    f.layers[3].visible = false;
    f.layers[3].name = "\x94\x77\x8c\x69";  // 背景 in Shift_JIS
    d.frames.push_back(std::move(f));
  }
  return d;
}

DocSpec Blocks(int bpp) {
  DocSpec d;
  d.blockWidth = 32;
  d.blockHeight = 32;
  for (int k = 0; k < 2; ++k) {
    FrameSpec f = Frame(70, 40, bpp, {Layer(70, 40, bpp, uint32_t(k))});
    f.layers[0].blocks.resize(6);
    f.layers[0].blocks[1] = BlockEntry{-2, 0};         // a repeated tile
    if (k == 1) f.layers[0].blocks[4] = BlockEntry{0, 0};  // a tile of frame 0
    d.frames.push_back(std::move(f));
  }
  return d;
}

DocSpec Coded(int compType, int bpp) {
  DocSpec d = OneFrame(Frame(24, 16, bpp, {Layer(24, 16, bpp, 2)}));
  d.compType = compType;
  if (bpp == 24) d.frames[0].layers[0].alphaRows = Alpha(24, 16, 1);
  d.frames[0].layers[0].alphaOn = bpp == 24;
  return d;
}

DocSpec Sizes() {
  DocSpec d;
  d.frames.push_back(Frame(16, 8, 24, {Layer(16, 8, 24, 1)}));
  d.frames.push_back(Frame(9, 12, 8, {Layer(9, 12, 8, 2)}, 5));
  d.frames.push_back(Frame(5, 5, 32, {Layer(5, 5, 32, 3)}));
  d.frames.push_back(Frame(6, 3, 1, {Layer(6, 3, 1, 4)}));
  d.frames[1].trans = 3;
  d.frames[2].delay = 0;
  d.frames[3].delay = 1000;
  return d;
}

DocSpec OldCoding() {
  DocSpec d = Depth(8);
  d.version = 102;
  return d;
}

DocSpec Scrambled() {
  DocSpec d = Depth(24);
  d.randomized = true;
  d.code = 0x41424344;
  d.compType = 1;
  return d;
}

LegacySpec Legacy(int version) {
  LegacySpec l;
  l.version = version;
  l.doc = Depth(version == 0 ? 8 : 24);
  l.doc.compType = version % 2;
  return l;
}

void Save(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
  std::ofstream out(dir + "/" + name + ".dov", std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + dir + "/" + name + ".dov");
  std::printf("%s\n", name.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: dorv_write_documents DIR\n", stderr);
    return 2;
  }
  const std::string dir = argv[1];
  try {
    for (int bpp : {1, 4, 8, 15, 16, 24, 32}) Save(dir, "depth" + std::to_string(bpp), WriteDov(Depth(bpp)));
    Save(dir, "palette_transparent", WriteDov(PaletteTransparent()));
    Save(dir, "layers", WriteDov(LayersOfEveryKind(false)));
    Save(dir, "layers_not_fill_bg", WriteDov(LayersOfEveryKind(true)));
    Save(dir, "blocks8", WriteDov(Blocks(8)));
    Save(dir, "blocks24", WriteDov(Blocks(24)));
    Save(dir, "raw24", WriteDov(Coded(1, 24)));
    Save(dir, "raw4", WriteDov(Coded(1, 4)));
    Save(dir, "jpeg24", WriteDov(Coded(2, 24)));
    Save(dir, "frame_sizes", WriteDov(Sizes()));
    Save(dir, "old_coding", WriteDov(OldCoding()));
    Save(dir, "scrambled", WriteDov(Scrambled()));
    for (int version : {0, 100, 103, 107}) Save(dir, "legacy" + std::to_string(version), WriteLegacy(Legacy(version)));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "dorv_write_documents: %s\n", e.what());
    return 1;
  }
  return 0;
}

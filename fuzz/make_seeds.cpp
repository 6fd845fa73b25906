// Writes the seed corpus of every fuzz target into <dir>/<target>/, made by
// the project's own test writers: current files of every depth and coding,
// block tables with copies, scrambled planes, old versions, legacy files,
// header texts, single plane blobs and small pictures for the round trip.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/dov_writer.h"
#include "support/legacy_writer.h"

namespace fs = std::filesystem;
using namespace dorv::testing;

namespace {

fs::path g_root;
int g_count = 0;

void Save(const std::string& target, const std::vector<uint8_t>& bytes) {
  const fs::path dir = g_root / target;
  fs::create_directories(dir);
  char name[32];
  std::snprintf(name, sizeof name, "seed_%04d", g_count++);
  std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
}

void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x);
  Put16(v, x >> 16);
}

uint32_t Pattern(int32_t x, int32_t y) { return static_cast<uint32_t>((x / 3) * 0x1F3D + (y / 2) * 0x10F1 + x * y); }

FrameSpec Frame(int32_t w, int32_t h, int32_t bpp, int layers, bool alpha) {
  FrameSpec f;
  f.width = w;
  f.height = h;
  f.bpp = bpp;
  if (bpp <= 8)
    for (int i = 0; i < (1 << bpp); ++i) f.palette.push_back(static_cast<uint32_t>(i * 0x010203));
  for (int i = 0; i < layers; ++i) {
    LayerSpec l;
    l.rows = MakeRows(w, h, bpp, [i](int32_t x, int32_t y) { return Pattern(x + i, y); });
    if (alpha) l.alphaRows = MakeRows(w, h, 8, [](int32_t x, int32_t y) { return static_cast<uint32_t>(x * 40 + y); });
    l.alphaOn = alpha;
    l.trans = i == 1 ? 3 : -1;
    l.alpha = i == 2 ? 128 : 255;
    f.layers.push_back(l);
  }
  return f;
}

std::vector<DocSpec> Documents() {
  std::vector<DocSpec> docs;
  const int32_t depths[] = {1, 4, 8, 15, 16, 24, 32};
  for (int32_t bpp : depths)
    for (int32_t ct : {0, 1}) {
      DocSpec d;
      d.compType = ct;
      d.frames.push_back(Frame(7, 5, bpp, 1, bpp >= 15));
      docs.push_back(d);
    }
  {
    DocSpec d;  // JPEG colour plane with a zlib alpha plane
    d.compType = 2;
    d.frames.push_back(Frame(17, 9, 24, 1, true));
    docs.push_back(d);
  }
  for (int32_t ct : {0, 1}) {  // block form with copies of blocks and of an earlier frame
    DocSpec d;
    d.compType = ct;
    d.blockWidth = 4;
    d.blockHeight = 3;
    d.frames.push_back(Frame(10, 7, 8, 2, true));
    FrameSpec f2 = Frame(10, 7, 8, 1, true);
    f2.layers[0].blocks = {{-1, 0}, {-2, 0}, {0, 1}, {-1, 0}, {-2, 3}, {0, 0}};
    f2.layers[0].alphaBlocks = {{-1, 0}, {0, 0}};
    d.frames.push_back(f2);
    docs.push_back(d);
  }
  {
    DocSpec d;  // frame copies from frames of other sizes and depths
    d.compType = 1;
    d.blockWidth = d.blockHeight = 4;
    d.frames.push_back(Frame(6, 5, 32, 1, true));
    FrameSpec f2 = Frame(9, 7, 8, 1, true);
    f2.layers[0].blocks = {{-1, 0}, {-1, 0}, {0, 0}, {-1, 0}, {0, 0}, {0, 0}};
    f2.layers[0].alphaBlocks = {{0, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {0, 0}};
    d.frames.push_back(f2);
    FrameSpec f3 = Frame(4, 5, 24, 1, false);  // its last row from the wider rows of frame 0
    f3.layers[0].blocks = {{1, 0}, {0, 0}};
    d.frames.push_back(f3);
    docs.push_back(d);
  }
  {
    DocSpec d;  // default 32 x 32 blocks: attributes left out
    d.blockWidth.reset();
    d.blockHeight.reset();
    d.frames.push_back(Frame(40, 33, 24, 1, false));
    docs.push_back(d);
  }
  for (bool blocks : {false, true}) {  // scrambled rows and block tables
    DocSpec d;
    d.compType = 1;
    d.randomized = true;
    d.code = 0x41424344;
    if (blocks) d.blockWidth = d.blockHeight = 2;
    d.frames.push_back(Frame(6, 6, 24, 1, false));
    docs.push_back(d);
  }
  for (int32_t version : {99, 100, 102}) {  // the old row coding
    DocSpec d;
    d.version = version;
    d.compType = version == 100 ? 1 : 0;
    d.frames.push_back(Frame(9, 4, 8, 3, version >= 100));
    docs.push_back(d);
  }
  {
    DocSpec d;  // several frames and layers, invisible and keyed layers
    d.bgColor = 0x123456;
    d.notFillBG = true;
    d.frames.push_back(Frame(8, 8, 24, 3, true));
    d.frames[0].layers[1].visible = false;
    d.frames.push_back(Frame(8, 8, 24, 2, false));
    d.frames.push_back(Frame(8, 8, 24, 0, false));
    docs.push_back(d);
  }
  return docs;
}

// Whole documents seed both readers of every frame.
void SaveDocument(const std::vector<uint8_t>& file) {
  Save("frames_read", file);
  Save("dov_decoder", file);
}

void ConvertReadSeeds(const std::vector<DocSpec>& docs) {
  for (const DocSpec& d : docs) {
    const std::vector<uint8_t> file = WriteDov(d);
    std::vector<uint8_t> raw{0};
    raw.insert(raw.end(), file.begin(), file.end());
    Save("convert_read", raw);
    SaveDocument(file);
    // Header text in the clear, then the plane records.
    const uint32_t len = file[8] | file[9] << 8 | file[10] << 16 | static_cast<uint32_t>(file[11]) << 24;
    const std::string text = HeaderText(d);
    std::vector<uint8_t> plain{1};
    plain.insert(plain.end(), text.begin(), text.end());
    plain.push_back(0);
    plain.insert(plain.end(), file.begin() + 12 + len, file.end());
    Save("convert_read", plain);
    Save("header_xml", std::vector<uint8_t>(text.begin(), text.end()));
  }
}

void LegacySeeds() {
  for (int32_t version : {0, 100, 101, 102, 103, 104, 105, 107}) {
    LegacySpec s;
    s.version = version;
    s.doc.compType = version >= 103 ? 0 : 1;
    s.doc.bgColor = 0x00FF00;
    s.tableCount = version >= 104 ? 1 : 0;
    s.doc.frames.push_back(Frame(6, 5, version == 0 ? 8 : 24, 2, version >= 100));
    s.doc.frames.push_back(Frame(6, 5, version == 0 ? 8 : 24, 1, false));
    for (uint8_t flag : {0, 1}) {
      std::vector<uint8_t> bytes{flag};
      const std::vector<uint8_t> file = WriteLegacy(s);
      bytes.insert(bytes.end(), file.begin(), file.end());
      Save("legacy_reader", bytes);
      SaveDocument(file);
    }
  }
  LegacySpec blocks;  // current coding inside the older layout
  blocks.version = 107;
  blocks.doc.compType = 1;
  blocks.doc.blockWidth = blocks.doc.blockHeight = 4;
  blocks.doc.frames.push_back(Frame(9, 9, 4, 1, true));
  std::vector<uint8_t> bytes{0};
  const std::vector<uint8_t> file = WriteLegacy(blocks);
  bytes.insert(bytes.end(), file.begin(), file.end());
  Save("legacy_reader", bytes);
  SaveDocument(file);
}

// Parameter bytes as the plane target takes them, then the blob.
void PlaneSeed(const DocSpec& d, const FrameSpec& f, bool isAlpha, int bwIndex, int bhIndex) {
  static const int32_t kDepths[] = {1, 4, 8, 15, 16, 24, 32};
  std::vector<uint8_t> v;
  uint8_t flags = isAlpha ? 1 : 0;
  if (d.version < 103) flags |= 2 | static_cast<uint8_t>(((d.version - 100) % 3) << 5);
  if (d.randomized) flags |= 4 | 8;
  v.push_back(flags);
  v.push_back(static_cast<uint8_t>(d.compType));
  v.push_back(static_cast<uint8_t>(bwIndex));
  v.push_back(static_cast<uint8_t>(bhIndex));
  if (!isAlpha) {
    int k = 0;
    while (kDepths[k] != f.bpp) ++k;
    v.push_back(static_cast<uint8_t>(k));
  }
  Put16(v, static_cast<uint32_t>(f.width - 1));
  Put16(v, static_cast<uint32_t>(f.height - 1));
  if (d.randomized) Put32(v, d.code);
  const LayerSpec& l = f.layers[0];
  const std::vector<uint8_t> blob =
      PlaneBlob(d, f, isAlpha, isAlpha ? *l.alphaRows : l.rows, isAlpha ? l.alphaBlocks : l.blocks);
  v.insert(v.end(), blob.begin(), blob.end());
  Save("decode_plane", v);
}

void PlaneSeeds() {
  // Block side indices of the target's table: 0 none, 5 is 7, 6 is 8.
  for (int32_t bpp : {1, 4, 8, 15, 16, 24, 32})
    for (int32_t ct : {0, 1}) {
      DocSpec rows;
      rows.compType = ct;
      const FrameSpec f = Frame(11, 6, bpp, 1, true);
      PlaneSeed(rows, f, false, 0, 0);
      DocSpec blocks = rows;
      blocks.blockWidth = 7;
      blocks.blockHeight = 8;
      FrameSpec fb = f;
      fb.layers[0].blocks = {{-1, 0}, {-2, 0}};
      PlaneSeed(blocks, fb, false, 5, 6);
      PlaneSeed(blocks, fb, true, 5, 6);
    }
  DocSpec jpeg;
  jpeg.compType = 2;
  PlaneSeed(jpeg, Frame(16, 8, 24, 1, true), false, 0, 0);
  PlaneSeed(jpeg, Frame(16, 8, 24, 1, true), true, 0, 0);
  DocSpec scrambled;
  scrambled.compType = 1;
  scrambled.randomized = true;
  scrambled.code = 0x31323334;
  PlaneSeed(scrambled, Frame(5, 9, 24, 1, false), false, 0, 0);
  for (int32_t version : {100, 101}) {
    DocSpec old;
    old.version = version;
    old.compType = version == 100 ? 1 : 0;
    PlaneSeed(old, Frame(5, 9, 8, 1, true), false, 0, 0);
  }
}

void WriteReadSeeds() {
  // Format index, width - 1, height - 1, compression, quality - 1,
  // transparent index + 2, code selector, opacity selector, pixels.
  for (uint8_t format = 0; format < 10; ++format)
    for (uint8_t ct : {0, 1, 2}) {
      std::vector<uint8_t> v{format};
      Put16(v, 12);
      Put16(v, 7);
      v.push_back(ct);
      Put16(v, 69);
      Put16(v, 7);
      v.push_back(format == 4 && ct == 1 ? 0 : 1);
      if (format == 4 && ct == 1) Put32(v, 0x41424344);
      v.push_back(ct == 0 ? 0 : 1);
      for (int i = 0; i < 200; ++i) v.push_back(static_cast<uint8_t>(i * 37 + (i / 5) * 11));
      Save("write_read", v);
    }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus dir>\n", argv[0]);
    return 2;
  }
  g_root = argv[1];
  const std::vector<DocSpec> docs = Documents();
  ConvertReadSeeds(docs);
  LegacySeeds();
  PlaneSeeds();
  WriteReadSeeds();
  std::printf("%d seeds written to %s\n", g_count, argv[1]);
  return 0;
}

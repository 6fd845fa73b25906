#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <set>
#include <string>

#include "export_helpers.h"
#include "support/doc_helpers.h"
#include "support/dov_writer.h"
#include "support/legacy_writer.h"
#include "converter/converts/convert_impl.h"
#include "converter/dorvs/frame.h"
#include "converter/dorvs/framelist.h"
#include "converter/streams/stream.h"
#include "platform/win32.h"

namespace dorv::testing {
namespace {

FrameSpec Frame(int w, int h, int bpp, std::function<uint32_t(int, int)> pixel) {
  FrameSpec f;
  f.width = w;
  f.height = h;
  f.bpp = bpp;
  for (uint32_t i = 0; i < 256; ++i) f.palette.push_back((i * 0x030507u) & 0xFFFFFF);
  LayerSpec l;
  l.rows = MakeRows(w, h, bpp, pixel);
  f.layers.push_back(l);
  return f;
}

std::vector<uint8_t> File(FrameSpec f) {
  DocSpec d;
  d.frames.push_back(std::move(f));
  return WriteDov(d);
}

#ifndef _WIN32  // the Windows build reads the export table of the DLL itself
TEST(ExportedSymbols, AreExactlyTheThreeEntryPoints) {
  const std::string cmd = std::string("nm -D --defined-only ") + DORV_CONVERTER_PATH;
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::set<std::string> names;
  char line[512];
  while (fgets(line, sizeof line, p) != nullptr) {
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    const auto at = s.rfind(' ');
    const std::string type = at >= 2 ? s.substr(at - 1, 1) : "";
    if (type == "T" || type == "D" || type == "B" || type == "W") names.insert(s.substr(at + 1));
  }
  ASSERT_EQ(pclose(p), 0);
  EXPECT_EQ(names, (std::set<std::string>{"ConfigWrite", "ConvertRead", "ConvertWrite"}));
}
#endif

TEST(ConvertRead, EightBitWithAlphaComesBackAsThirtyTwoBits) {
  FrameSpec f = Frame(3, 2, 8, [](int x, int) { return static_cast<uint32_t>(x + 1); });
  f.trans = 1;
  f.layers[0].alphaOn = true;
  f.layers[0].alphaRows = MakeRows(3, 2, 8, [](int x, int y) { return static_cast<uint32_t>(10 * x + y); });
  auto r = ReadThroughExport(File(f));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.Info().Bpp(), 32);
  EXPECT_EQ(r.transparent, -1);
  ASSERT_EQ(r.pixels.size(), 24u);
  const uint32_t c = (2 * 0x030507u) & 0xFFFFFF;  // palette entry 2 at x = 1
  EXPECT_EQ(r.pixels[4], (c >> 16) & 0xFF);        // blue
  EXPECT_EQ(r.pixels[6], c & 0xFF);                // red
  EXPECT_EQ(r.pixels[7], 10);                      // alpha of (1, 0)
  EXPECT_EQ(r.pixels[12 + 11], 21);                // alpha of (2, 1)
}

TEST(ConvertRead, TwentyFourBitsComeBackOpaqueWithoutTransparentIndex) {
  FrameSpec f = Frame(3, 2, 24, [](int x, int y) { return static_cast<uint32_t>(0x102030 * (x + 1) + y); });
  f.trans = 5;
  auto r = ReadThroughExport(File(f));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.Info().Bpp(), 32);
  EXPECT_EQ(r.transparent, -1);
  ASSERT_EQ(r.pixels.size(), 24u);  // packed rows of 12 bytes
  for (size_t i = 3; i < 24; i += 4) EXPECT_EQ(r.pixels[i], 255);
  EXPECT_EQ(r.pixels[12 + 0], 0x31);  // (0, 1): blue 0x30 + 1
  EXPECT_EQ(r.pixels[2], 0x10);
}

TEST(ConvertRead, OneBitComesBackAsIndices) {
  FrameSpec f = Frame(9, 2, 1, [](int x, int) { return static_cast<uint32_t>(x % 3 == 0); });
  auto r = ReadThroughExport(File(f));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.Info().Bpp(), 8);
  ASSERT_EQ(r.pixels.size(), 18u);
  for (int x = 0; x < 9; ++x) EXPECT_EQ(r.pixels[static_cast<size_t>(x)], x % 3 == 0 ? 1 : 0);
  EXPECT_EQ(r.palette[4 + 0], (0x030507u >> 16) & 0xFF);  // entry 1 blue
  EXPECT_EQ(r.palette[4 + 2], 0x07);                       // entry 1 red
}

TEST(ConvertRead, FourBitsWidenKeepingTheirColours) {
  FrameSpec f = Frame(3, 1, 4, [](int x, int) { return static_cast<uint32_t>(x + 13); });
  f.trans = 14;
  auto r = ReadThroughExport(File(f));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.Info().Bpp(), 8);
  EXPECT_EQ(r.transparent, 14);
  EXPECT_EQ(std::vector<uint8_t>(r.pixels.begin(), r.pixels.end()), (std::vector<uint8_t>{13, 14, 15}));
  EXPECT_EQ(r.palette[4 * 15 + 2], (15 * 7) & 0xFF);
  EXPECT_EQ(r.palette[4 * 16 + 2], 0);  // new entries are black
}

TEST(ConvertRead, PackedStridesAndReadInfo) {
  DocSpec d;
  d.bgColor = 0x00ABCDEF;
  d.notFillBG = true;
  d.frames.push_back(Frame(5, 3, 8, [](int x, int y) { return static_cast<uint32_t>(x + 5 * y); }));
  d.frames.push_back(d.frames[0]);
  auto r = ReadThroughExport(WriteDov(d));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.pixels.size(), 15u);
  EXPECT_EQ(r.pixels[14], 14);
  EXPECT_EQ(r.Info().RecordSize(), 40);
  EXPECT_EQ(r.Info().Version(), 200);
  EXPECT_EQ(r.Info().Width(), 5);
  EXPECT_EQ(r.Info().Height(), 3);
  EXPECT_EQ(r.Info().Count(), 2);
  EXPECT_TRUE(r.Info().SyncPal());
  EXPECT_FALSE(r.Info().Randomized());
  EXPECT_EQ(r.Info().CompType(), kCompNone);
  EXPECT_EQ(r.Info().BGColor(), 0x00ABCDEF);
  EXPECT_EQ(r.Info().BlockWidth(), 0);
  EXPECT_TRUE(r.Info().NotFillBG());
  EXPECT_EQ(r.Info().CompLevel(), 70);
  // The bytes as the host's record lays them out.
  const uint8_t size[4] = {40, 0, 0, 0}, width[4] = {5, 0, 0, 0}, bg[4] = {0xEF, 0xCD, 0xAB, 0};
  EXPECT_EQ(std::memcmp(r.info, size, 4), 0);
  EXPECT_EQ(std::memcmp(r.info + 8, width, 4), 0);
  EXPECT_EQ(std::memcmp(r.info + 28, bg, 4), 0);
  EXPECT_EQ(r.info[24], 1);
  EXPECT_EQ(r.info[40], 1);
}

// The bottom layer of frame 0 may be decoded straight into the host's
// block. Whatever the frame holds, the block is the composite of a plain
// load brought to the block's rows, with the same read info and palette.
struct BlockCase {
  std::string what;
  std::function<DocSpec()> doc;
  // The block's bytes worked out from the stored pixels, where the case
  // states them.
  std::function<std::vector<uint8_t>()> expected = nullptr;
};

uint32_t LayerValue(int bpp, uint32_t seed, int32_t x, int32_t y) {
  const uint32_t v = (static_cast<uint32_t>(x) * 2654435761u) ^ (static_cast<uint32_t>(y) * 40503u) ^ seed;
  return bpp == 8 ? v % 200 : bpp == 32 ? v : v & 0xFFFFFF;
}

LayerSpec Layer(int w, int h, int bpp, uint32_t seed) {
  LayerSpec l;
  l.rows = MakeRows(w, h, bpp, [&](int32_t x, int32_t y) { return LayerValue(bpp, seed, x, y); });
  return l;
}

DocSpec OneFrame(int w, int h, int bpp, std::vector<LayerSpec> layers) {
  DocSpec d;
  FrameSpec f;
  f.width = w;
  f.height = h;
  f.bpp = bpp;
  for (uint32_t i = 0; i < 256; ++i) f.palette.push_back((i * 0x0A0B0Cu) & 0xFFFFFF);
  f.layers = std::move(layers);
  d.frames.push_back(std::move(f));
  d.bgColor = 0x336699;
  return d;
}

std::vector<uint8_t> Plane(int w, int h, uint8_t base) {
  std::vector<uint8_t> a(static_cast<size_t>((w + 3) / 4 * 4) * static_cast<size_t>(h));
  for (size_t i = 0; i < a.size(); ++i) a[i] = static_cast<uint8_t>(base + i * 7);
  return a;
}

// One layer of every depth at the widths around every row padding and kernel
// step, with and without an alpha plane: palette frames come back as their
// indices, the others as blue, green, red and the alpha value (255 without
// one; 32-bit frames keep their fourth bytes). 15- and 16-bit channels are
// widened with their low bits clear.
std::vector<uint8_t> ExpectedBlock(int w, int h, int bpp, bool alpha, uint32_t seed) {
  const std::vector<uint8_t> plane = Plane(w, h, 9);
  const size_t planeStride = static_cast<size_t>((w + 3) / 4 * 4);
  std::vector<uint8_t> out;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      uint32_t v = LayerValue(bpp, seed, x, y);
      if (bpp <= 8) v &= (1u << bpp) - 1;
      if (bpp <= 8 && !alpha) {
        out.push_back(static_cast<uint8_t>(v));
        continue;
      }
      uint32_t b, g, r;
      if (bpp <= 8) {
        const uint32_t c = (v * 0x0A0B0Cu) & 0xFFFFFF;  // OneFrame's palette, 0x00BBGGRR
        b = c >> 16, g = (c >> 8) & 255, r = c & 255;
      } else if (bpp == 15) {
        b = (v & 0x1F) << 3, g = ((v >> 5) & 0x1F) << 3, r = ((v >> 10) & 0x1F) << 3;
      } else if (bpp == 16) {
        b = (v & 0x1F) << 3, g = ((v >> 5) & 0x3F) << 2, r = ((v >> 11) & 0x1F) << 3;
      } else {
        b = v & 255, g = (v >> 8) & 255, r = (v >> 16) & 255;
      }
      const uint32_t fourth = alpha ? plane[planeStride * static_cast<size_t>(y) + static_cast<size_t>(x)]
                              : bpp == 32 ? v >> 24 : 255;
      for (uint32_t c : {b, g, r, fourth}) out.push_back(static_cast<uint8_t>(c));
    }
  return out;
}

void AddWidthCases(std::vector<BlockCase>& cases) {
  for (int bpp : {1, 4, 8, 15, 16, 24, 32})
    for (int w : {1, 2, 3, 4, 5, 6, 7, 8, 9, 70})
      for (bool alpha : {false, true}) {
        const uint32_t seed = static_cast<uint32_t>(bpp * 100 + w);
        const int h = 3;
        cases.push_back({std::to_string(bpp) + "-bit, " + std::to_string(w) + " wide" + (alpha ? ", alpha on" : ""),
                         [=] {
                           LayerSpec l = Layer(w, h, bpp, seed);
                           if (alpha) {
                             l.alphaOn = true;
                             l.alphaRows = Plane(w, h, 9);
                           }
                           return OneFrame(w, h, bpp, {l});
                         },
                         [=] { return ExpectedBlock(w, h, bpp, alpha, seed); }});
      }
}

std::vector<BlockCase> BlockCases() {
  std::vector<BlockCase> cases = {
      {"8-bit, rows without padding", [] { return OneFrame(16, 5, 8, {Layer(16, 5, 8, 1)}); }},
      {"8-bit, padded rows", [] { return OneFrame(7, 5, 8, {Layer(7, 5, 8, 2)}); }},
      {"32-bit opaque", [] { return OneFrame(9, 4, 32, {Layer(9, 4, 32, 3)}); }},
      {"24-bit", [] { return OneFrame(9, 4, 24, {Layer(9, 4, 24, 4)}); }},
      {"32-bit with its alpha on",
       [] {
         LayerSpec l = Layer(8, 4, 32, 5);
         l.alphaOn = true;
         l.alphaRows = Plane(8, 4, 9);
         return OneFrame(8, 4, 32, {l});
       }},
      {"8-bit with its alpha on",
       [] {
         LayerSpec l = Layer(8, 4, 8, 6);
         l.alphaOn = true;
         l.alphaRows = Plane(8, 4, 40);
         return OneFrame(8, 4, 8, {l});
       }},
      {"8-bit with an alpha plane not on",
       [] {
         LayerSpec l = Layer(8, 4, 8, 7);
         l.alphaRows = Plane(8, 4, 40);
         return OneFrame(8, 4, 8, {l});
       }},
      {"8-bit, a keyed layer over the background",
       [] {
         LayerSpec l = Layer(8, 4, 8, 8);
         l.trans = static_cast<int32_t>(l.rows[3]);
         return OneFrame(8, 4, 8, {l});
       }},
      {"8-bit, a second layer drawn at half strength",
       [] {
         LayerSpec top = Layer(8, 4, 8, 10);
         top.alpha = 128;
         return OneFrame(8, 4, 8, {Layer(8, 4, 8, 9), top});
       }},
      {"8-bit, the bottom layer hidden",
       [] {
         LayerSpec hidden = Layer(8, 4, 8, 11);
         hidden.visible = false;
         return OneFrame(8, 4, 8, {hidden, Layer(8, 4, 8, 12)});
       }},
      {"32-bit, a second layer with alpha over the first",
       [] {
         LayerSpec top = Layer(8, 4, 32, 14);
         top.alphaOn = true;
         top.alphaRows = Plane(8, 4, 3);
         return OneFrame(8, 4, 32, {Layer(8, 4, 32, 13), top});
       }},
      {"8-bit in blocks with copies",
       [] {
         DocSpec d = OneFrame(16, 8, 8, {Layer(16, 8, 8, 15)});
         d.blockWidth = 4;
         d.blockHeight = 4;
         d.frames[0].layers[0].blocks = {{-1, 0}, {-2, 0}, {-1, 0}, {-2, 1}, {-2, 7}, {-1, 0}, {-1, 0}, {-1, 0}};
         return d;
       }},
      {"8-bit whose colour plane inflates short",
       [] {
         DocSpec d = OneFrame(16, 4, 8, {Layer(16, 4, 8, 16)});
         d.frames[0].layers[0].colourBlob = ZlibCompress(std::vector<uint8_t>(10, 0x55));
         return d;
       }},
  };
  AddWidthCases(cases);
  return cases;
}

void PrintTo(const BlockCase& c, std::ostream* os) { *os << c.what; }

class ReadBlock : public ::testing::TestWithParam<BlockCase> {};

TEST_P(ReadBlock, IsTheCompositeOfAPlainLoad) {
  const std::vector<uint8_t> file = WriteDov(GetParam().doc());
  const ReadResult got = ReadThroughExport(file);

  TDorvFrameList doc(0);
  TSpanStream in(file.data(), file.size());
  try {
    doc.LoadFromStream(in, true);
  } catch (const std::exception&) {  // shown by ConvertRead; the frame is kept
  }
  ASSERT_GT(doc.Count(), 0);
  TDIBSurface& s = doc.GetFrame(0).Surface;
  const int32_t bpp = s.AlphaPlane() == nullptr && s.Depth() <= 8 ? 8 : 32;
  const size_t stride = static_cast<size_t>(s.Width()) * static_cast<size_t>(bpp / 8);
  std::vector<uint8_t> want(stride * static_cast<size_t>(s.Height()));
  ASSERT_FALSE(s.IsEmpty());
  ASSERT_EQ(ComposeBlockRows(s, want.data(), stride), bpp);

  ASSERT_TRUE(got.ok);
  EXPECT_EQ(got.Info().Width(), s.Width());
  EXPECT_EQ(got.Info().Height(), s.Height());
  EXPECT_EQ(got.Info().Bpp(), bpp);
  EXPECT_EQ(got.pixels, want);
  if (GetParam().expected) {
    EXPECT_EQ(got.pixels, GetParam().expected());
  }
  if (bpp == 8) {
    EXPECT_EQ(0, std::memcmp(got.palette, s.Palette.data(), sizeof got.palette));
    EXPECT_EQ(got.transparent, doc.GetFrame(0).TransColor);
  }
}

INSTANTIATE_TEST_SUITE_P(Frames, ReadBlock, ::testing::ValuesIn(BlockCases()), [](const auto& info) {
  std::string n;
  for (char ch : info.param.what) n += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  return n;
});

#ifndef _WIN32
// When the block cannot be resized, the layer is read into memory of its own
// or the read fails without a message (only load errors show one); either
// way the host's block stays the host's.
std::string g_reported;
TEST(ConvertRead, AFailedResizeKeepsTheHostsBlock) {
  const std::vector<uint8_t> file = WriteDov(OneFrame(16, 4, 8, {Layer(16, 4, 8, 21)}));
  for (int failures : {1, 2}) {
    SCOPED_TRACE(failures);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8);
    ASSERT_NE(block, nullptr);
    uint8_t info[44] = {}, palette[1024] = {};
    int32_t transparent = 0;
    TSpanStream in(file.data(), file.size());
    platform::FailNextGlobalAllocs(failures);
    g_reported.clear();
    const bool ok = ConvertReadFromStream(in, info, &block, palette, &transparent,
                                          [](const char* m) { g_reported += m; });
    platform::FailNextGlobalAllocs(0);
    ASSERT_NE(block, nullptr);
    if (failures == 1) {  // only the early resize failed
      EXPECT_TRUE(ok);
      EXPECT_EQ(g_reported, "");
      ASSERT_EQ(GlobalSize(block), 64u);
      const auto* pixels = static_cast<const uint8_t*>(GlobalLock(block));
      const std::vector<uint8_t> rows = Layer(16, 4, 8, 21).rows;
      EXPECT_TRUE(std::equal(rows.begin(), rows.end(), pixels));
      GlobalUnlock(block);
    } else {
      EXPECT_FALSE(ok);
      EXPECT_EQ(g_reported, "");
      EXPECT_EQ(GlobalSize(block), 8u);
    }
    EXPECT_EQ(GlobalFree(block), nullptr);
  }
}
#endif

TEST(ConvertRead, LegacyFilesReportVersion200) {
  LegacySpec layout;
  layout.version = 102;
  layout.doc.frames.push_back(Frame(2, 2, 24, [](int, int) { return 0x112233u; }));
  for (int i = 0; i < 4; ++i) layout.doc.frames.push_back(layout.doc.frames[0]);
  auto r = ReadThroughExport(WriteLegacy(layout));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.Info().Version(), 200);
  EXPECT_EQ(r.Info().Count(), 1);  // only the first frame of a legacy file is read
}

TEST(ConvertRead, CorruptFrameOneOpensAsFrameZeroWithTheErrorShown) {
  DocSpec d;
  d.frames.push_back(Frame(4, 2, 24, [](int x, int) { return static_cast<uint32_t>(x); }));
  d.frames.push_back(d.frames[0]);
  d.frames[1].layers[0].colourBlob = std::vector<uint8_t>(10, 0x55);
  auto r = ReadThroughExport(WriteDov(d));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.Info().Count(), 2);
  EXPECT_NE(r.messages.find("data error"), std::string::npos) << r.messages;
  EXPECT_EQ(r.pixels[4], 1);  // blue of (1, 0)
}

TEST(ConvertRead, FileWithoutPictureReturnsFalse) {
  for (const std::vector<uint8_t>& bytes :
       {std::vector<uint8_t>{}, std::vector<uint8_t>{'D', 'o', 'r', 'v', 'X', '9', '0', '0'}}) {
    auto r = ReadThroughExport(bytes);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.transparent, -1);
  }
}

uint8_t* Px(WriteArgs& a, int x, int y, int bytes) {
  return a.pixels.data() + (static_cast<size_t>(y) * a.width + static_cast<size_t>(x)) * bytes;
}

TEST(ConvertWrite, OpaqueRgbaDropsTheAlphaPlaneAndAlpha254KeepsIt) {
  WriteArgs a;
  a.width = 3;
  a.height = 2;
  a.planes = 4;
  a.pixels.assign(24, 255);
  auto opaque = WriteThroughExport(a);
  ASSERT_TRUE(opaque.ok);
  EXPECT_NE(HeaderTextOf(opaque.file).find("AlphaOn=\"0\""), std::string::npos);
  Px(a, 2, 1, 4)[3] = 254;
  auto kept = WriteThroughExport(a);
  EXPECT_NE(HeaderTextOf(kept.file).find("AlphaOn=\"1\""), std::string::npos);
  auto doc = LoadDov(kept.file);
  EXPECT_EQ(doc->GetFrame(0).Surface.AlphaPlane()->ReadPixel(2, 1), 254u);
}

// Large pictures are filled and handed back in two bands of rows at once:
// an alpha value below 255 in either band keeps the alpha plane, and every
// row comes back where it was.
TEST(ConvertWrite, LargePicturesKeepAlphaSeenInEitherBandAndReadBackWhole) {
  struct Case {
    const char* what;
    int y;  // row of the one pixel that is not opaque, or -1
    bool keeps;
  };
  for (const Case c : {Case{"all opaque", -1, false}, Case{"top row", 0, true}, Case{"bottom row", 1023, true}}) {
    SCOPED_TRACE(c.what);
    WriteArgs a;
    a.width = 1536;
    a.height = 1024;
    a.planes = 4;
    a.compType = 1;
    a.pixels.resize(static_cast<size_t>(a.width) * a.height * 4);
    for (int y = 0; y < a.height; ++y)
      for (int x = 0; x < a.width; ++x) {
        uint8_t* p = Px(a, x, y, 4);
        p[0] = static_cast<uint8_t>(x), p[1] = static_cast<uint8_t>(y), p[2] = static_cast<uint8_t>(x ^ y), p[3] = 255;
      }
    if (c.y >= 0) Px(a, 700, c.y, 4)[3] = 3;
    auto w = WriteThroughExport(a);
    ASSERT_TRUE(w.ok);
    EXPECT_NE(HeaderTextOf(w.file).find(c.keeps ? "AlphaOn=\"1\"" : "AlphaOn=\"0\""), std::string::npos);
    auto r = ReadThroughExport(w.file);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.pixels.size(), a.pixels.size());
    size_t wrong = 0;
    for (int y = 0; y < a.height; ++y)
      for (int x = 0; x < a.width; ++x) {
        const uint8_t* in = Px(a, x, y, 4);
        const uint8_t* out = r.pixels.data() + (static_cast<size_t>(y) * a.width + static_cast<size_t>(x)) * 4;
        wrong += out[0] != in[2] || out[1] != in[1] || out[2] != in[0] || out[3] != in[3];
      }
    EXPECT_EQ(wrong, 0u);
  }
}

TEST(ConvertWrite, AlphaZeroIsStoredBlack) {
  WriteArgs a;
  a.width = 2;
  a.planes = 4;
  a.pixels = {10, 20, 30, 0, 40, 50, 60, 7};
  auto w = WriteThroughExport(a);
  ASSERT_TRUE(w.ok);
  auto doc = LoadDov(w.file);
  const TDIBSurface& s = doc->GetFrame(0).Surface;
  EXPECT_EQ(s.Depth(), 24);
  EXPECT_EQ(s.ReadPixel(0, 0), 0u);
  EXPECT_EQ(s.ReadPixel(1, 0), 0x28323Cu);
  EXPECT_EQ(s.AlphaPlane()->ReadPixel(1, 0), 7u);
}

TEST(ConvertWrite, GreyAlphaPutsTheGreyInEveryChannel) {
  WriteArgs a;
  a.width = 2;
  a.planes = 2;
  a.mode = 1;
  a.pixels = {90, 1, 200, 0};
  auto w = WriteThroughExport(a);
  ASSERT_TRUE(w.ok);
  auto doc = LoadDov(w.file);
  const TDIBSurface& s = doc->GetFrame(0).Surface;
  EXPECT_EQ(s.ReadPixel(0, 0), 0x5A5A5Au);
  EXPECT_EQ(s.AlphaPlane()->ReadPixel(0, 0), 1u);
  EXPECT_EQ(s.AlphaPlane()->ReadPixel(1, 0), 0u);
}

TEST(ConvertWrite, IndexedKeepsPaletteAndOnlyARealTransparentIndex) {
  for (int32_t trans : {-1, 256, 0, 255}) {
    WriteArgs a;
    a.width = 3;
    a.planes = 1;
    a.mode = 2;
    a.pixels = {0, 7, 255};
    for (int i = 0; i < 256; ++i) {
      a.red[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
      a.green[static_cast<size_t>(i)] = static_cast<uint8_t>(255 - i);
      a.blue[static_cast<size_t>(i)] = 9;
    }
    a.transparent = trans;
    auto w = WriteThroughExport(a);
    ASSERT_TRUE(w.ok);
    auto r = ReadThroughExport(w.file);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.transparent, trans >= 0 && trans < 256 ? trans : -1);
    EXPECT_EQ(r.pixels, (std::vector<uint8_t>{0, 7, 255}));
    EXPECT_EQ(r.palette[4 * 7 + 2], 7);
    EXPECT_EQ(r.palette[4 * 7 + 1], 248);
    EXPECT_EQ(r.palette[4 * 7 + 0], 9);
  }
}

// Rows of a width that the surface would pad are copied; others are saved
// from the caller's memory. Both read back as they were, and the caller's
// pixels are never written.
TEST(ConvertWrite, IndexedRowsOfEveryWidthReadBackUnchanged) {
  for (int width : {8, 7, 12, 1}) {
    SCOPED_TRACE(width);
    WriteArgs a;
    a.width = width;
    a.height = 3;
    a.planes = 1;
    for (int i = 0; i < width * 3; ++i) a.pixels.push_back(static_cast<uint8_t>(i * 7 + 1));
    for (int i = 0; i < 256; ++i) a.red[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    const std::vector<uint8_t> given = a.pixels;
    for (int ct : {0, 1}) {
      a.compType = ct;
      auto w = WriteThroughExport(a);
      ASSERT_TRUE(w.ok);
      EXPECT_EQ(a.pixels, given);
      auto r = ReadThroughExport(w.file);
      ASSERT_TRUE(r.ok);
      EXPECT_EQ(r.pixels, given);
      EXPECT_EQ(r.palette[4 * 9 + 2], 9);  // red of entry 9
    }
  }
}

TEST(ConvertWrite, GreyscaleModeGetsTheGreyRamp) {
  WriteArgs a;
  a.width = 2;
  a.planes = 1;
  a.mode = 1;
  a.pixels = {3, 250};
  auto r = ReadThroughExport(WriteThroughExport(a).file);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.pixels, (std::vector<uint8_t>{3, 250}));
  EXPECT_EQ(r.palette[4 * 250], 250);
  EXPECT_EQ(r.palette[4 * 250 + 2], 250);
}

TEST(ConvertWrite, BitmapRoundTripsAsIndices) {
  WriteArgs a;
  a.width = 10;
  a.height = 2;
  a.planes = 1;
  a.depth = 1;
  a.mode = 0;
  a.pixels = {0xA5, 0xC0, 0x0F, 0x40};
  auto r = ReadThroughExport(WriteThroughExport(a).file);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.pixels.size(), 20u);
  const uint8_t want[20] = {1, 0, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, 1, 1, 1, 1, 0, 1};
  for (int i = 0; i < 20; ++i) EXPECT_EQ(r.pixels[static_cast<size_t>(i)], want[i]) << i;
  EXPECT_EQ(r.palette[0], 255);  // entry 0 white
  EXPECT_EQ(r.palette[4], 0);    // entry 1 black
}

class UnsupportedBpp : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(UnsupportedBpp, IsRefusedWithNothingWritten) {
  WriteArgs a;
  a.planes = GetParam().first;
  a.depth = GetParam().second;
  a.pixels.assign(64, 0);
  auto w = WriteThroughExport(a);
  EXPECT_FALSE(w.ok);
  EXPECT_TRUE(w.file.empty());
}

INSTANTIATE_TEST_SUITE_P(Bpp, UnsupportedBpp,
                         ::testing::Values(std::pair{1, 2}, std::pair{1, 4}, std::pair{3, 4}, std::pair{5, 4},
                                           std::pair{0, 8}, std::pair{-1, 8}));

TEST(ConvertWrite, EveryCompressionReadsBack) {
  for (int ct : {0, 1, 2}) {
    WriteArgs a;
    a.width = 7;
    a.height = 3;
    a.planes = 3;
    a.compType = ct;
    a.quality = 95;
    for (int i = 0; i < 21; ++i) a.pixels.insert(a.pixels.end(), {static_cast<uint8_t>(100 + i), 80, 60});
    auto w = WriteThroughExport(a);
    ASSERT_TRUE(w.ok);
    EXPECT_NE(HeaderTextOf(w.file).find("CompType=\"" + std::to_string(ct) + "\" CompLevel=\"95\""),
              std::string::npos);
    auto r = ReadThroughExport(w.file);
    ASSERT_TRUE(r.ok);
    for (int i = 0; i < 21; ++i)
      EXPECT_NEAR(r.pixels[static_cast<size_t>(4 * i + 2)], 100 + i, ct == 2 ? 6 : 0);
  }
}

// Lossy saves code the JPEG plane from the caller's rows without filling
// the surface's colour store, and raw saves in order write the caller's rows
// to the file as they are converted, without filling the surface at all;
// either way the file is byte for byte the one a document holding the same
// pixels in its surface saves. With a code the planes are stored raw
// (scrambled), from the surface. A large alpha plane is filled by the JPEG
// coder's rows while its own coder follows behind on a thread; a large raw
// plane passes through the file in many pieces of rows.
struct SameFileCase {
  const char* what;
  int32_t compType;
  int planes;
  bool someTransparent;
  int32_t code;
  int32_t width = 37, height = 23;
};

class SavedFromCallerRows : public ::testing::TestWithParam<SameFileCase> {};

TEST_P(SavedFromCallerRows, AreTheFilesOfADocumentWithTheSamePixels) {
  const SameFileCase& c = GetParam();
  WriteArgs a;
  a.width = c.width;
  a.height = c.height;
  a.planes = c.planes;
  a.compType = c.compType;
  a.quality = 83;
  a.code = c.code;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) {
      a.pixels.insert(a.pixels.end(), {static_cast<uint8_t>(x * 7), static_cast<uint8_t>(y * 11),
                                       static_cast<uint8_t>((x * y) & 0xFF)});
      if (c.planes >= 4) a.pixels.push_back(c.someTransparent ? static_cast<uint8_t>((x + y) % 5 * 60) : 255);
      if (c.planes == 5) a.pixels.push_back(0x77);  // a fifth byte, not read
    }
  auto w = WriteThroughExport(a);
  ASSERT_TRUE(w.ok);
  const std::string stored = "CompType=\"" + std::to_string(c.code == 0 ? c.compType : 1) + "\"";
  EXPECT_NE(HeaderTextOf(w.file).find(stored), std::string::npos);

  TDorvFrameList doc(a.code);
  TDorvFrame& frame = doc.AddFrame();
  TDIBSurface& s = frame.Surface;
  s.Allocate(a.width, a.height, 24);
  if (c.someTransparent) s.EnsureAlpha();
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) {
      const uint8_t* p = Px(a, x, y, c.planes);
      const bool shown = c.planes == 3 || p[3] != 0;
      s.WritePixel(x, y, shown ? (uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2]) : 0);
      if (c.someTransparent) s.AlphaPlane()->WritePixel(x, y, p[3]);
    }
  TMemoryStream expected;
  doc.SaveToStream(expected, c.compType, a.quality);
  EXPECT_EQ(w.file, expected.Bytes());
}

INSTANTIATE_TEST_SUITE_P(
    ConvertWrite, SavedFromCallerRows,
    ::testing::Values(
        SameFileCase{"lossy_24_bit", 2, 3, false, 0}, SameFileCase{"lossy_32_bit_with_alpha_0", 2, 4, true, 0},
        SameFileCase{"lossy_32_bit_opaque", 2, 4, false, 0},
        SameFileCase{"lossy_24_bit_with_a_code", 2, 3, false, 0x31323334},
        SameFileCase{"lossy_32_bit_with_a_code", 2, 4, true, 0x31323334},
        SameFileCase{"lossy_32_bit_large_alpha_coded_beside", 2, 4, true, 0, 1100, 1001},
        SameFileCase{"lossy_40_bit_large_alpha_coded_beside", 2, 5, true, 0, 1100, 1001},
        SameFileCase{"raw_24_bit", 1, 3, false, 0}, SameFileCase{"raw_32_bit_with_alpha_0", 1, 4, true, 0},
        SameFileCase{"raw_32_bit_opaque", 1, 4, false, 0}, SameFileCase{"raw_40_bit_with_alpha_0", 1, 5, true, 0},
        SameFileCase{"raw_32_bit_with_a_code", 1, 4, true, 0x31323334},
        SameFileCase{"raw_24_bit_large", 1, 3, false, 0, 1101, 1001},
        SameFileCase{"raw_32_bit_large_with_alpha_0", 1, 4, true, 0, 1101, 1001},
        SameFileCase{"raw_one_pixel_wide", 1, 4, true, 0, 1, 300}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(ConvertWrite, LossyRequestForAPaletteImageKeepsItsIndices) {
  WriteArgs a;
  a.width = 3;
  a.planes = 1;
  a.mode = 2;
  a.compType = 2;
  a.pixels = {1, 2, 3};
  auto w = WriteThroughExport(a);
  ASSERT_TRUE(w.ok);
  auto r = ReadThroughExport(w.file);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.pixels, (std::vector<uint8_t>{1, 2, 3}));
}

}  // namespace
}  // namespace dorv::testing

// The whole-document library: every frame's composite is what the converter
// hands the host for frame 0, layers read alone keep their transparency, and
// documents of several frames read back frame for frame.
#include <gtest/gtest.h>

#include <cstring>

#include "converter/converts/convert_impl.h"
#include "libdov/document/document.h"
#include "converter/streams/stream.h"
#include "platform/win32.h"
#include "support/dov_writer.h"

namespace dorv::frames {
namespace {

using testing::DocSpec;
using testing::FrameSpec;
using testing::LayerSpec;
using testing::MakeRows;

// ConvertRead's block for a file: the reference every composite must match.
Composite HostComposite(const std::vector<uint8_t>& file) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8);
  uint8_t info[44] = {};
  Composite c;
  TSpanStream in(file.data(), file.size());
  const bool ok = ConvertReadFromStream(in, info, &block, c.Palette.data(), &c.TransparentIndex,
                                        [](const char*) {});
  EXPECT_TRUE(ok);
  std::memcpy(&c.Width, info + 8, 4);
  std::memcpy(&c.Height, info + 12, 4);
  std::memcpy(&c.Bpp, info + 16, 4);
  const size_t bytes = size_t((c.Bpp * c.Width + 7) / 8) * size_t(c.Height);
  const auto* p = static_cast<const uint8_t*>(GlobalLock(block));
  c.Pixels.assign(p, p + bytes);
  GlobalUnlock(block);
  GlobalFree(block);
  if (c.Bpp != 8) {
    c.Palette.fill(0);
    c.TransparentIndex = -1;
  }
  return c;
}

std::vector<uint32_t> Ramp(int n) {
  std::vector<uint32_t> p;
  for (int i = 0; i < n; ++i) p.push_back(uint32_t(i * 0x030507) & 0xFFFFFF);
  return p;
}

LayerSpec Layer(int w, int h, int bpp, uint32_t seed) {
  LayerSpec l;
  l.rows = MakeRows(w, h, bpp, [=](int x, int y) {
    const uint32_t v = uint32_t(x * 7 + y * 13) + seed;
    return bpp <= 8 ? v % (1u << bpp) : bpp <= 16 ? v * 1237 % 65536 : v * 0x010305;
  });
  return l;
}

FrameSpec Frame(int w, int h, int bpp, std::vector<LayerSpec> layers) {
  FrameSpec f;
  f.width = w;
  f.height = h;
  f.bpp = bpp;
  if (bpp <= 8) f.palette = Ramp(1 << bpp);
  f.layers = std::move(layers);
  return f;
}

struct CompositeCase {
  const char* name;
  std::function<FrameSpec(int frame)> frame;
};

class EveryFrame : public ::testing::TestWithParam<CompositeCase> {};

// Three frames of the case: frame k read with the library equals frame k
// read by the converter from a document of that frame alone.
TEST_P(EveryFrame, ComposesAsTheConverterComposesFrameZero) {
  DocSpec doc;
  doc.bgColor = 0x00336699;
  for (int k = 0; k < 3; ++k) doc.frames.push_back(GetParam().frame(k));
  const Document read = ReadDocument(testing::WriteDov(doc));
  ASSERT_EQ(read.Frames.size(), 3u);
  EXPECT_FALSE(read.Damaged());
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    DocSpec alone = doc;
    alone.frames = {doc.frames[size_t(k)]};
    const Composite want = HostComposite(testing::WriteDov(alone));
    const Composite& got = read.Frames[size_t(k)].Picture;
    EXPECT_EQ(got.Width, want.Width);
    EXPECT_EQ(got.Height, want.Height);
    EXPECT_EQ(got.Bpp, want.Bpp);
    EXPECT_EQ(got.Pixels, want.Pixels);
    EXPECT_EQ(got.Palette, want.Palette);
    EXPECT_EQ(got.TransparentIndex, want.TransparentIndex);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Frames, EveryFrame,
    ::testing::Values(
        CompositeCase{"OneBit", [](int k) { return Frame(13, 5, 1, {Layer(13, 5, 1, k)}); }},
        CompositeCase{"FourBitKeyed",
                      [](int k) {
                        FrameSpec f = Frame(9, 4, 4, {Layer(9, 4, 4, 1), Layer(9, 4, 4, k)});
                        f.layers[1].trans = 3;
                        f.trans = 2;
                        return f;
                      }},
        CompositeCase{"EightBitTransparent",
                      [](int k) {
                        FrameSpec f = Frame(7, 3, 8, {Layer(7, 3, 8, k)});
                        f.trans = 5 + k;
                        return f;
                      }},
        CompositeCase{"FifteenBit", [](int k) { return Frame(5, 5, 15, {Layer(5, 5, 15, k)}); }},
        CompositeCase{"SixteenBit", [](int k) { return Frame(6, 2, 16, {Layer(6, 2, 16, k)}); }},
        CompositeCase{"TwentyFourHalfOpaqueOverBackground",
                      [](int k) {
                        FrameSpec f = Frame(8, 6, 24, {Layer(8, 6, 24, 3), Layer(8, 6, 24, k)});
                        f.layers[0].trans = 0x000300 + k;
                        f.layers[1].alpha = 100;
                        return f;
                      }},
        CompositeCase{"TwentyFourWithAlphaPlanes",
                      [](int k) {
                        FrameSpec f = Frame(8, 3, 24, {Layer(8, 3, 24, 9), Layer(8, 3, 24, k)});
                        f.layers[0].alphaOn = true;
                        f.layers[0].alphaRows = MakeRows(8, 3, 8, [=](int x, int) { return uint32_t(x * 30 + k); });
                        f.layers[1].alphaOn = true;
                        f.layers[1].alphaRows = MakeRows(8, 3, 8, [](int x, int y) { return uint32_t((x + y) % 2 * 255); });
                        return f;
                      }},
        CompositeCase{"ThirtyTwoInvisibleTop",
                      [](int k) {
                        FrameSpec f = Frame(4, 4, 32, {Layer(4, 4, 32, k), Layer(4, 4, 32, 1)});
                        f.layers[1].visible = false;
                        return f;
                      }},
        CompositeCase{"NoLayersAtAll", [](int) { return Frame(3, 3, 24, {}); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadDocument, FramesAndLayersAreDescribed) {
  DocSpec doc;
  doc.blockWidth = 4;
  doc.blockHeight = 4;
  FrameSpec f = Frame(6, 5, 8, {Layer(6, 5, 8, 0), Layer(6, 5, 8, 1)});
  f.name = "\x83\x65\x83\x58\x83\x67";  // テスト in Shift_JIS
  f.delay = 250;
  f.disposal = 2;
  f.trans = 7;
  f.layers[0].name = "\x94\x77\x8c\x69";  // 背景
  f.layers[1].visible = false;
  f.layers[1].alpha = 77;
  f.layers[1].trans = 4;
  f.layers[1].alphaRows = MakeRows(6, 5, 8, [](int, int) { return 9u; });
  doc.frames = {f};
  const Document read = ReadDocument(testing::WriteDov(doc));
  ASSERT_EQ(read.Frames.size(), 1u);
  const FrameInfo& fi = read.Frames[0];
  EXPECT_EQ(fi.Name, "テスト");
  EXPECT_EQ(fi.Width, 6);
  EXPECT_EQ(fi.Height, 5);
  EXPECT_EQ(fi.Depth, 8);
  EXPECT_EQ(fi.Delay, 250);
  EXPECT_EQ(fi.DelayMilliseconds, DelayToMilliseconds(250));
  EXPECT_EQ(fi.Disposal, 2);
  EXPECT_EQ(fi.TransparentIndex, 7);
  ASSERT_EQ(fi.Layers.size(), 2u);
  EXPECT_EQ(fi.Layers[0].Name, "背景");
  EXPECT_TRUE(fi.Layers[0].Visible);
  EXPECT_FALSE(fi.Layers[0].HasAlphaPlane);
  EXPECT_EQ(fi.Layers[0].Coding, "zlib blocks 4x4");
  EXPECT_FALSE(fi.Layers[1].Visible);
  EXPECT_EQ(fi.Layers[1].Opacity, 77);
  EXPECT_EQ(fi.Layers[1].Key, 4);
  EXPECT_TRUE(fi.Layers[1].HasAlphaPlane);
  EXPECT_FALSE(fi.Layers[1].AlphaOn);
}

// A layer alone: palette colours, the key clear, the alpha plane as alpha.
TEST(ReadDocument, LayerAloneCarriesKeyAndAlphaPlane) {
  DocSpec doc;
  FrameSpec f = Frame(3, 2, 8, {Layer(3, 2, 8, 0)});
  f.layers[0].rows = MakeRows(3, 2, 8, [](int x, int y) { return uint32_t(x + 3 * y); });
  f.layers[0].trans = 4;
  f.layers[0].alphaRows = MakeRows(3, 2, 8, [](int x, int) { return uint32_t(100 + x); });
  doc.frames = {f};
  const Document read = ReadDocument(testing::WriteDov(doc));
  const RgbaImage img = read.LayerRgba(0, 0);
  ASSERT_EQ(img.Width, 3);
  ASSERT_EQ(img.Height, 2);
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    const uint32_t c = Ramp(256)[size_t(i)];
    EXPECT_EQ(img.Pixels[size_t(4 * i)], c & 0xFF);  // red is the low byte
    EXPECT_EQ(img.Pixels[size_t(4 * i + 1)], (c >> 8) & 0xFF);
    EXPECT_EQ(img.Pixels[size_t(4 * i + 2)], (c >> 16) & 0xFF);
    EXPECT_EQ(img.Pixels[size_t(4 * i + 3)], i == 4 ? 0 : 100 + i % 3);
  }
  EXPECT_THROW(read.LayerRgba(0, 1), FramesError);
  EXPECT_THROW(read.LayerRgba(1, 0), FramesError);
}

TEST(ReadDocument, DamagedFileKeepsTheFramesReadSoFar) {
  DocSpec doc;
  for (int k = 0; k < 3; ++k) doc.frames.push_back(Frame(16, 16, 24, {Layer(16, 16, 24, k)}));
  std::vector<uint8_t> file = testing::WriteDov(doc);
  file.resize(file.size() - 40);  // the last frame's plane runs short
  const Document read = ReadDocument(file);
  EXPECT_TRUE(read.Damaged());
  EXPECT_EQ(read.DeclaredFrames, 3);
  ASSERT_GE(read.Frames.size(), 2u);
  EXPECT_FALSE(read.Messages.empty());
}

TEST(ReadDocument, WhatIsNoDocumentRaises) {
  for (const std::string& bytes : {std::string(), std::string("\x89PNG\r\n\x1a\n", 8), std::string("hello\n")}) {
    SCOPED_TRACE(bytes);
    const std::vector<uint8_t> b(bytes.begin(), bytes.end());
    EXPECT_FALSE(HasDocumentMagic(b));
    EXPECT_THROW(ReadDocument(b), FramesError);
  }
}

struct DelayCase {
  int32_t delay, ms;
};
class DelayMapping : public ::testing::TestWithParam<DelayCase> {};
TEST_P(DelayMapping, MapsBothWays) {
  EXPECT_EQ(DelayToMilliseconds(GetParam().delay), GetParam().ms);
  if (GetParam().delay >= 0) {
    EXPECT_EQ(MillisecondsToDelay(GetParam().ms), GetParam().delay);
  }
}
INSTANTIATE_TEST_SUITE_P(Delays, DelayMapping,
                         ::testing::Values(DelayCase{0, 0}, DelayCase{1, 1}, DelayCase{100, 100},
                                           DelayCase{-5, 0}, DelayCase{65535, 65535}));

Picture MakePicture(PictureKind kind, int w, int h, int seed, int delay) {
  Picture p;
  p.Kind = kind;
  p.Width = w;
  p.Height = h;
  p.DelayMilliseconds = delay;
  const size_t bpp = kind == PictureKind::Rgb24 ? 3 : kind == PictureKind::Rgba32 ? 4 : 1;
  p.Pixels.resize(size_t(w) * size_t(h) * bpp);
  for (size_t i = 0; i < p.Pixels.size(); ++i) p.Pixels[i] = uint8_t(i * 37 + size_t(seed) * 11);
  if (kind == PictureKind::Palette8) {
    for (int i = 0; i < 256; ++i) p.Palette.push_back({uint8_t(i), uint8_t(255 - i), uint8_t(i * 3)});
    p.TransparentIndex = seed;
  }
  if (kind == PictureKind::Rgba32)  // clear pixels come back black
    for (size_t i = 3; i < p.Pixels.size(); i += 4)
      if (p.Pixels[i] == 0) p.Pixels[i - 3] = p.Pixels[i - 2] = p.Pixels[i - 1] = 0;
  return p;
}

// The straight RGBA a picture should read back as.
RgbaImage Expected(const Picture& p) {
  RgbaImage img{p.Width, p.Height, {}};
  for (size_t i = 0; i < size_t(p.Width) * size_t(p.Height); ++i) {
    switch (p.Kind) {
      case PictureKind::Palette8: {
        const auto& e = p.Palette[p.Pixels[i]];
        img.Pixels.insert(img.Pixels.end(), {e[0], e[1], e[2], uint8_t(p.Pixels[i] == p.TransparentIndex ? 0 : 255)});
        break;
      }
      case PictureKind::Grey8: img.Pixels.insert(img.Pixels.end(), {p.Pixels[i], p.Pixels[i], p.Pixels[i], 255}); break;
      case PictureKind::Rgb24:
        img.Pixels.insert(img.Pixels.end(), {p.Pixels[3 * i], p.Pixels[3 * i + 1], p.Pixels[3 * i + 2], 255});
        break;
      case PictureKind::Rgba32: img.Pixels.insert(img.Pixels.end(), p.Pixels.begin() + long(4 * i), p.Pixels.begin() + long(4 * i + 4)); break;
    }
  }
  return img;
}

struct WriteCase {
  const char* name;
  PictureKind kind;
  Compression coding;
  Compression stored;
};
class WriteFrames : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteFrames, ThreeFramesReadBackFrameForFrame) {
  const WriteCase& c = GetParam();
  std::vector<Picture> pictures;
  for (int k = 0; k < 3; ++k) pictures.push_back(MakePicture(c.kind, 7, 5, k, 40 + 30 * k));
  EXPECT_EQ(StoredCompression(pictures, c.coding), c.stored);
  const Document read = ReadDocument(WriteDocument(pictures, {c.coding, 90}));
  ASSERT_EQ(read.Frames.size(), 3u);
  for (size_t k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    const FrameInfo& f = read.Frames[k];
    EXPECT_EQ(f.DelayMilliseconds, 40 + 30 * int(k));
    ASSERT_EQ(f.Layers.size(), 1u);
    if (c.stored == Compression::Lossy) continue;  // pixels are near, not equal
    const RgbaImage got = CompositeToRgba(f.Picture);
    EXPECT_EQ(got.Pixels, Expected(pictures[k]).Pixels);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, WriteFrames,
    ::testing::Values(WriteCase{"Palette", PictureKind::Palette8, Compression::Zlib, Compression::Zlib},
                      WriteCase{"PaletteLossyKeptZlib", PictureKind::Palette8, Compression::Lossy, Compression::Zlib},
                      WriteCase{"GreyRaw", PictureKind::Grey8, Compression::None, Compression::None},
                      WriteCase{"Rgb", PictureKind::Rgb24, Compression::Zlib, Compression::Zlib},
                      WriteCase{"RgbLossy", PictureKind::Rgb24, Compression::Lossy, Compression::Lossy},
                      WriteCase{"Rgba", PictureKind::Rgba32, Compression::Zlib, Compression::Zlib},
                      WriteCase{"RgbaRaw", PictureKind::Rgba32, Compression::None, Compression::None}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteDocument, RefusesPicturesThatDoNotHoldTogether) {
  Picture shortRows = MakePicture(PictureKind::Rgb24, 4, 4, 0, 10);
  shortRows.Pixels.pop_back();
  Picture noPalette = MakePicture(PictureKind::Palette8, 4, 4, 0, 10);
  noPalette.Palette.clear();
  Picture empty = MakePicture(PictureKind::Grey8, 0, 4, 0, 10);
  for (const Picture& p : {shortRows, noPalette, empty}) EXPECT_THROW(WriteDocument(std::vector<Picture>{p}), FramesError);
  EXPECT_THROW(WriteDocument(std::vector<Picture>{}), FramesError);
  EXPECT_THROW(WriteDocument(std::vector<Picture>{MakePicture(PictureKind::Grey8, 2, 2, 0, 1)}, {Compression::Lossy, 0}),
               FramesError);
}

}  // namespace
}  // namespace dorv::frames

// Damaged and truncated files: the document keeps every frame and layer
// that was read in full, each composite showing the frame's background with
// the layers complete before the damage, and the load reports the error.
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>

#include "converter/converts/convert_impl.h"
#include "converter/dorvs/framelist.h"
#include "converter/streams/stream.h"
#include "support/doc_helpers.h"
#include "support/dov_writer.h"
#include "support/legacy_writer.h"

namespace dorv::testing {
namespace {

// ---- Fixtures: multi-frame, multi-layer files of several depths -----------

std::vector<uint32_t> Spread(int n) {
  std::vector<uint32_t> p;
  for (int i = 0; i < n; ++i) p.push_back(static_cast<uint32_t>(i) * 0x3B1D07u & 0xFFFFFF);
  return p;
}

uint32_t Mask(int bpp) { return bpp >= 32 ? 0xFFFFFFFFu : (uint32_t{1} << (bpp == 15 ? 15 : bpp)) - 1; }

// Pixels that differ from layer to layer (seed), so that a layer composed
// or left out shows in the composite. 32-bit values stay positive, so that
// one can be a key.
uint32_t PaintedAt(const FrameSpec& f, uint32_t seed, int x, int y) {
  return (static_cast<uint32_t>(x * 7 + y * 13) * 2654435761u ^ seed * 40503u) & Mask(f.bpp) & 0x7FFFFFFFu;
}

LayerSpec Painted(const FrameSpec& f, uint32_t seed) {
  LayerSpec l;
  l.rows = MakeRows(f.width, f.height, f.bpp, [&](int x, int y) { return PaintedAt(f, seed, x, y); });
  return l;
}

std::vector<uint8_t> AlphaRows(const FrameSpec& f, uint32_t seed) {
  return MakeRows(f.width, f.height, 8, [&](int x, int y) { return (static_cast<uint32_t>(x * 37 + y * 11) + seed * 91) & 0xFF; });
}

FrameSpec Frame(int32_t w, int32_t h, int32_t bpp) {
  FrameSpec f;
  f.width = w;
  f.height = h;
  f.bpp = bpp;
  if (bpp <= 8) f.palette = Spread(1 << bpp);
  return f;
}

// Bottom opaque, then a keyed layer, then one at constant opacity, and
// (with alpha) a layer drawn through its alpha plane.
FrameSpec Stack(int32_t w, int32_t h, int32_t bpp, uint32_t seed, bool withAlpha) {
  FrameSpec f = Frame(w, h, bpp);
  f.layers.push_back(Painted(f, seed));
  LayerSpec keyed = Painted(f, seed + 1);
  keyed.trans = static_cast<int32_t>(PaintedAt(f, seed + 1, 0, 0));
  f.layers.push_back(keyed);
  LayerSpec faded = Painted(f, seed + 2);
  faded.alpha = 128;
  f.layers.push_back(faded);
  if (withAlpha) {
    LayerSpec masked = Painted(f, seed + 3);
    masked.alphaOn = true;
    masked.alphaRows = AlphaRows(f, seed);
    f.layers.push_back(masked);
  }
  return f;
}

struct Fixture {
  const char* name;
  DocSpec (*make)();
};

const Fixture kFixtures[] = {
    {"palette8_zlib_rows", [] {
       DocSpec d;
       d.bgColor = 0x102030;
       d.frames = {Stack(7, 5, 8, 1, false), Stack(7, 5, 8, 20, true)};
       return d;
     }},
    {"rgb24_raw_rows_alpha_bottom", [] {
       DocSpec d;
       d.compType = 1;
       d.bgColor = 0x00FF00;
       FrameSpec f0 = Stack(5, 3, 24, 3, true);
       f0.layers[0].alphaOn = true;
       f0.layers[0].alphaRows = AlphaRows(f0, 9);
       d.frames = {f0, Stack(5, 3, 24, 30, false)};
       return d;
     }},
    {"palette4_zlib_blocks_with_copies", [] {
       DocSpec d;
       d.blockWidth = 4;
       d.blockHeight = 4;
       d.bgColor = 0x0000FF;
       FrameSpec f0 = Stack(9, 7, 4, 5, false);
       f0.layers[1].blocks = {BlockEntry{-1, 0}, BlockEntry{-2, 0}};
       FrameSpec f1 = Stack(9, 7, 4, 50, false);
       f1.layers[2].blocks = {BlockEntry{0, 1}, BlockEntry{-1, 0}, BlockEntry{0, 2}};
       d.frames = {f0, f1};
       return d;
     }},
    {"rgb32_zlib_rows_three_frames", [] {
       DocSpec d;
       d.bgColor = 0x445566;
       d.frames = {Stack(6, 4, 32, 7, true), Stack(6, 4, 32, 70, false), Stack(6, 4, 32, 77, true)};
       return d;
     }},
    {"rgb16_raw_blocks", [] {
       DocSpec d;
       d.compType = 1;
       d.blockWidth = 3;
       d.blockHeight = 2;
       d.frames = {Stack(5, 5, 16, 11, true), Stack(5, 5, 16, 111, false)};
       return d;
     }},
    {"mono1_raw_rows", [] {
       DocSpec d;
       d.compType = 1;
       d.bgColor = 0xFFFFFF;
       d.frames = {Stack(13, 3, 1, 13, false), Stack(13, 3, 1, 130, true)};
       return d;
     }},
};

// ---- Where the records of each layer end ---------------------------------

int32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  if (at + 4 > b.size()) throw std::runtime_error("record past the end");
  return static_cast<int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24);
}

struct Layout {
  size_t headerEnd = 0;
  std::vector<size_t> layerStart;            // offset of each layer's colour record, in file order
  std::vector<std::vector<size_t>> layerEnd;  // per frame, per layer: offset after its alpha record
};

Layout LayoutOf(const DocSpec& d, const std::vector<uint8_t>& file) {
  Layout l;
  size_t at = 12 + static_cast<size_t>(Get32(file, 8));
  l.headerEnd = at;
  for (const FrameSpec& f : d.frames) {
    l.layerEnd.emplace_back();
    for (size_t k = 0; k < f.layers.size(); ++k) {
      l.layerStart.push_back(at);
      at += 4 + static_cast<size_t>(Get32(file, at));
      const int32_t alpha = Get32(file, at);
      at += 4 + static_cast<size_t>(alpha > 0 ? alpha : 0);
      l.layerEnd.back().push_back(at);
    }
  }
  if (at != file.size()) throw std::runtime_error("records do not end with the file");
  return l;
}

// What a cut at `cut` bytes must leave: frames in the document and the
// layers composed into the last of them.
struct Shown {
  int frames = 0, layersOfLast = 0;
  bool operator==(const Shown&) const = default;
};

Shown ExpectedAt(const Layout& l, size_t cut) {
  if (cut < l.headerEnd) return {};
  for (size_t f = 0; f < l.layerEnd.size(); ++f)
    for (size_t k = 0; k < l.layerEnd[f].size(); ++k)
      if (l.layerEnd[f][k] > cut) return {static_cast<int>(f) + 1, static_cast<int>(k)};
  return {static_cast<int>(l.layerEnd.size()), static_cast<int>(l.layerEnd.back().size())};
}

// The document of the first frames, the last of them with only its first
// layers: what a file damaged there shows.
DocSpec Prefix(DocSpec d, Shown s) {
  d.frames.resize(static_cast<size_t>(s.frames));
  if (s.frames > 0) d.frames.back().layers.resize(static_cast<size_t>(s.layersOfLast));
  return d;
}

std::string Describe(const TDIBSurface& s) {
  std::string out = std::to_string(s.Width()) + "x" + std::to_string(s.Height()) + "x" + std::to_string(s.Depth());
  for (uint32_t v : Pixels(s)) out += " " + std::to_string(v);
  if (const TDIBSurface* a = s.AlphaPlane()) {
    out += " alpha";
    for (uint32_t v : Pixels(*a)) out += " " + std::to_string(v);
  }
  return out;
}

struct Loaded {
  std::vector<std::string> composites;
  std::string error;
};

Loaded Load(const std::vector<uint8_t>& bytes) {
  Loaded r;
  TDorvFrameList doc(0);
  TSpanStream s(bytes.data(), bytes.size());
  try {
    doc.LoadFromStream(s, true);
  } catch (const std::exception& e) {
    r.error = e.what();
  }
  for (int i = 0; i < doc.Count(); ++i) r.composites.push_back(Describe(doc.GetFrame(i).Surface));
  return r;
}

// ---- Every cut point ------------------------------------------------------

class TruncationSweep : public ::testing::TestWithParam<Fixture> {};

TEST_P(TruncationSweep, EveryCutShowsTheFramesAndLayersCompleteBeforeIt) {
  const DocSpec doc = GetParam().make();
  const std::vector<uint8_t> full = WriteDov(doc);
  const Layout layout = LayoutOf(doc, full);
  std::map<std::pair<int, int>, std::vector<std::string>> references;
  for (size_t cut = 0; cut <= full.size(); ++cut) {
    const Shown want = ExpectedAt(layout, cut);
    auto& reference = references[{want.frames, want.layersOfLast}];
    if (reference.empty() && want.frames > 0) {
      const Loaded whole = Load(WriteDov(Prefix(doc, want)));
      ASSERT_EQ(whole.error, "");
      reference = whole.composites;
    }
    const Loaded got = Load(std::vector<uint8_t>(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut)));
    ASSERT_EQ(got.composites, reference) << "cut at " << cut << " of " << full.size() << ": expected "
                                         << want.frames << " frames, " << want.layersOfLast << " layers in the last";
    ASSERT_EQ(got.error.empty(), cut == full.size()) << "cut at " << cut << ": " << got.error;
  }
}

INSTANTIATE_TEST_SUITE_P(Files, TruncationSweep, ::testing::ValuesIn(kFixtures),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Named cut points -----------------------------------------------------

// Where a cut falls: at the end of the header, or at a layer's first byte
// (its colour record) or at its end, moved by delta bytes.
enum class At { HeaderEnd, LayerStart, LayerEnd };

struct NamedCut {
  const char* name;
  int fixture;  // index into kFixtures
  At at;
  int frame, layer, delta;
  Shown shown;
};

const NamedCut kCuts[] = {
    {"palette8_right_after_the_header", 0, At::HeaderEnd, 0, 0, 0, {1, 0}},
    {"palette8_inside_the_length_of_layer_0", 0, At::LayerStart, 0, 0, 2, {1, 0}},
    {"palette8_inside_layer_0s_colour_record", 0, At::LayerStart, 0, 0, 9, {1, 0}},
    {"palette8_one_byte_short_of_layer_0", 0, At::LayerEnd, 0, 0, -1, {1, 0}},
    {"palette8_at_the_end_of_layer_0", 0, At::LayerEnd, 0, 0, 0, {1, 1}},
    {"palette8_inside_layer_1s_colour_record", 0, At::LayerStart, 0, 1, 7, {1, 1}},
    {"palette8_inside_layer_2s_alpha_length", 0, At::LayerEnd, 0, 2, -2, {1, 2}},
    {"palette8_at_the_end_of_frame_0", 0, At::LayerEnd, 0, 2, 0, {2, 0}},
    {"palette8_inside_frame_1s_alpha_layer", 0, At::LayerEnd, 1, 3, -5, {2, 3}},
    {"rgb24_inside_the_bottom_layers_alpha_plane", 1, At::LayerEnd, 0, 0, -3, {1, 0}},
    {"rgb24_inside_layer_3s_alpha_plane", 1, At::LayerEnd, 0, 3, -3, {1, 3}},
    {"palette4_inside_a_block_table", 2, At::LayerStart, 0, 1, 9, {1, 1}},
    {"palette4_inside_frame_1s_frame_copy_layer", 2, At::LayerStart, 1, 2, 12, {2, 2}},
    {"rgb32_at_the_end_of_frame_1", 3, At::LayerEnd, 1, 2, 0, {3, 0}},
    {"rgb32_inside_frame_2s_last_layer", 3, At::LayerEnd, 2, 3, -1, {3, 3}},
    {"mono1_inside_frame_1s_second_layer", 5, At::LayerStart, 1, 1, 5, {2, 1}},
};

class NamedCuts : public ::testing::TestWithParam<NamedCut> {};

TEST_P(NamedCuts, ShowWhatWasReadInFull) {
  const NamedCut& c = GetParam();
  const DocSpec doc = kFixtures[c.fixture].make();
  const std::vector<uint8_t> full = WriteDov(doc);
  const Layout layout = LayoutOf(doc, full);
  size_t layerIndex = 0;
  for (int f = 0; f < c.frame; ++f) layerIndex += doc.frames[static_cast<size_t>(f)].layers.size();
  layerIndex += static_cast<size_t>(c.layer);
  const size_t base = c.at == At::HeaderEnd    ? layout.headerEnd
                      : c.at == At::LayerStart ? layout.layerStart[layerIndex]
                                               : layout.layerEnd[static_cast<size_t>(c.frame)][static_cast<size_t>(c.layer)];
  const size_t cut = base + static_cast<size_t>(c.delta);
  ASSERT_EQ(ExpectedAt(layout, cut), c.shown);  // the table agrees with the sweep's rule

  const Loaded got = Load(std::vector<uint8_t>(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut)));
  EXPECT_NE(got.error, "");
  EXPECT_EQ(got.composites, Load(WriteDov(Prefix(doc, c.shown))).composites);
}

INSTANTIATE_TEST_SUITE_P(Files, NamedCuts, ::testing::ValuesIn(kCuts),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Damaged plane records ------------------------------------------------

struct DamagedLayer {
  const char* name;
  int32_t compType, bpp;
  int layer;  // the damaged layer of a three-layer frame
  void (*damage)(LayerSpec&, const FrameSpec&);
};

const DamagedLayer kDamaged[] = {
    {"raw_colour_blob_shorter_than_its_rows", 1, 8, 1,
     [](LayerSpec& l, const FrameSpec&) { l.colourBlob = std::vector<uint8_t>(l.rows.begin(), l.rows.end() - 3); }},
    {"zlib_colour_stream_cut_in_half", 0, 24, 2,
     [](LayerSpec& l, const FrameSpec&) {
       std::vector<uint8_t> z = ZlibCompress(l.rows);
       z.resize(z.size() / 2);
       l.colourBlob = z;
     }},
    {"zlib_colour_stream_of_too_few_rows", 0, 8, 1,
     [](LayerSpec& l, const FrameSpec& f) {
       l.colourBlob = ZlibCompress(std::vector<uint8_t>(l.rows.begin(), l.rows.end() - StoredRowBytes(f.width, f.bpp)));
     }},
    {"alpha_plane_not_a_zlib_stream", 0, 32, 1,
     [](LayerSpec& l, const FrameSpec&) { l.alphaBlob = std::vector<uint8_t>(9, 0xEE); }},
    {"bottom_layer_empty_colour_record", 1, 24, 0,
     [](LayerSpec& l, const FrameSpec&) { l.colourBlob = std::vector<uint8_t>{}; }},
};

class DamagedLayers : public ::testing::TestWithParam<DamagedLayer> {};

TEST_P(DamagedLayers, KeepTheLayersBeforeTheDamage) {
  const DamagedLayer& c = GetParam();
  DocSpec d;
  d.compType = c.compType;
  d.bgColor = 0x203040;
  d.frames = {Stack(6, 5, c.bpp, 17, false)};
  c.damage(d.frames[0].layers[static_cast<size_t>(c.layer)], d.frames[0]);
  const Loaded got = Load(WriteDov(d));
  EXPECT_NE(got.error, "");
  EXPECT_EQ(got.composites, Load(WriteDov(Prefix(d, {1, c.layer}))).composites);
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedLayers, ::testing::ValuesIn(kDamaged),
                         [](const auto& info) { return std::string(info.param.name); });

// A frame of more than a megapixel is read only while the file holds the
// records of its next layer; a cut in its second layer keeps the first.
TEST(DamagedLargeFrame, KeepsItsFirstLayerAndRefusesWhatCannotFit) {
  DocSpec d;
  d.compType = 1;
  FrameSpec f = Frame(2048, 1024, 8);
  f.layers = {Painted(f, 1), Painted(f, 2)};
  f.layers[1].alpha = 128;
  d.frames = {f};
  const std::vector<uint8_t> full = WriteDov(d);
  const Layout layout = LayoutOf(d, full);

  const size_t inSecond = layout.layerStart[1] + 1000;
  const Loaded kept = Load(std::vector<uint8_t>(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(inSecond)));
  EXPECT_EQ(kept.error, "ファイルが破壊されています (layers run past the end of the file)");
  EXPECT_EQ(kept.composites, Load(WriteDov(Prefix(d, {1, 1}))).composites);

  // Cut inside the first layer, the frame has nothing but its background,
  // which a file this short does not get to allocate.
  const size_t inFirst = layout.layerStart[0] + 1000;
  const Loaded refused = Load(std::vector<uint8_t>(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(inFirst)));
  EXPECT_EQ(refused.error, "ファイルが破壊されています (layers run past the end of the file)");
  ASSERT_EQ(refused.composites.size(), 1u);
  EXPECT_EQ(refused.composites[0].substr(0, 4), "0x0x");
}

// The older layout keeps the layers before a cut too.
TEST(DamagedLegacy, ACutInTheSecondLayerKeepsTheFirst) {
  LegacySpec s;
  s.version = 103;  // no tables after the layers
  s.doc.compType = 1;
  s.doc.bgColor = 0x0000FF;
  FrameSpec f = Frame(4, 3, 24);
  f.layers = {Painted(f, 4), Painted(f, 5)};
  f.layers[1].alpha = 100;
  s.doc.frames = {f};
  const std::vector<uint8_t> full = WriteLegacy(s);
  LegacySpec one = s;
  one.doc.frames[0].layers.resize(1);
  for (size_t back : {1, 5, 30}) {
    const Loaded got = Load(std::vector<uint8_t>(full.begin(), full.end() - static_cast<std::ptrdiff_t>(back)));
    EXPECT_NE(got.error, "") << back;
    EXPECT_EQ(got.composites, Load(WriteLegacy(one)).composites) << back;
  }
}

// ---- Through ConvertRead ----------------------------------------------------

std::string g_reported;

TEST(DamagedThroughConvertRead, ShowsTheMessageAndReturnsWhatWasRead) {
  DocSpec d;
  d.compType = 1;
  d.bgColor = 0x00FF00;
  FrameSpec f = Stack(8, 4, 8, 3, false);
  d.frames = {f};
  const std::vector<uint8_t> full = WriteDov(d);
  const Layout layout = LayoutOf(d, full);
  struct Case {
    size_t cut;
    int layers;
  };
  for (const Case c : {Case{layout.headerEnd, 0}, Case{layout.layerStart[0] + 20, 0}, Case{layout.layerStart[1] + 6, 1}}) {
    const std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(c.cut));
    const auto doc = LoadDov(WriteDov(Prefix(d, {1, c.layers})));
    const TDIBSurface& want = doc->GetFrame(0).Surface;

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8);
    ASSERT_NE(block, nullptr);
    uint8_t info[44] = {}, palette[1024] = {};
    int32_t transparent = 0;
    g_reported.clear();
    TSpanStream in(cut.data(), cut.size());
    const bool ok = ConvertReadFromStream(in, info, &block, palette, &transparent,
                                          [](const char* m) { g_reported = m; });
    EXPECT_TRUE(ok) << c.cut;
    EXPECT_NE(g_reported, "") << c.cut;
    ASSERT_EQ(GlobalSize(block), 32u);
    const auto* pixels = static_cast<const uint8_t*>(GlobalLock(block));
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 8; ++x)
        EXPECT_EQ(pixels[y * 8 + x], want.ReadPixel(x, y)) << c.cut << " at " << x << "," << y;
    GlobalUnlock(block);
    GlobalFree(block);
  }
}

// ---- Frames without layers ------------------------------------------------

// Their composites are summed over the document: the frames within the
// budget are read, the first past it is refused with those before kept.
struct BackgroundCase {
  const char* name;
  std::vector<int32_t> sides;  // square frames, in file order
  size_t kept;
};

const BackgroundCase kBackground[] = {
    {"one_4096_square", {4096}, 1},
    {"one_4097_square", {4097}, 0},
    {"two_2897_squares", {2897, 2897}, 1},
    {"four_2048_squares_then_one_pixel", {2048, 2048, 2048, 2048, 1}, 4},
    {"many_small", std::vector<int32_t>(64, 100), 64},
};

class BackgroundOnlyFrames : public ::testing::TestWithParam<BackgroundCase> {};

TEST_P(BackgroundOnlyFrames, ReadWithinTheDocumentBudget) {
  const BackgroundCase& c = GetParam();
  DocSpec d;
  d.bgColor = 0x123456;
  for (int32_t side : c.sides) {
    FrameSpec f;
    f.width = f.height = side;
    f.bpp = 32;
    d.frames.push_back(f);
  }
  const bool refused = c.kept < c.sides.size();
  const std::vector<uint8_t> bytes = WriteDov(d);
  // The refused frame stays, empty, after those read; a document read
  // again starts with the whole budget.
  TDorvFrameList doc(0);
  for (int pass = 0; pass < 2; ++pass) {
    std::string error;
    TSpanStream s(bytes.data(), bytes.size());
    try {
      doc.LoadFromStream(s, true);
    } catch (const std::exception& e) {
      error = e.what();
    }
    ASSERT_EQ(static_cast<size_t>(doc.Count()), c.kept + (refused ? 1 : 0)) << pass;
    for (size_t k = 0; k < c.kept; ++k) EXPECT_EQ(doc.GetFrame(static_cast<int>(k)).Surface.Width(), c.sides[k]);
    if (refused) {
      EXPECT_EQ(doc.GetFrame(static_cast<int>(c.kept)).Surface.Width(), 0);
      EXPECT_NE(error.find("frames without layers exceed the background limit"), std::string::npos);
    } else {
      EXPECT_EQ(error, "");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Files, BackgroundOnlyFrames, ::testing::ValuesIn(kBackground),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dorv::testing


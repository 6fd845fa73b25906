// Layers large enough for their colour and alpha planes to be coded and
// decoded side by side: what is saved and loaded, and what a damaged file
// reports, must be what coding them one after the other gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <thread>
#include <tuple>
#include <vector>

#include "converter/core/errors.h"
#include "converter/dibsfc/jpeg_codec.h"
#include "converter/dorvs/frame.h"
#include "converter/dorvs/framelist.h"
#include "converter/streams/stream.h"
#include "support/doc_helpers.h"
#include "support/dov_writer.h"

namespace dorv::testing {
namespace {

constexpr int32_t kW = 1024, kH = 400;  // a 1.2 MiB colour plane

// Smooth ramps, which the lossy coding keeps close.
uint32_t Colour(int32_t x, int32_t y) {
  return static_cast<uint32_t>(x / 4) << 16 | static_cast<uint32_t>(y / 2) << 8 | static_cast<uint32_t>((x + y) / 8);
}
uint8_t Opacity(int32_t x, int32_t y) { return static_cast<uint8_t>((x / 32 + y / 32) % 3 * 120); }

std::vector<uint8_t> AlphaRows(int32_t w, int32_t h) {
  return MakeRows(w, h, 8, [](int32_t x, int32_t y) { return uint32_t{Opacity(x, y)}; });
}

struct LargeCase {
  const char* name;
  int32_t compType;
  int32_t block;  // 0: row form
  bool randomized;
};

DocSpec LargeDoc(const LargeCase& c, int32_t w = kW, int32_t h = kH) {
  DocSpec d;
  d.compType = c.compType;
  d.blockWidth = d.blockHeight = c.block;
  d.randomized = c.randomized;
  d.code = c.randomized ? 0x41424344 : 0;
  FrameSpec f;
  f.width = w, f.height = h, f.bpp = 24;
  LayerSpec l;
  l.rows = MakeRows(w, h, 24, Colour);
  l.alphaRows = AlphaRows(w, h);
  l.alphaOn = true;
  if (c.block > 0) {
    // Every third block shows block 0 again.
    const int32_t n = ((w + c.block - 1) / c.block) * ((h + c.block - 1) / c.block);
    l.blocks.resize(static_cast<size_t>(n));
    for (int32_t b = 3; b < n; b += 3) l.blocks[static_cast<size_t>(b)] = BlockEntry{-2, 0};
  }
  f.layers.push_back(std::move(l));
  d.frames.push_back(std::move(f));
  return d;
}

class LargeLayerTest : public ::testing::TestWithParam<LargeCase> {};

TEST_P(LargeLayerTest, LoadsBothPlanesAsWritten) {
  const LargeCase& c = GetParam();
  const DocSpec written = LargeDoc(c);
  auto doc = LoadDov(WriteDov(written), static_cast<int32_t>(written.code));
  // One opaque layer with its alpha plane on: the frame shows it as it is.
  const TDIBSurface& shown = doc->GetFrame(0).Surface;
  const TDIBSurface* alpha = shown.AlphaPlane();
  ASSERT_NE(alpha, nullptr);

  // Expected pixels: block copies repeat block 0.
  const auto source = [&](int32_t& x, int32_t& y) {
    if (c.block == 0) return;
    const int32_t perRow = (kW + c.block - 1) / c.block;
    const int32_t b = (y / c.block) * perRow + x / c.block;
    if (b >= 3 && b % 3 == 0) x %= c.block, y %= c.block;
  };
  int worst = 0;
  for (int32_t y = 0; y < kH; y += 7)
    for (int32_t x = 0; x < kW; x += 5) {
      int32_t sx = x, sy = y;
      source(sx, sy);
      ASSERT_EQ(alpha->ReadPixel(x, y), Opacity(sx, sy)) << x << "," << y;
      const uint32_t got = shown.ReadPixel(x, y), want = Colour(sx, sy);
      if (c.compType == 2) {
        for (int shift : {0, 8, 16})
          worst = std::max(worst, std::abs(int(got >> shift & 255) - int(want >> shift & 255)));
      } else {
        ASSERT_EQ(got, want) << x << "," << y;
      }
    }
  if (c.compType == 2) {
    EXPECT_LE(worst, 12);
  }
}

INSTANTIATE_TEST_SUITE_P(Codings, LargeLayerTest,
                         ::testing::Values(LargeCase{"zlib_rows", 0, 0, false},
                                           LargeCase{"zlib_rows_scrambled", 0, 0, true},
                                           LargeCase{"zlib_blocks", 0, 64, false},
                                           LargeCase{"raw_blocks", 1, 64, false},
                                           LargeCase{"raw_rows_scrambled", 1, 0, true},
                                           LargeCase{"jpeg_colour_zlib_alpha", 2, 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Block tables of a large plane, whose stored blocks are placed before the
// copies are made: the pixels are those of placing every block in table
// order, where a copy sees only the blocks before it (a later block is
// still black), a block copied onto itself stays black, and a frame copy
// shows the block of the frame it names.
struct TableCase {
  const char* name;
  BlockEntry (*entry)(int32_t b, int32_t n);  // entry of block b of n
  bool fromFrame0 = false;                    // the layer is frame 1's; frame 0 holds Colour0
  int32_t width = kW;                         // not a multiple of the block: the last column is clipped
};

uint32_t Colour0(int32_t x, int32_t y) { return Colour(x, y) ^ 0x00FF00u; }

// Each table is read twice: into the layer's own memory, where the blocks
// are moved inside what they were inflated into, and into rows lent by the
// caller, where they are copied out of it.
class LargeBlockTableTest : public ::testing::TestWithParam<std::tuple<TableCase, bool>> {};

TEST_P(LargeBlockTableTest, ShowsTheBlocksAsPlacedInTableOrder) {
  const TableCase& c = std::get<0>(GetParam());
  const bool lent = std::get<1>(GetParam());
  constexpr int32_t kBlock = 64;
  const int32_t w = c.width;
  const int32_t kPerRow = (w + kBlock - 1) / kBlock;
  const int32_t kBlocks = kPerRow * ((kH + kBlock - 1) / kBlock);
  DocSpec d;
  d.compType = 0;
  d.blockWidth = d.blockHeight = kBlock;
  for (int32_t f = 0; f < (c.fromFrame0 ? 2 : 1); ++f) {
    FrameSpec fr;
    fr.width = w, fr.height = kH, fr.bpp = 24;
    LayerSpec l;
    const bool last = f == (c.fromFrame0 ? 1 : 0);
    l.rows = MakeRows(w, kH, 24, last ? Colour : Colour0);
    if (last)
      for (int32_t b = 0; b < kBlocks; ++b) l.blocks.push_back(c.entry(b, kBlocks));
    fr.layers.push_back(std::move(l));
    d.frames.push_back(std::move(fr));
  }
  const std::vector<uint8_t> file = WriteDov(d);
  std::vector<uint8_t> rows;
  TCallerRows lend;
  lend.LayerPixels = [&](int32_t width, int32_t height, int32_t depth) {
    rows.assign(static_cast<size_t>(DIBRowBytes(width, depth)) * static_cast<size_t>(height), 0);
    return rows.data();
  };
  auto doc = std::make_unique<TDorvFrameList>(0);
  TSpanStream in(file.data(), file.size());
  doc->LoadFromStream(in, true, lent ? &lend : nullptr);
  if (lent && !c.fromFrame0) {
    ASSERT_EQ(doc->GetFrame(0).Surface.TopRowReadOnly(), rows.data());  // the composite is the layer
  }
  const TDIBSurface& shown = doc->GetFrame(c.fromFrame0 ? 1 : 0).Surface;

  // The pixel at (x, y) once blocks [0, upTo) are placed.
  const std::function<uint32_t(int32_t, int32_t, int32_t)> expected = [&](int32_t x, int32_t y, int32_t upTo) {
    if (x >= w || y >= kH) return uint32_t{0};
    const int32_t b = (y / kBlock) * kPerRow + x / kBlock;
    if (b >= upTo) return uint32_t{0};
    const BlockEntry e = c.entry(b, kBlocks);
    if (e.kind == -1) return Colour(x, y);
    if (e.kind >= 0) return Colour0(x, y);
    const int32_t sx = (e.index % kPerRow) * kBlock + x % kBlock, sy = (e.index / kPerRow) * kBlock + y % kBlock;
    return expected(sx, sy, b);
  };
  for (int32_t y = 0; y < kH; y += 3)
    for (int32_t x = 0; x < w; x += 5) ASSERT_EQ(shown.ReadPixel(x, y), expected(x, y, kBlocks)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(
    Tables, LargeBlockTableTest,
    ::testing::Combine(
        ::testing::Values(
        TableCase{"all_stored", [](int32_t, int32_t) { return BlockEntry{-1, 0}; }},
        TableCase{"copies_of_earlier_blocks",
                  [](int32_t b, int32_t) { return b >= 3 && b % 3 == 0 ? BlockEntry{-2, b / 2} : BlockEntry{-1, 0}; }},
        TableCase{"chains_of_copies",
                  [](int32_t b, int32_t) {
                    return b % 8 == 7 ? BlockEntry{-2, b - 2} : b % 2 == 1 ? BlockEntry{-2, b - 1} : BlockEntry{-1, 0};
                  }},
        TableCase{"copy_of_a_later_stored_block",
                  [](int32_t b, int32_t n) { return b == 5 ? BlockEntry{-2, n - 10} : BlockEntry{-1, 0}; }},
        TableCase{"copy_of_a_later_copy",
                  [](int32_t b, int32_t n) {
                    return b == 5 ? BlockEntry{-2, n - 10} : b == n - 10 ? BlockEntry{-2, 1} : BlockEntry{-1, 0};
                  }},
        TableCase{"copy_onto_itself", [](int32_t b, int32_t) { return b == 7 ? BlockEntry{-2, 7} : BlockEntry{-1, 0}; }},
        TableCase{"edge_blocks_copied",
                  [](int32_t b, int32_t n) {
                    return b == n - 1 ? BlockEntry{-2, 0} : b == n - 2 ? BlockEntry{-2, n - 16} : BlockEntry{-1, 0};
                  }},
        TableCase{"frame_copies", [](int32_t b, int32_t) { return b % 2 == 0 ? BlockEntry{0, 0} : BlockEntry{-1, 0}; },
                  true},
        TableCase{"all_stored_last_column_clipped", [](int32_t, int32_t) { return BlockEntry{-1, 0}; }, false, 1000},
        TableCase{"copies_last_column_clipped",
                  [](int32_t b, int32_t) { return b >= 3 && b % 4 == 0 ? BlockEntry{-2, b / 2} : BlockEntry{-1, 0}; },
                  false, 1000}),
        ::testing::Bool()),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "_lent_rows" : "_own_memory");
    });

// Damage to one record or both, in a large layer and in a small one (whose
// planes are always decoded one after the other): the same message.
struct Damage {
  const char* name;
  bool colour, alphaLength, alphaData;
};

std::vector<uint8_t> Damaged(const Damage& d, int32_t w, int32_t h) {
  DocSpec written = LargeDoc(LargeCase{"", 0, 0, false}, w, h);
  LayerSpec& l = written.frames[0].layers[0];
  if (d.colour) {
    std::vector<uint8_t> blob = ZlibCompress(l.rows);
    blob[blob.size() / 2] ^= 0x5A;
    blob[blob.size() / 2 + 1] ^= 0xA5;
    l.colourBlob = blob;
  }
  if (d.alphaData) {
    std::vector<uint8_t> blob = ZlibCompress(*l.alphaRows);
    blob.resize(blob.size() / 2);  // ends early
    l.alphaBlob = blob;
  }
  std::vector<uint8_t> file = WriteDov(written);
  if (d.alphaLength) file.resize(file.size() - 10);  // the alpha record runs past the end
  return file;
}

class LargeLayerDamageTest : public ::testing::TestWithParam<Damage> {};

TEST_P(LargeLayerDamageTest, ReportsWhatDecodingOneAfterTheOtherReports) {
  const Damage& d = GetParam();
  // A damaged colour plane is reported whatever became of the alpha record;
  // damage to the alpha record alone as a small layer reports it.
  const std::string expected = d.colour ? LoadError(Damaged(Damage{"", true, false, false}, kW, kH))
                                        : LoadError(Damaged(d, 64, 16));
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(LoadError(Damaged(d, kW, kH)), expected);
}

INSTANTIATE_TEST_SUITE_P(Records, LargeLayerDamageTest,
                         ::testing::Values(Damage{"colour", true, false, false},
                                           Damage{"alpha_length", false, true, false},
                                           Damage{"alpha_data", false, false, true},
                                           Damage{"colour_and_alpha_length", true, true, false},
                                           Damage{"colour_and_alpha_data", true, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The system's own writer codes the two planes side by side too.
TEST(LargeLayerSave, EveryCodingReadsBack) {
  for (int32_t compType : {0, 1, 2}) {
    SCOPED_TRACE(compType);
    TDorvFrameList doc(0);
    TDorvFrame& f = doc.AddFrame();
    f.Surface.Allocate(kW, kH, 24);
    f.Surface.EnsureAlpha();
    for (int32_t y = 0; y < kH; ++y)
      for (int32_t x = 0; x < kW; ++x) {
        f.Surface.WritePixel(x, y, Colour(x, y));
        f.Surface.AlphaPlane()->WritePixel(x, y, Opacity(x, y));
      }
    auto back = LoadDov(SaveDov(doc, compType, 90));
    const TDIBSurface& g = back->GetFrame(0).Surface;
    ASSERT_NE(g.AlphaPlane(), nullptr);
    EXPECT_EQ(Pixels(*g.AlphaPlane()), Pixels(*f.Surface.AlphaPlane()));
    if (compType != 2) {
      EXPECT_EQ(Pixels(g), Pixels(f.Surface));
    }
  }
}

// A lossy save whose alpha plane is filled as its coder reads it, beside
// the JPEG coder: the coder asks for rows from the top from one thread, in
// counts that never fall, and the plane reads back as filled. A JPEG coding
// that fails, at its first, a middle or its last row, fails the save with
// its own error.
TEST(LargeLayerSave, AlphaPlaneIsFilledAsItsCoderReadsIt) {
  TDorvFrameList doc(0);
  TDorvFrame& f = doc.AddFrame();
  const int32_t h = kH * 3;
  f.Surface.Allocate(kW, h, 24);
  f.Surface.EnsureAlpha();  // a 1.2 MiB alpha plane: coded beside the JPEG
  uint8_t* const alpha = f.Surface.AlphaPlane()->TopRow();
  const size_t alphaBytes = static_cast<size_t>(f.Surface.AlphaPlane()->RowBytes());
  const std::vector<uint8_t> colour(3 * kW, 90);
  for (int32_t failAt : {-1, 0, kH, h - 1}) {
    SCOPED_TRACE(failAt);
    std::memset(alpha, 0, alphaBytes * static_cast<size_t>(h));
    std::vector<int32_t> asked;
    std::set<std::thread::id> askers;
    int32_t filled = 0;
    TJpegRows rows;
    TCallerRows callerRows;
    callerRows.FillAlpha = [&](int32_t upTo) {
      asked.push_back(upTo);
      askers.insert(std::this_thread::get_id());
      for (; filled < std::min(upTo, h); ++filled)
        std::memset(alpha + alphaBytes * static_cast<size_t>(filled), Opacity(0, filled), alphaBytes);
    };
    rows.Row = [&](int32_t y, uint8_t*) {
      if (y == failAt) throw EJpegError("no more rows");
      return colour.data();
    };
    callerRows.Jpeg = &rows;
    const TSaveOptions options{kCompJpeg, 80, &callerRows};
    TMemoryStream out;
    if (failAt >= 0) {
      try {
        doc.SaveToStream(out, options);
        ADD_FAILURE() << "the save succeeded";
      } catch (const EJpegError& e) {
        EXPECT_STREQ(e.what(), "no more rows");
      }
      continue;
    }
    doc.SaveToStream(out, options);
    EXPECT_EQ(askers.size(), 1u);
    EXPECT_TRUE(std::is_sorted(asked.begin(), asked.end()));
    ASSERT_FALSE(asked.empty());
    EXPECT_GE(asked.back(), h);
    auto back = LoadDov(out.TakeBytes());
    const TDIBSurface* shown = back->GetFrame(0).Surface.AlphaPlane();
    ASSERT_NE(shown, nullptr);
    for (int32_t y = 0; y < h; y += 37) EXPECT_EQ(shown->ReadPixel(kW - 1, y), Opacity(0, y)) << y;
  }
}

}  // namespace
}  // namespace dorv::testing

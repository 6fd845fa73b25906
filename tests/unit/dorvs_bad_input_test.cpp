#include <gtest/gtest.h>

#include <functional>

#include "converter/dorvs/framelist.h"
#include "converter/streams/stream.h"
#include "support/doc_helpers.h"
#include "support/dov_writer.h"

namespace dorv::testing {
namespace {

DocSpec Base(int bpp = 24, int w = 8, int h = 4) {
  DocSpec d;
  FrameSpec f;
  f.width = w;
  f.height = h;
  f.bpp = bpp;
  if (bpp <= 8) f.palette.assign(256, 0x102030);
  LayerSpec l;
  l.rows = MakeRows(w, h, bpp, [](int x, int y) { return static_cast<uint32_t>(x + y); });
  l.alphaRows = MakeRows(w, h, 8, [](int x, int) { return static_cast<uint32_t>(x); });
  f.layers.push_back(l);
  d.frames.push_back(f);
  return d;
}

std::vector<uint8_t> Le32(int32_t v) {
  auto u = static_cast<uint32_t>(v);
  return {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
          static_cast<uint8_t>(u >> 24)};
}

struct BadCase {
  const char* name;
  std::function<void(DocSpec&)> damage;
  const char* error;  // expected message; "*" = any message
};

class BadInputTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadInputTest, IsRefusedNeverReadPast) {
  DocSpec d = Base();
  GetParam().damage(d);
  const std::string error = LoadError(WriteDov(d));
  if (std::string(GetParam().error) == "*") EXPECT_NE(error, "");
  else EXPECT_EQ(error, GetParam().error);
}

LayerSpec& L(DocSpec& d, int f = 0, int l = 0) {
  return d.frames[static_cast<size_t>(f)].layers[static_cast<size_t>(l)];
}

void Blocks(DocSpec& d, int bw, int bh) {
  d.blockWidth = bw;
  d.blockHeight = bh;
}

const BadCase kBadCases[] = {
    {"empty_colour_record", [](DocSpec& d) { L(d).colourBlob = std::vector<uint8_t>{}; },
     "ファイルが破壊されています (empty colour plane record)"},
    {"negative_colour_record", [](DocSpec& d) { L(d).colourLength = -5; },
     "ファイルが破壊されています (empty colour plane record)"},
    {"record_past_end", [](DocSpec& d) { L(d).colourLength = 0x7FFFFFF0; },
     "ファイルが破壊されています (plane record runs past the end of the file)"},
    {"raw_rows_short", [](DocSpec& d) { d.compType = 1; L(d).colourBlob = std::vector<uint8_t>(95, 1); },
     "ファイルが破壊されています (plane data too short)"},
    {"zlib_rows_short", [](DocSpec& d) { L(d).colourBlob = ZlibCompress(std::vector<uint8_t>(95, 1)); }, "*"},
    {"zlib_corrupt", [](DocSpec& d) { L(d).colourBlob = std::vector<uint8_t>(40, 0x55); }, "*"},
    {"block_table_short",
     [](DocSpec& d) { d.compType = 1; Blocks(d, 4, 4); L(d).colourBlob = std::vector<uint8_t>(15, 0xFF); },
     "ファイルが破壊されています (block table runs past the plane data)"},
    {"block_data_short",
     [](DocSpec& d) {
       d.compType = 1;
       Blocks(d, 4, 4);
       std::vector<uint8_t> blob;
       for (int i = 0; i < 2; ++i) {
         auto k = Le32(-1), z = Le32(0);
         blob.insert(blob.end(), k.begin(), k.end());
         blob.insert(blob.end(), z.begin(), z.end());
       }
       blob.resize(blob.size() + 47, 1);  // two 4 x 4 24-bit blocks need 96 bytes
       L(d).colourBlob = blob;
     },
     "ファイルが破壊されています (plane data too short)"},
    {"block_copy_out_of_range",
     [](DocSpec& d) { Blocks(d, 4, 4); L(d).blocks = {BlockEntry{-1, 0}, BlockEntry{-2, 2}}; },
     "ファイルが破壊されています (block copy names no block)"},
    {"block_copy_negative",
     [](DocSpec& d) { Blocks(d, 4, 4); L(d).blocks = {BlockEntry{-1, 0}, BlockEntry{-2, -1}}; },
     "ファイルが破壊されています (block copy names no block)"},
    {"frame_copy_missing_frame",
     [](DocSpec& d) { Blocks(d, 4, 4); L(d).blocks = {BlockEntry{-1, 0}, BlockEntry{5, 0}}; },
     "Error:TDorvFrameList.GetFrame"},
    {"frame_copy_negative_frame",
     [](DocSpec& d) { Blocks(d, 4, 4); L(d).blocks = {BlockEntry{-1, 0}, BlockEntry{-7, 0}}; },
     "Error:TDorvFrameList.GetFrame"},
    {"frame_copy_missing_layer",
     [](DocSpec& d) { Blocks(d, 4, 4); L(d).blocks = {BlockEntry{-1, 0}, BlockEntry{0, 7}}; },
     "List index out of bounds (7)"},
    {"frame_copy_alpha_from_plain_layer",
     [](DocSpec& d) {
       Blocks(d, 4, 4);
       d.frames[0].layers.push_back(L(d));
       L(d, 0, 0).alphaRows.reset();
       L(d, 0, 1).alphaBlocks = {BlockEntry{-1, 0}, BlockEntry{0, 0}};
     },
     "ファイルが破壊されています (block copy from a layer without alpha plane)"},
    {"jpeg_in_palette_frame",
     [](DocSpec& d) {
       d = Base(8);
       d.compType = 2;
       L(d).colourBlob = JpegEncode(MakeRows(8, 4, 24, [](int, int) { return 0u; }), 8, 4, 80);
     },
     "ファイルが破壊されています (JPEG plane in a palette frame)"},
    {"jpeg_of_another_size",
     [](DocSpec& d) {
       d.compType = 2;
       L(d).colourBlob = JpegEncode(MakeRows(9, 4, 24, [](int, int) { return 0u; }), 9, 4, 80);
     },
     "ファイルが破壊されています (JPEG plane of another size)"},
    {"jpeg_corrupt", [](DocSpec& d) { d.compType = 2; L(d).colourBlob = std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 1}; },
     "*"},
    {"palette_short",
     [](DocSpec& d) { d = Base(8); d.frames[0].rgbText = std::string(1535, '0'); },
     "カラーテーブルがありません"},
    {"palette_not_hex",
     [](DocSpec& d) { d = Base(8); d.frames[0].rgbText = "00GG00" + std::string(1530, '0'); },
     "'$00GG00' is not a valid integer value"},
    {"no_layers_element", [](DocSpec& d) { d.frames[0].omitLayers = true; }, "レイヤーがありません"},
    {"fewer_layers_than_count", [](DocSpec& d) { d.frames[0].layersCount = 2; }, "ファイルが破壊されています"},
    {"bad_depth", [](DocSpec& d) { d.frames[0].bpp = 12; d.frames[0].layers.clear(); },
     "不正なビット数です (12)"},
};

INSTANTIATE_TEST_SUITE_P(Planes, BadInputTest, ::testing::ValuesIn(kBadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BadInput, PaletteTextOfExactlyTheEntriesIsAccepted) {
  DocSpec d = Base(8);
  d.frames[0].rgbText = std::string(1536, 'f');
  auto doc = LoadDov(WriteDov(d));
  EXPECT_EQ(doc->GetFrame(0).Surface.Palette[255].Red, 0xFF);
  d.frames[0].rgbText = "0000FF" + std::string(1530, '0');
  doc = LoadDov(WriteDov(d));
  EXPECT_EQ(doc->GetFrame(0).Surface.Palette[0], (TPaletteEntry{0, 0, 0xFF, 0}));
}

TEST(BadInput, InflationStopsAtThePlaneAndIgnoresExtraData) {
  DocSpec d = Base();
  std::vector<uint8_t> rows = L(d).rows;
  std::vector<uint8_t> more = rows;
  more.resize(rows.size() + 100000, 0xEE);
  L(d).colourBlob = ZlibCompress(more);
  auto doc = LoadDov(WriteDov(d));
  EXPECT_EQ(doc->GetFrame(0).Surface.ReadPixel(7, 3), 10u);
}

TEST(BadInput, BlockPlaneInflationStopsAtTheLargestPlane) {
  DocSpec d = Base();
  Blocks(d, 4, 4);
  DocSpec raw = d;
  raw.compType = 1;
  std::vector<uint8_t> p = PlaneBlob(raw, d.frames[0], false, L(d).rows, {});
  p.resize(p.size() + 200000, 0xEE);
  L(d).colourBlob = ZlibCompress(p);
  auto doc = LoadDov(WriteDov(d));
  EXPECT_EQ(doc->GetFrame(0).Surface.ReadPixel(7, 3), 10u);
  // A stream cut short of the plane's data is still an error.
  p.resize(p.size() - 200000);
  L(d).colourBlob = ZlibCompress(p);
  L(d).colourBlob->resize(L(d).colourBlob->size() / 2);
  EXPECT_NE(LoadError(WriteDov(d)), "");
}

TEST(BadInput, AFailedLoadKeepsTheFramesCreatedSoFar) {
  DocSpec d = Base();
  d.frames.push_back(d.frames[0]);
  d.frames[1].layers[0].colourLength = 0x7FFFFFF0;
  const auto bytes = WriteDov(d);
  TDorvFrameList doc;
  TSpanStream s(bytes.data(), bytes.size());
  EXPECT_THROW(doc.LoadFromStream(s, true), std::exception);
  ASSERT_EQ(doc.Count(), 2);
  EXPECT_EQ(doc.GetFrame(0).Surface.ReadPixel(7, 3), 10u);
}

TEST(BadInput, EveryCutOfASmallFileFailsCleanlyOrReads) {
  DocSpec d = Base(8, 5, 3);
  d.frames.push_back(Base(24, 5, 3).frames[0]);
  d.frames[1].layers[0].blocks = {BlockEntry{-1, 0}};
  const auto full = WriteDov(d);
  for (size_t n = 0; n < full.size(); ++n) {
    std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    TDorvFrameList doc;
    TSpanStream s(cut.data(), cut.size());
    try {
      doc.LoadFromStream(s, true);
    } catch (const std::exception& e) {
      EXPECT_STRNE(e.what(), "") << n;
    }
  }
}

}  // namespace
}  // namespace dorv::testing

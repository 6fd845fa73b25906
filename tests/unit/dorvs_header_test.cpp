#include <gtest/gtest.h>

#include <cstring>

#include "converter/dorvs/framelist.h"
#include "converter/dorvs/header_info.h"
#include "support/doc_helpers.h"
#include "support/dov_writer.h"

namespace dorv::testing {
namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

DocSpec OneFrame24(int w, int h) {
  DocSpec d;
  FrameSpec f;
  f.width = w;
  f.height = h;
  f.bpp = 24;
  LayerSpec l;
  l.rows = MakeRows(w, h, 24, [](int x, int y) { return static_cast<uint32_t>(x * 40 + y); });
  f.layers.push_back(l);
  d.frames.push_back(f);
  return d;
}

TEST(HeaderInfo, StoredLayoutIsExact) {
  THeaderInfo h;
  h.Version = 0x01020304;
  h.Count = 5;
  h.SyncPal = 1;
  h.CompType = 2;
  h.BGColor = 0x00112233;
  h.BlockHeight = -1;
  h.NotFillBG = 1;
  h.CompLevel = 70;
  uint8_t b[40];
  StoreHeaderInfo(h, b);
  EXPECT_EQ(b[0], 0x04);
  EXPECT_EQ(b[3], 0x01);
  EXPECT_EQ(b[16], 5);
  EXPECT_EQ(b[20], 1);
  EXPECT_EQ(b[22], 2);
  EXPECT_EQ(b[24], 0x33);
  EXPECT_EQ(b[26], 0x11);
  EXPECT_EQ(b[32], 0xFF);
  EXPECT_EQ(b[35], 0xFF);
  EXPECT_EQ(b[36], 1);
  EXPECT_EQ(b[37], 70);
  THeaderInfo back = LoadHeaderInfo(b);
  EXPECT_EQ(std::memcmp(&back, &h, sizeof h), 0);
}

TEST(Header, SavedTextIsTheSevenLineHeader) {
  TDorvFrameList doc(0);
  TDorvFrame& f = doc.AddFrame();
  f.Surface.Allocate(13, 7, 24);
  const std::string text = HeaderTextOf(SaveDov(doc, 0, 70));
  EXPECT_EQ(text,
            "<Frames Version=\"200\" Width=\"13\" Height=\"7\" Bpp=\"24\" Count=\"1\" SyncPal=\"1\" "
            "Randomized=\"0\" CompType=\"0\" CompLevel=\"70\" BGColor=\"0\" BlockWidth=\"0\" "
            "BlockHeight=\"0\" NotFillBG=\"0\">\r\n"
            "  <Frame Name=\"\" TransColor=\"-1\" Delay=\"100\" Disposal=\"0\">\r\n"
            "    <Layers Count=\"1\" Width=\"13\" Height=\"7\" Bpp=\"24\">\r\n"
            "      <Layer Left=\"0\" Top=\"0\" Visible=\"1\" TransColor=\"-1\" Alpha=\"255\" "
            "AlphaOn=\"0\" Name=\"Layer\" Lock=\"0\" />\r\n"
            "    </Layers>\r\n"
            "  </Frame>\r\n"
            "</Frames>\r\n");
}

TEST(Header, DocumentWithCodeIsWrittenScrambledAndUncompressed) {
  TDorvFrameList doc(0x41424344);
  doc.AddFrame().Surface.Allocate(4, 4, 8);
  const std::string text = HeaderTextOf(SaveDov(doc, 2, 50));
  EXPECT_NE(text.find("Randomized=\"1\" CompType=\"1\" CompLevel=\"50\""), std::string::npos);
  THeaderInfo info;
  doc.GetHeaderInfo(info, 0, 50);
  EXPECT_EQ(info.Randomized, 1);
  EXPECT_EQ(info.CompType, 1);
}

TEST(Header, GetHeaderInfoNeedsAFrame) {
  TDorvFrameList doc;
  THeaderInfo info;
  try {
    doc.GetHeaderInfo(info, 0, 0);
    FAIL();
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Error:TDorvFrameList.GetFrame");
  }
}

struct MagicCase {
  const char* magic;
  const char* error;  // "" when the file is read
};

class MagicTest : public ::testing::TestWithParam<MagicCase> {};

TEST_P(MagicTest, GenerationDigitDecides) {
  DocSpec d = OneFrame24(3, 2);
  d.magic = GetParam().magic;
  EXPECT_EQ(LoadError(WriteDov(d)), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(Magic, MagicTest,
                         ::testing::Values(MagicCase{"DorvX200", ""}, MagicCase{"DorvX100", ""},
                                           MagicCase{"DorvXx00", ""}, MagicCase{"DorvX2ab", ""},
                                           MagicCase{"DorvX300", "読み込めないファイル形式です"},
                                           MagicCase{"DorvX900", "読み込めないファイル形式です"}));

TEST(Header, FramesAreReadByPositionAndCount) {
  DocSpec d = OneFrame24(3, 2);
  d.frames.push_back(d.frames[0]);
  d.count = 3;  // only two frame elements
  EXPECT_EQ(LoadDov(WriteDov(d))->Count(), 2);
  d.count = 0;
  EXPECT_EQ(LoadDov(WriteDov(d))->Count(), 0);
  d.count = 1;
  EXPECT_EQ(LoadDov(WriteDov(d))->Count(), 1);
}

TEST(Header, AfterLoadingFramesKeepCompositesOnly) {
  DocSpec d = OneFrame24(3, 2);
  d.bgColor = 0x123456;
  d.notFillBG = true;
  auto doc = LoadDov(WriteDov(d));
  EXPECT_EQ(doc->BGColor, 0x123456);
  EXPECT_TRUE(doc->NotFillBG);
  EXPECT_EQ(doc->GetFrame(0).LayerCount(), 0);
  EXPECT_EQ(doc->GetFrame(0).Surface.Width(), 3);
}

// Rebuilds a file around a header text of our own.
std::vector<uint8_t> WithHeader(const std::string& text, const std::vector<uint8_t>& data = {}) {
  std::vector<uint8_t> out = Bytes("DorvX200");
  auto z = ZlibCompress(Bytes(text));
  const auto n = static_cast<uint32_t>(z.size());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(n >> (8 * i)));
  out.insert(out.end(), z.begin(), z.end());
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

TEST(Header, FirstChildMustBeAFrame) {
  EXPECT_EQ(LoadError(WithHeader("<Frames Count=\"1\">\r\n  <Other A=\"1\" />\r\n</Frames>\r\n")),
            "ファイルが破壊されています");
  EXPECT_EQ(LoadError(WithHeader("<Frames Count=\"1\" />\r\n")), "ファイルが破壊されています");
  EXPECT_EQ(LoadError(WithHeader("<Frames Count=\"1\">\r\n  <FRAME A=\"1\" />\r\n</Frames>\r\n")),
            "レイヤーがありません");
}

struct BadHeaderCase {
  const char* name;
  std::vector<uint8_t> file;
  const char* error;
};

std::vector<uint8_t> LengthFile(int32_t length, size_t tail) {
  std::vector<uint8_t> out = Bytes("DorvX200");
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(length) >> (8 * i)));
  out.resize(out.size() + tail, 0x78);
  return out;
}

class BadHeaderTest : public ::testing::TestWithParam<BadHeaderCase> {};

TEST_P(BadHeaderTest, IsRefusedWithAClearMessage) {
  EXPECT_EQ(LoadError(GetParam().file), GetParam().error) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Header, BadHeaderTest,
    ::testing::Values(
        BadHeaderCase{"negative", LengthFile(-1, 10), "ファイルが破壊されています (header length is not positive)"},
        BadHeaderCase{"zero", LengthFile(0, 10), "ファイルが破壊されています (header length is not positive)"},
        BadHeaderCase{"past end", LengthFile(1000, 10),
                      "ファイルが破壊されています (header runs past the end of the file)"},
        BadHeaderCase{"huge", LengthFile(0x7FFFFFFF, 10),
                      "ファイルが破壊されています (header runs past the end of the file)"},
        BadHeaderCase{"corrupt zlib", LengthFile(8, 8), "data error"},
        BadHeaderCase{"no length", Bytes("DorvX200\x01"), "Stream read error"},
        BadHeaderCase{"short magic", Bytes("DorvX2"), "Stream read error"}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& c : n) if (c == ' ') c = '_';
      return n;
    });

TEST(Header, TruncatedZlibHeaderIsAnError) {
  auto file = WriteDov(OneFrame24(3, 2));
  const std::string text = HeaderText(OneFrame24(3, 2));
  auto z = ZlibCompress(Bytes(text));
  // Keep the length field but cut the compressed text short.
  std::vector<uint8_t> cut = Bytes("DorvX200");
  const auto n = static_cast<uint32_t>(z.size() / 2);
  for (int i = 0; i < 4; ++i) cut.push_back(static_cast<uint8_t>(n >> (8 * i)));
  cut.insert(cut.end(), z.begin(), z.begin() + static_cast<std::ptrdiff_t>(n));
  EXPECT_NE(LoadError(cut), "");
}

}  // namespace
}  // namespace dorv::testing

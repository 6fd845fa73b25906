#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "converter/dorvs/framelist.h"
#include "converter/dorvs/header_info.h"
#include "converter/streams/stream.h"
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

// ---- Attributes left out -------------------------------------------------

// The header text with one attribute of the first element named tag set to
// value, or left out without one.
std::string WithAttribute(const std::string& text, const std::string& tag, const std::string& name,
                          const std::optional<std::string>& value) {
  const size_t at = text.find("<" + tag + " ");
  if (at == std::string::npos) throw std::invalid_argument(tag);
  const size_t end = text.find('>', at);
  const std::string key = " " + name + "=\"";
  const size_t a = text.find(key, at);
  std::string out = text;
  if (a != std::string::npos && a < end) {
    const size_t close = text.find('"', a + key.size());
    out.erase(a, close + 1 - a);
  } else {
    throw std::invalid_argument(name);
  }
  if (value) out.insert(a, key + *value + "\"");
  return out;
}

// What a load leaves: the error, the document's values and every frame with
// its fields, composite, alpha plane and palette.
std::string Outcome(const std::vector<uint8_t>& file) {
  TDorvFrameList doc(0);
  TSpanStream in(file.data(), file.size());
  std::ostringstream o;
  try {
    doc.LoadFromStream(in, true);
  } catch (const std::exception& e) {
    o << "error " << e.what() << "\n";
  }
  o << "bg " << doc.BGColor << " notfillbg " << doc.NotFillBG << " frames " << doc.Count() << "\n";
  for (int i = 0; i < doc.Count(); ++i) {
    const TDorvFrame& f = doc.GetFrame(i);
    const TDIBSurface& s = f.Surface;
    o << "frame '" << f.Name << "' " << f.TransColor << " " << f.Delay << " " << int(f.Disposal) << " " << s.Width()
      << "x" << s.Height() << "x" << s.Depth() << "\n";
    for (uint32_t v : Pixels(s)) o << v << ",";
    if (s.AlphaPlane() != nullptr) {
      o << "\nalpha ";
      for (uint32_t v : Pixels(*s.AlphaPlane())) o << v << ",";
    }
    o << "\npalette ";
    for (const TPaletteEntry& e : s.Palette) o << int(e.Red) << "." << int(e.Green) << "." << int(e.Blue) << ",";
    o << "\n";
  }
  return o.str();
}

struct AbsentCase {
  const char* name;
  const char* element;
  const char* attribute;
  const char* byDefault;  // the documented default
  const char* other;      // a value that reads differently in this document
  std::function<void(DocSpec&)> tweak = nullptr;
};

void PrintTo(const AbsentCase& c, std::ostream* os) { *os << c.element << " " << c.attribute; }

// A 100 x 100 8-bit frame in 32 x 32 blocks over a background that differs
// from palette entry 0, its single layer holding index 0 in places and
// carrying an alpha plane: every default of the table changes what it shows.
DocSpec DefaultsDocument() {
  DocSpec d;
  d.bgColor = 0x336699;
  d.blockWidth = 32;
  d.blockHeight = 32;
  FrameSpec f;
  f.width = 100;
  f.height = 100;
  f.bpp = 8;
  for (uint32_t i = 0; i < 256; ++i) f.palette.push_back(i * 0x010101u);
  LayerSpec l;
  l.rows = MakeRows(100, 100, 8, [](int x, int y) { return (x * y + x) % 7 == 0 ? 0u : static_cast<uint32_t>((x + 3 * y) % 250 + 1); });
  l.alphaRows = MakeRows(100, 100, 8, [](int x, int y) { return static_cast<uint32_t>(x + y); });
  f.layers.push_back(l);
  d.frames.push_back(f);
  return d;
}

class AbsentAttribute : public ::testing::TestWithParam<AbsentCase> {};

TEST_P(AbsentAttribute, ReadsAsItsDefault) {
  const AbsentCase& c = GetParam();
  DocSpec d = DefaultsDocument();
  if (c.tweak) c.tweak(d);
  const std::vector<uint8_t> file = WriteDov(d);
  const std::string text = HeaderText(d);
  const std::vector<uint8_t> data(file.begin() + 12 + (file[8] | file[9] << 8 | file[10] << 16 | file[11] << 24),
                                  file.end());
  const auto with = [&](const std::optional<std::string>& value) {
    return Outcome(WithHeader(WithAttribute(text, c.element, c.attribute, value), data));
  };
  const std::string stated = with(c.byDefault);
  EXPECT_TRUE(with(std::nullopt) == stated) << "left out:\n" << with(std::nullopt).substr(0, 300) << "\nstated:\n"
                                           << stated.substr(0, 300);
  EXPECT_FALSE(with(c.other) == stated) << "the default makes no difference here";
}

INSTANTIATE_TEST_SUITE_P(
    Header, AbsentAttribute,
    ::testing::Values(
        AbsentCase{"root_version", "Frames", "Version", "200", "102"},
        AbsentCase{"root_count", "Frames", "Count", "0", "1"},
        AbsentCase{"root_randomized", "Frames", "Randomized", "0", "1"},
        AbsentCase{"root_comptype", "Frames", "CompType", "0", "1"},
        AbsentCase{"root_bgcolor", "Frames", "BGColor", "0", "3368601",
                   [](DocSpec& d) { d.frames[0].layers[0].trans = 0; }},
        AbsentCase{"root_blockwidth", "Frames", "BlockWidth", "32", "0"},
        AbsentCase{"root_blockheight", "Frames", "BlockHeight", "32", "0"},
        AbsentCase{"root_notfillbg", "Frames", "NotFillBG", "1", "0",
                   [](DocSpec& d) { d.frames[0].layers[0].trans = 0; }},
        AbsentCase{"frame_name", "Frame", "Name", "", "F"},
        AbsentCase{"frame_transcolor", "Frame", "TransColor", "-1", "5"},
        AbsentCase{"frame_delay", "Frame", "Delay", "0", "100"},
        AbsentCase{"frame_disposal", "Frame", "Disposal", "0", "2"},
        AbsentCase{"layers_count", "Layers", "Count", "0", "1"},
        AbsentCase{"layers_width", "Layers", "Width", "100", "99"},
        AbsentCase{"layers_height", "Layers", "Height", "100", "99"},
        AbsentCase{"layers_bpp", "Layers", "Bpp", "8", "4"},
        AbsentCase{"layer_visible", "Layer", "Visible", "1", "0"},
        AbsentCase{"layer_transcolor", "Layer", "TransColor", "-1", "0"},
        AbsentCase{"layer_alpha", "Layer", "Alpha", "255", "128"},
        AbsentCase{"layer_alphaon", "Layer", "AlphaOn", "0", "1"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dorv::testing

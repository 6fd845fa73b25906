// PNG reading and writing: what comes back for each stored layout, round
// trips, bad files, and outputs that never appear half written.
#include <gtest/gtest.h>
#include <zlib.h>

#include <stdexcept>

#include "tool_test_util.h"
#include "tools/png_io.h"

namespace dorv::tools {
namespace {

using tooltest::RawPng;
using tooltest::ScratchDir;

PngImage Image(uint32_t w, uint32_t h, PngColor color, std::vector<uint8_t> rows, int bitDepth = 8,
               std::vector<std::array<uint8_t, 4>> palette = {}) {
  PngImage img;
  img.width = w;
  img.height = h;
  img.color = color;
  img.bitDepth = bitDepth;
  img.rows = std::move(rows);
  img.palette = std::move(palette);
  return img;
}

void ExpectSame(const PngImage& got, const PngImage& want) {
  EXPECT_EQ(got.width, want.width);
  EXPECT_EQ(got.height, want.height);
  EXPECT_EQ(static_cast<int>(got.color), static_cast<int>(want.color));
  EXPECT_EQ(got.bitDepth, want.bitDepth);
  EXPECT_EQ(got.rows, want.rows);
  EXPECT_EQ(got.palette, want.palette);
}

struct RoundTripCase {
  const char* name;
  PngImage image;
};

class PngRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(PngRoundTrip, ReadsBackWhatWasWritten) {
  ScratchDir dir;
  const std::string path = dir.Path("a.png");
  WritePng(path, GetParam().image);
  ExpectSame(ReadPng(path), GetParam().image);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"a.png"});
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PngRoundTrip,
    ::testing::Values(
        RoundTripCase{"Palette", Image(3, 2, PngColor::Palette, {0, 1, 2, 2, 1, 0}, 8,
                                       {{10, 20, 30, 255}, {1, 2, 3, 0}, {200, 100, 50, 128}})},
        RoundTripCase{"PaletteOpaque",
                      Image(2, 1, PngColor::Palette, {1, 0}, 8, {{0, 0, 0, 255}, {9, 9, 9, 255}})},
        RoundTripCase{"Grey", Image(5, 1, PngColor::Grey, {0, 1, 127, 254, 255})},
        RoundTripCase{"GreyAlpha", Image(2, 2, PngColor::GreyAlpha, {5, 0, 6, 1, 7, 254, 8, 255})},
        RoundTripCase{"RGB", Image(3, 1, PngColor::RGB, {1, 2, 3, 4, 5, 6, 7, 8, 9})},
        RoundTripCase{"RGBA", Image(1, 3, PngColor::RGBA, {1, 2, 3, 0, 4, 5, 6, 128, 7, 8, 9, 255})},
        RoundTripCase{"OneBitGrey", Image(9, 2, PngColor::Grey, {0xA5, 0x80, 0x0F, 0x00}, 1)}),
    [](const auto& info) { return std::string(info.param.name); });

struct ReadCase {
  const char* name;
  RawPng raw;
  PngImage want;
};

class PngReadLayout : public ::testing::TestWithParam<ReadCase> {};

TEST_P(PngReadLayout, NormalisesToTheseBytes) {
  ScratchDir dir;
  const std::string path = dir.Path("in.png");
  tooltest::WriteRawPng(path, GetParam().raw);
  ExpectSame(ReadPng(path), GetParam().want);
}

RawPng Raw(uint32_t w, uint32_t h, int type, int depth, std::vector<uint8_t> rows,
           std::vector<uint8_t> plte = {}, std::vector<uint8_t> trns = {}, bool interlaced = false) {
  RawPng r;
  r.width = w;
  r.height = h;
  r.colorType = type;
  r.bitDepth = depth;
  r.rows = std::move(rows);
  r.plte = std::move(plte);
  r.trns = std::move(trns);
  r.interlaced = interlaced;
  return r;
}

std::vector<uint8_t> Gradient(uint32_t w, uint32_t h, size_t channels) {
  std::vector<uint8_t> v(w * h * channels);
  for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<uint8_t>(i * 37 + 11);
  return v;
}

INSTANTIATE_TEST_SUITE_P(
    Stored, PngReadLayout,
    ::testing::Values(
        ReadCase{"Rgb16ScaledTo8", Raw(2, 1, 2, 16, {0xFF, 0xFF, 0, 0, 0x80, 0x80, 0x12, 0x34, 0, 0xFF, 0xFF, 0}),
                 Image(2, 1, PngColor::RGB, {255, 0, 0x80, 0x12, 0x01, 0xFE})},
        ReadCase{"Grey4Expanded", Raw(3, 1, 0, 4, {0xF8, 0x10}),
                 Image(3, 1, PngColor::Grey, {0xFF, 0x88, 0x11})},
        ReadCase{"Grey2Expanded", Raw(4, 1, 0, 2, {0x1B}),
                 Image(4, 1, PngColor::Grey, {0x00, 0x55, 0xAA, 0xFF})},
        ReadCase{"Grey1KeepsBits", Raw(3, 2, 0, 1, {0xA0, 0x40}),
                 Image(3, 2, PngColor::Grey, {0xA0, 0x40}, 1)},
        ReadCase{"Grey1WithKeyGetsAlpha", Raw(2, 1, 0, 1, {0x80}, {}, {0, 0}),
                 Image(2, 1, PngColor::GreyAlpha, {255, 255, 0, 0})},
        ReadCase{"Grey8WithKeyGetsAlpha", Raw(2, 1, 0, 8, {7, 8}, {}, {0, 7}),
                 Image(2, 1, PngColor::GreyAlpha, {7, 0, 8, 255})},
        ReadCase{"RgbWithKeyGetsAlpha", Raw(2, 1, 2, 8, {1, 2, 3, 4, 5, 6}, {}, {0, 4, 0, 5, 0, 6}),
                 Image(2, 1, PngColor::RGBA, {1, 2, 3, 255, 4, 5, 6, 0})},
        ReadCase{"GreyAlpha16", Raw(1, 1, 4, 16, {0x80, 0x00, 0xFF, 0xFF}),
                 Image(1, 1, PngColor::GreyAlpha, {0x80, 0xFF})},
        ReadCase{"Palette2Unpacked", Raw(4, 1, 3, 2, {0x1B}, {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3}, {0}),
                 Image(4, 1, PngColor::Palette, {0, 1, 2, 3}, 8,
                       {{0, 0, 0, 0}, {1, 1, 1, 255}, {2, 2, 2, 255}, {3, 3, 3, 255}})},
        ReadCase{"InterlacedRgb", Raw(5, 5, 2, 8, Gradient(5, 5, 3), {}, {}, true),
                 Image(5, 5, PngColor::RGB, Gradient(5, 5, 3))}),
    [](const auto& info) { return std::string(info.param.name); });

// A valid file to damage.
std::string ValidPngBytes(const ScratchDir& dir) {
  const std::string path = dir.Path("valid.png");
  WritePng(path, Image(4, 4, PngColor::RGB, Gradient(4, 4, 3)));
  return tooltest::ReadFile(path);
}

void PutU32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + static_cast<size_t>(i)] = static_cast<char>(v >> (24 - 8 * i));
}

// IHDR starts at byte 8: length, "IHDR", 13 bytes, CRC.
void FixIhdrCrc(std::string& s) {
  uint32_t crc = static_cast<uint32_t>(
      ::crc32(0, reinterpret_cast<const Bytef*>(s.data() + 12), 17));
  PutU32(s, 29, crc);
}

struct BadCase {
  const char* name;
  std::function<std::string(const std::string& valid)> make;
  const char* reason;
};

class PngBadFile : public ::testing::TestWithParam<BadCase> {};

TEST_P(PngBadFile, RaisesWithAReason) {
  ScratchDir dir;
  const std::string path = dir.Path("bad.png");
  tooltest::WriteFile(path, GetParam().make(ValidPngBytes(dir)));
  try {
    ReadPng(path);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().reason), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, PngBadFile,
    ::testing::Values(
        BadCase{"Empty", [](const std::string&) { return std::string(); }, "not a PNG"},
        BadCase{"Text", [](const std::string&) { return std::string("hello, world"); }, "not a PNG"},
        BadCase{"Truncated", [](const std::string& v) { return v.substr(0, v.size() / 2); }, "bad PNG"},
        BadCase{"SignatureOnly", [](const std::string& v) { return v.substr(0, 8); }, "bad PNG"},
        BadCase{"HeaderCrc",
                [](const std::string& v) {
                  std::string s = v;
                  s[20] ^= 1;
                  return s;
                },
                "bad PNG"},
        BadCase{"ZeroWidth",
                [](const std::string& v) {
                  std::string s = v;
                  PutU32(s, 16, 0);
                  FixIhdrCrc(s);
                  return s;
                },
                "bad PNG"},
        BadCase{"HugeWidth",
                [](const std::string& v) {
                  std::string s = v;
                  PutU32(s, 16, 20000000);
                  FixIhdrCrc(s);
                  return s;
                },
                "bad PNG"},
        BadCase{"HugeArea",
                [](const std::string& v) {
                  std::string s = v;
                  PutU32(s, 16, 1 << 20);
                  PutU32(s, 20, 1 << 20);
                  FixIhdrCrc(s);
                  return s;
                },
                "too large"},
        BadCase{"DamagedData",
                [](const std::string& v) {
                  std::string s = v;
                  for (size_t i = 45; i < s.size() - 16; ++i) s[i] = static_cast<char>(0xA5);
                  return s;
                },
                "bad PNG"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PngBadFile, MissingFileNamesTheReason) {
  ScratchDir dir;
  EXPECT_THROW(
      {
        try {
          ReadPng(dir.Path("none.png"));
        } catch (const std::runtime_error& e) {
          EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos);
          throw;
        }
      },
      std::runtime_error);
}

struct WriteFailCase {
  const char* name;
  PngImage image;
};

class PngWriteFailure : public ::testing::TestWithParam<WriteFailCase> {};

TEST_P(PngWriteFailure, LeavesTheExistingFileAlone) {
  ScratchDir dir;
  const std::string path = dir.Path("out.png");
  tooltest::WriteFile(path, "keep");
  EXPECT_THROW(WritePng(path, GetParam().image), std::runtime_error);
  EXPECT_EQ(tooltest::ReadFile(path), "keep");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"out.png"});
}

INSTANTIATE_TEST_SUITE_P(
    Images, PngWriteFailure,
    ::testing::Values(WriteFailCase{"ShortRows", Image(4, 4, PngColor::RGB, {1, 2, 3})},
                      WriteFailCase{"Empty", Image(0, 4, PngColor::RGB, {})},
                      WriteFailCase{"PaletteWithoutEntries", Image(1, 1, PngColor::Palette, {0})},
                      WriteFailCase{"OneBitColour", Image(8, 1, PngColor::RGB, {0, 0, 0}, 1)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PngWriteFailure, UnwritablePlacesRaiseAndLeaveNothing) {
  ScratchDir dir;
  const PngImage image = Image(1, 1, PngColor::Grey, {9});
  EXPECT_THROW(WritePng(dir.Path("missing/out.png"), image), std::runtime_error);
  std::filesystem::create_directory(dir.Path("taken"));
  std::filesystem::create_directory(dir.Path("taken/inner"));
  EXPECT_THROW(WritePng(dir.Path("taken"), image), std::runtime_error);  // a folder in the way
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"taken"});
}

}  // namespace
}  // namespace dorv::tools

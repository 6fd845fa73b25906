// libdov's encoder: a one-frame document is byte for byte what the host's
// save (ConvertWrite) writes for the same picture and options; documents of
// several frames read back frame for frame with their delays; what the
// encoder refuses.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "dov_test_util.h"
#include "exports/export_helpers.h"

namespace dov_test {
namespace {

constexpr uint32_t kW = 19, kH = 11;

// A picture of each format with the host's rows for the same picture.
struct Source {
  dov_pixel_format format;
  std::vector<uint8_t> pixels;   // libdov's rows, packed
  std::vector<uint8_t> palette;  // red, green, blue
  int32_t transparent = -1;
  dorv::testing::WriteArgs host;
};

Source Make(dov_pixel_format format, bool clearPixels, int32_t transparent = -1) {
  Source s;
  s.format = format;
  s.transparent = transparent;
  dorv::testing::WriteArgs& h = s.host;
  h.width = kW;
  h.height = kH;
  h.depth = 8;
  for (int i = 0; i < 256; ++i) h.red[i] = h.green[i] = h.blue[i] = uint8_t(i);
  const size_t n = kW * kH;
  auto v = [](size_t i, int k) { return uint8_t(i * 37 + size_t(k) * 91); };
  switch (format) {
    case DOV_PIXELS_RGBA:
    case DOV_PIXELS_RGB: {
      const int c = format == DOV_PIXELS_RGBA ? 4 : 3;
      h.planes = c;
      h.mode = 3;
      for (size_t i = 0; i < n; ++i)
        for (int k = 0; k < c; ++k) s.pixels.push_back(k == 3 ? (clearPixels && i % 5 == 0 ? 0 : 255) : v(i, k));
      break;
    }
    case DOV_PIXELS_GREY:
    case DOV_PIXELS_GREY_ALPHA: {
      const int c = format == DOV_PIXELS_GREY ? 1 : 2;
      h.planes = c;
      h.mode = 1;
      for (size_t i = 0; i < n; ++i)
        for (int k = 0; k < c; ++k) s.pixels.push_back(k == 1 ? (clearPixels && i % 3 == 0 ? 30 : 255) : v(i, 0));
      break;
    }
    case DOV_PIXELS_INDEXED: {
      h.planes = 1;
      h.mode = 2;
      for (size_t i = 0; i < 40; ++i) s.palette.insert(s.palette.end(), {v(i, 0), v(i, 1), v(i, 2)});
      std::fill(h.red.begin(), h.red.end(), 0), std::fill(h.green.begin(), h.green.end(), 0),
          std::fill(h.blue.begin(), h.blue.end(), 0);
      for (size_t i = 0; i < 40; ++i) h.red[i] = v(i, 0), h.green[i] = v(i, 1), h.blue[i] = v(i, 2);
      for (size_t i = 0; i < n; ++i) s.pixels.push_back(uint8_t(i % 40));
      h.transparent = transparent;
      break;
    }
    case DOV_PIXELS_MONO: {
      h.planes = 1;
      h.depth = 1;
      h.mode = 0;
      const size_t rowBytes = (kW + 7) / 8;
      for (size_t y = 0; y < kH; ++y)
        for (size_t x = 0; x < rowBytes; ++x) s.pixels.push_back(uint8_t(y * 29 + x * 7));
      break;
    }
  }
  h.pixels = s.pixels;
  if (format == DOV_PIXELS_MONO) {
    // The host's bitmap rows: a set bit is black, and the bits past the
    // picture's width are clear.
    const size_t rowBytes = (kW + 7) / 8;
    for (size_t y = 0; y < kH; ++y) {
      for (size_t x = 0; x < rowBytes; ++x) h.pixels[y * rowBytes + x] = uint8_t(~h.pixels[y * rowBytes + x]);
      h.pixels[y * rowBytes + rowBytes - 1] &= uint8_t(0xFF << (rowBytes * 8 - kW));
    }
  }
  return s;
}

dov_picture AsPicture(const Source& s) {
  dov_picture p{};
  p.format = s.format;
  p.width = kW;
  p.height = kH;
  p.pixels = s.pixels.data();
  p.stride = s.pixels.size() / kH;
  p.palette = s.palette.empty() ? nullptr : s.palette.data();
  p.palette_size = uint32_t(s.palette.size() / 3);
  p.transparent_index = s.transparent;
  return p;
}

std::vector<uint8_t> Encode(const std::vector<dov_picture>& pictures, dov_compression c, int quality,
                            const std::vector<int32_t>& delays = {}) {
  Encoder e = NewEncoder();
  EXPECT_EQ(dov_encoder_set_compression(e.get(), c, quality), DOV_OK);
  for (size_t i = 0; i < pictures.size(); ++i)
    EXPECT_EQ(dov_encoder_add_frame(e.get(), &pictures[i], delays.empty() ? 100 : delays[i]), DOV_OK)
        << dov_encoder_error_message(e.get());
  uint8_t* data = nullptr;
  size_t size = 0;
  EXPECT_EQ(dov_encoder_write_memory(e.get(), &data, &size), DOV_OK) << dov_encoder_error_message(e.get());
  std::vector<uint8_t> out(data, data + size);
  dov_free(data);
  return out;
}

struct OneFrameCase {
  const char* name;
  dov_pixel_format format;
  bool clear;
  int32_t transparent;
  dov_compression compression;
  int quality;
};

class OneFrame : public ::testing::TestWithParam<OneFrameCase> {};

TEST_P(OneFrame, IsWhatTheHostsSaveWrites) {
  const OneFrameCase& c = GetParam();
  Source s = Make(c.format, c.clear, c.transparent);
  s.host.compType = c.compression;
  s.host.quality = c.quality == 0 ? 70 : c.quality;
  const dorv::testing::WriteResult host = dorv::testing::WriteThroughExport(s.host);
  ASSERT_TRUE(host.ok);
  EXPECT_EQ(Encode({AsPicture(s)}, c.compression, c.quality), host.file);
}

INSTANTIATE_TEST_SUITE_P(
    Encoder, OneFrame,
    ::testing::Values(OneFrameCase{"RgbaOpaqueZlib", DOV_PIXELS_RGBA, false, -1, DOV_COMPRESSION_ZLIB, 0},
                      OneFrameCase{"RgbaClearZlib", DOV_PIXELS_RGBA, true, -1, DOV_COMPRESSION_ZLIB, 0},
                      OneFrameCase{"RgbaClearNone", DOV_PIXELS_RGBA, true, -1, DOV_COMPRESSION_NONE, 0},
                      OneFrameCase{"RgbaClearLossy", DOV_PIXELS_RGBA, true, -1, DOV_COMPRESSION_LOSSY, 0},
                      OneFrameCase{"RgbaLossy30", DOV_PIXELS_RGBA, false, -1, DOV_COMPRESSION_LOSSY, 30},
                      OneFrameCase{"RgbNone", DOV_PIXELS_RGB, false, -1, DOV_COMPRESSION_NONE, 0},
                      OneFrameCase{"RgbLossy", DOV_PIXELS_RGB, false, -1, DOV_COMPRESSION_LOSSY, 0},
                      OneFrameCase{"GreyZlib", DOV_PIXELS_GREY, false, -1, DOV_COMPRESSION_ZLIB, 0},
                      OneFrameCase{"GreyLossyKeptWithZlib", DOV_PIXELS_GREY, false, -1, DOV_COMPRESSION_LOSSY, 0},
                      OneFrameCase{"GreyAlphaZlib", DOV_PIXELS_GREY_ALPHA, true, -1, DOV_COMPRESSION_ZLIB, 0},
                      OneFrameCase{"IndexedZlib", DOV_PIXELS_INDEXED, false, -1, DOV_COMPRESSION_ZLIB, 0},
                      OneFrameCase{"IndexedTransparentNone", DOV_PIXELS_INDEXED, false, 7, DOV_COMPRESSION_NONE, 0},
                      OneFrameCase{"MonoZlib", DOV_PIXELS_MONO, false, -1, DOV_COMPRESSION_ZLIB, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Encoder, FramesReadBackWithTheirPicturesAndDelays) {
  const Source rgba = Make(DOV_PIXELS_RGBA, true), grey = Make(DOV_PIXELS_GREY, false),
               indexed = Make(DOV_PIXELS_INDEXED, false, 3);
  const std::vector<int32_t> delays = {10, 250, 1000};
  const std::vector<uint8_t> doc =
      Encode({AsPicture(rgba), AsPicture(grey), AsPicture(indexed)}, DOV_COMPRESSION_ZLIB, 0, delays);
  Decoder d = Read(doc);
  dov_info info;
  ASSERT_EQ(dov_decoder_get_info(d.get(), &info), DOV_OK);
  ASSERT_EQ(info.frame_count, 3u);
  for (uint32_t f = 0; f < 3; ++f) {
    dov_frame_info fi;
    ASSERT_EQ(dov_decoder_get_frame_info(d.get(), f, &fi), DOV_OK);
    EXPECT_EQ(fi.delay_ms, delays[f]);
  }
  const std::vector<uint8_t> first = FrameRgba(d.get(), 0);
  for (size_t i = 0; i < kW * kH; ++i) {
    if (rgba.pixels[4 * i + 3] == 0) {
      EXPECT_EQ(first[4 * i + 3], 0) << i;
    } else {
      EXPECT_EQ(std::memcmp(&first[4 * i], &rgba.pixels[4 * i], 4), 0) << i;
    }
  }
  const std::vector<uint8_t> second = FrameRgba(d.get(), 1);
  for (size_t i = 0; i < kW * kH; ++i) EXPECT_EQ(second[4 * i], grey.pixels[i]) << i;
  std::vector<uint8_t> indices(kW * kH);
  int32_t transparent = -9;
  ASSERT_EQ(dov_decoder_frame_indexed(d.get(), 2, indices.data(), kW, indices.size(), nullptr, &transparent), DOV_OK);
  EXPECT_EQ(indices, indexed.pixels);
  EXPECT_EQ(transparent, 3);
}

TEST(Encoder, WritesToAFileAndThroughACallbackTheSameBytes) {
  const Source s = Make(DOV_PIXELS_RGB, false);
  const dov_picture p = AsPicture(s);
  Encoder e = NewEncoder();
  ASSERT_EQ(dov_encoder_add_frame(e.get(), &p, 100), DOV_OK);
  ASSERT_EQ(dov_encoder_add_frame(e.get(), &p, 200), DOV_OK);
  uint8_t* data = nullptr;
  size_t size = 0;
  ASSERT_EQ(dov_encoder_write_memory(e.get(), &data, &size), DOV_OK);
  const std::vector<uint8_t> inMemory(data, data + size);
  dov_free(data);
  std::vector<uint8_t> collected;
  auto collect = [](void* user, const uint8_t* bytes, size_t n) {
    auto* out = static_cast<std::vector<uint8_t>*>(user);
    out->insert(out->end(), bytes, bytes + n);
    return 1;
  };
  ASSERT_EQ(dov_encoder_write_callback(e.get(), collect, &collected), DOV_OK);
  EXPECT_EQ(collected, inMemory);
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "dov_encoder_test.dov";
  ASSERT_EQ(dov_encoder_write_file(e.get(), path.string().c_str()), DOV_OK);
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}), inMemory);
  std::filesystem::remove(path);
  EXPECT_EQ(dov_encoder_write_callback(e.get(), [](void*, const uint8_t*, size_t) { return 0; }, nullptr),
            DOV_ERROR_IO);
  EXPECT_EQ(dov_encoder_write_file(e.get(), "/nonexistent/folder/x.dov"), DOV_ERROR_IO);
}

struct EncoderRefusal {
  const char* name;
  std::function<dov_error(dov_encoder*, dov_picture&)> call;  // picture: a valid RGB one
  dov_error expected;
};

class EncoderRefusals : public ::testing::TestWithParam<EncoderRefusal> {};

TEST_P(EncoderRefusals, GiveTheirCodeAndAMessage) {
  Source s = Make(DOV_PIXELS_RGB, false);
  dov_picture p = AsPicture(s);
  Encoder e = NewEncoder();
  EXPECT_EQ(GetParam().call(e.get(), p), GetParam().expected);
  EXPECT_STRNE(dov_encoder_error_message(e.get()), "");
  EXPECT_EQ(dov_encoder_frame_count(e.get()), 0u);
}

const uint8_t kPalette[6] = {0, 0, 0, 255, 255, 255};

INSTANTIATE_TEST_SUITE_P(
    Encoder, EncoderRefusals,
    ::testing::Values(
        EncoderRefusal{"NoFrames",
                       [](dov_encoder* e, dov_picture&) {
                         uint8_t* d;
                         size_t n;
                         return dov_encoder_write_memory(e, &d, &n);
                       },
                       DOV_ERROR_NO_FRAMES},
        EncoderRefusal{"QualityPast100",
                       [](dov_encoder* e, dov_picture&) { return dov_encoder_set_compression(e, DOV_COMPRESSION_LOSSY, 101); },
                       DOV_ERROR_INVALID_ARGUMENT},
        EncoderRefusal{"UnknownCompression",
                       [](dov_encoder* e, dov_picture&) { return dov_encoder_set_compression(e, dov_compression(3), 0); },
                       DOV_ERROR_INVALID_ARGUMENT},
        EncoderRefusal{"NoPixels",
                       [](dov_encoder* e, dov_picture& p) {
                         p.width = 0;
                         return dov_encoder_add_frame(e, &p, 100);
                       },
                       DOV_ERROR_INVALID_ARGUMENT},
        EncoderRefusal{"NullPixels",
                       [](dov_encoder* e, dov_picture& p) {
                         p.pixels = nullptr;
                         return dov_encoder_add_frame(e, &p, 100);
                       },
                       DOV_ERROR_INVALID_ARGUMENT},
        EncoderRefusal{"StrideShorterThanARow",
                       [](dov_encoder* e, dov_picture& p) {
                         p.stride = 3 * kW - 1;
                         return dov_encoder_add_frame(e, &p, 100);
                       },
                       DOV_ERROR_BUFFER_TOO_SMALL},
        EncoderRefusal{"UnknownFormat",
                       [](dov_encoder* e, dov_picture& p) {
                         p.format = dov_pixel_format(6);  // past the last format
                         return dov_encoder_add_frame(e, &p, 100);
                       },
                       DOV_ERROR_INVALID_ARGUMENT},
        EncoderRefusal{"IndexedWithoutPalette",
                       [](dov_encoder* e, dov_picture& p) {
                         p.format = DOV_PIXELS_INDEXED;
                         p.stride = kW;
                         return dov_encoder_add_frame(e, &p, 100);
                       },
                       DOV_ERROR_INVALID_ARGUMENT},
        EncoderRefusal{"TransparentIndexPastThePalette",
                       [](dov_encoder* e, dov_picture& p) {
                         p.format = DOV_PIXELS_INDEXED;
                         p.stride = kW;
                         p.palette = kPalette;
                         p.palette_size = 2;
                         p.transparent_index = 2;
                         return dov_encoder_add_frame(e, &p, 100);
                       },
                       DOV_ERROR_INVALID_ARGUMENT},
        EncoderRefusal{"NegativeDelay",
                       [](dov_encoder* e, dov_picture& p) { return dov_encoder_add_frame(e, &p, -1); },
                       DOV_ERROR_INVALID_ARGUMENT}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dov_test

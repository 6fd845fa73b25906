// libdov's decoder through its C face: what each call refuses and with which
// code, the limits, the three inputs, the iterator, and frame 0 exactly as
// the host receives it from ConvertRead.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "dov_test_util.h"
#include "exports/export_helpers.h"

namespace dov_test {
namespace {

using dorv::testing::DocSpec;

// ---- What the calls refuse ----------------------------------------------------

struct RefusalCase {
  const char* name;
  std::function<dov_error(dov_decoder*)> call;  // on a decoder that read a 4 x 3 24-bit, 2-frame document
  dov_error expected;
};

const std::vector<uint8_t>& TwoFrames() {
  static const std::vector<uint8_t> doc = PatternDocument(2, 4, 3, 24);
  return doc;
}

class Refusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, GiveTheirCodeAndAMessage) {
  Decoder d = Read(TwoFrames());
  EXPECT_EQ(GetParam().call(d.get()), GetParam().expected);
  if (GetParam().expected != DOV_OK) {
    EXPECT_STRNE(dov_decoder_error_message(d.get()), "");
  }
}

uint8_t gBuffer[4096];

INSTANTIATE_TEST_SUITE_P(
    Decoder, Refusals,
    ::testing::Values(
        RefusalCase{"WholeBuffer", [](dov_decoder* d) { return dov_decoder_frame_rgba(d, 1, gBuffer, 16, 48); }, DOV_OK},
        RefusalCase{"WideStride", [](dov_decoder* d) { return dov_decoder_frame_rgba(d, 0, gBuffer, 100, 216); }, DOV_OK},
        RefusalCase{"OneByteShort", [](dov_decoder* d) { return dov_decoder_frame_rgba(d, 0, gBuffer, 16, 47); },
                    DOV_ERROR_BUFFER_TOO_SMALL},
        RefusalCase{"StrideShorterThanARow", [](dov_decoder* d) { return dov_decoder_frame_rgba(d, 0, gBuffer, 15, 4096); },
                    DOV_ERROR_BUFFER_TOO_SMALL},
        RefusalCase{"StrideThatWouldWrap",
                    [](dov_decoder* d) { return dov_decoder_frame_rgba(d, 0, gBuffer, SIZE_MAX / 2, 4096); },
                    DOV_ERROR_BUFFER_TOO_SMALL},
        RefusalCase{"NullBuffer", [](dov_decoder* d) { return dov_decoder_frame_rgba(d, 0, nullptr, 16, 48); },
                    DOV_ERROR_INVALID_ARGUMENT},
        RefusalCase{"FramePastTheLast", [](dov_decoder* d) { return dov_decoder_frame_rgba(d, 2, gBuffer, 16, 48); },
                    DOV_ERROR_RANGE},
        RefusalCase{"FrameInfoPastTheLast",
                    [](dov_decoder* d) {
                      dov_frame_info info;
                      return dov_decoder_get_frame_info(d, 0xFFFFFFFF, &info);
                    },
                    DOV_ERROR_RANGE},
        RefusalCase{"LayerPastTheLast", [](dov_decoder* d) { return dov_decoder_layer_rgba(d, 0, 1, gBuffer, 16, 48); },
                    DOV_ERROR_RANGE},
        RefusalCase{"IndicesOfColourPixels",
                    [](dov_decoder* d) { return dov_decoder_frame_indexed(d, 0, gBuffer, 4, 12, nullptr, nullptr); },
                    DOV_ERROR_NOT_INDEXED},
        RefusalCase{"NullInfo", [](dov_decoder* d) { return dov_decoder_get_info(d, nullptr); },
                    DOV_ERROR_INVALID_ARGUMENT},
        RefusalCase{"NullDataWithASize", [](dov_decoder* d) { return dov_decoder_read_memory(d, nullptr, 10); },
                    DOV_ERROR_INVALID_ARGUMENT},
        RefusalCase{"NullCallback", [](dov_decoder* d) { return dov_decoder_read_callback(d, nullptr, nullptr); },
                    DOV_ERROR_INVALID_ARGUMENT},
        RefusalCase{"NullLimits", [](dov_decoder* d) { return dov_decoder_set_limits(d, nullptr); },
                    DOV_ERROR_INVALID_ARGUMENT}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Decoder, NullHandlesAndNoDocumentAreRefused) {
  dov_info info;
  EXPECT_EQ(dov_decoder_get_info(nullptr, &info), DOV_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(dov_decoder_read_memory(nullptr, "x", 1), DOV_ERROR_INVALID_ARGUMENT);
  EXPECT_STREQ(dov_decoder_error_message(nullptr), "");
  dov_decoder_destroy(nullptr);
  Decoder d = NewDecoder();
  EXPECT_EQ(dov_decoder_get_info(d.get(), &info), DOV_ERROR_NO_DOCUMENT);
  EXPECT_EQ(dov_decoder_get_next(d.get(), nullptr, nullptr, nullptr, nullptr, nullptr), DOV_ERROR_NO_DOCUMENT);
  EXPECT_EQ(dov_decoder_has_more_frames(d.get()), 0);
}

TEST(Decoder, EveryErrorHasAText) {
  for (int e = DOV_OK; e <= DOV_ERROR_NO_FRAMES; ++e)
    EXPECT_STRNE(dov_error_string(static_cast<dov_error>(e)), "unknown error") << e;
  EXPECT_STREQ(dov_error_string(static_cast<dov_error>(999)), "unknown error");
  EXPECT_EQ(dov_version(), (1u << 16));
  EXPECT_STREQ(dov_version_string(), "1.0.0");
}

// ---- Files that are no documents, and damaged ones ----------------------------

struct InputCase {
  const char* name;
  std::vector<uint8_t> bytes;
  dov_error expected;
  const char* message;  // part of the decoder's message
};

class Inputs : public ::testing::TestWithParam<InputCase> {};

TEST_P(Inputs, AreToldApart) {
  Decoder d = NewDecoder();
  const InputCase& c = GetParam();
  EXPECT_EQ(dov_decoder_read_memory(d.get(), c.bytes.data(), c.bytes.size()), c.expected);
  EXPECT_NE(std::string(dov_decoder_error_message(d.get())).find(c.message), std::string::npos)
      << dov_decoder_error_message(d.get());
  dov_info info;
  EXPECT_EQ(dov_decoder_get_info(d.get(), &info), DOV_ERROR_NO_DOCUMENT);
}

std::vector<uint8_t> Bytes(const char* text) { return std::vector<uint8_t>(text, text + std::strlen(text)); }

std::vector<uint8_t> CutHeader() {
  std::vector<uint8_t> doc = PatternDocument(1, 4, 4, 8);
  doc.resize(20);
  return doc;
}

INSTANTIATE_TEST_SUITE_P(
    Decoder, Inputs,
    ::testing::Values(InputCase{"Empty", {}, DOV_ERROR_NOT_A_DOCUMENT, ""},
                      InputCase{"Text", Bytes("just some text, no document\n"), DOV_ERROR_NOT_A_DOCUMENT, ""},
                      InputCase{"Png", {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13}, DOV_ERROR_NOT_A_DOCUMENT, ""},
                      InputCase{"HeaderCutShort", CutHeader(), DOV_ERROR_CORRUPT, "ファイルが破壊されています"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Decoder, ADamagedDocumentKeepsTheFramesReadInFull) {
  std::vector<uint8_t> doc = PatternDocument(3, 16, 16, 24);
  doc.resize(doc.size() - 40);  // the last frame's records cut short
  Decoder d = Read(doc);
  dov_info info;
  ASSERT_EQ(dov_decoder_get_info(d.get(), &info), DOV_OK);
  EXPECT_EQ(info.frames_declared, 3u);
  EXPECT_GE(info.frame_count, 2u);  // the last frame as far as its layers were read
  EXPECT_EQ(info.damaged, 1);
  EXPECT_STRNE(info.messages, "");
  Decoder whole = Read(PatternDocument(3, 16, 16, 24));
  for (uint32_t f = 0; f < 2; ++f) EXPECT_EQ(FrameRgba(d.get(), f), FrameRgba(whole.get(), f)) << f;
}

// A layer whose planes are cut off is not drawn into its frame: it is not
// listed among the frame's layers, and the frame composed again of its
// layers is the frame's picture.
TEST(Decoder, ALayerThatFailedIsNotOneOfItsFramesLayers) {
  DocSpec layout;
  dorv::testing::FrameSpec frame = PatternFrame(16, 16, 24);
  frame.layers.push_back(frame.layers[0]);
  frame.layers[1].name = "cut";
  layout.frames = {frame};
  std::vector<uint8_t> doc = dorv::testing::WriteDov(layout);
  doc.resize(doc.size() - 40);  // inside the second layer's records
  Decoder d = Read(doc);
  dov_frame_info info;
  ASSERT_EQ(dov_decoder_get_frame_info(d.get(), 0, &info), DOV_OK);
  EXPECT_EQ(info.layer_count, 1u);
  const uint8_t shown[2] = {1, 1};
  std::vector<uint8_t> again(16 * 16 * 4);
  ASSERT_EQ(dov_decoder_compose_rgba(d.get(), 0, shown, 2, again.data(), 64, again.size()), DOV_OK);
  EXPECT_EQ(again, FrameRgba(d.get(), 0));
}

// ---- Limits ----------------------------------------------------------------------

struct LimitCase {
  const char* name;
  dov_limits limits;  // 0: the default
  dov_error expected;
};

class Limits : public ::testing::TestWithParam<LimitCase> {};

// A document of 3 frames of 64 x 32 pixels (2048 each) at 24 bits.
TEST_P(Limits, RefuseADocumentPastThemBeforeItsPixels) {
  const std::vector<uint8_t> doc = PatternDocument(3, 64, 32, 24);
  Decoder d = NewDecoder();
  ASSERT_EQ(dov_decoder_set_limits(d.get(), &GetParam().limits), DOV_OK);
  EXPECT_EQ(dov_decoder_read_memory(d.get(), doc.data(), doc.size()), GetParam().expected)
      << dov_decoder_error_message(d.get());
  if (GetParam().expected == DOV_ERROR_LIMIT) {
    EXPECT_NE(std::string(dov_decoder_error_message(d.get())).find("limit"), std::string::npos);
    EXPECT_EQ(dov_decoder_has_more_frames(d.get()), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Decoder, Limits,
                         ::testing::Values(LimitCase{"Defaults", {0, 0, 0}, DOV_OK},
                                           LimitCase{"PixelsAtTheLimit", {2048, 0, 0}, DOV_OK},
                                           LimitCase{"PixelsPastTheLimit", {2047, 0, 0}, DOV_ERROR_LIMIT},
                                           LimitCase{"FramesAtTheLimit", {0, 0, 3}, DOV_OK},
                                           LimitCase{"FramesPastTheLimit", {0, 0, 2}, DOV_ERROR_LIMIT},
                                           LimitCase{"MemoryEnough", {0, 1 << 20, 0}, DOV_OK},
                                           LimitCase{"MemoryForTheInputOnly", {0, 2000, 0}, DOV_ERROR_LIMIT},
                                           LimitCase{"InputLongerThanTheMemory", {0, 100, 0}, DOV_ERROR_LIMIT}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Decoder, DefaultLimitsHoldInEveryProcess) {
  dov_limits l;
  dov_default_limits(&l);
  EXPECT_EQ(l.max_frame_pixels, uint64_t{1} << 28);
  EXPECT_EQ(l.max_memory, sizeof(void*) >= 8 ? uint64_t{4} << 30 : uint64_t{1} << 30);
  EXPECT_EQ(l.max_frames, 65536u);
}

// ---- Inputs: memory, file, callback ------------------------------------------------

struct ChunkReader {
  const std::vector<uint8_t>* bytes;
  size_t at = 0;
  size_t chunk;
  bool fail = false;
};

size_t ReadChunk(void* user, uint8_t* buffer, size_t size) {
  auto* r = static_cast<ChunkReader*>(user);
  if (r->fail && r->at > 0) return static_cast<size_t>(-1);
  const size_t n = std::min({size, r->chunk, r->bytes->size() - r->at});
  std::memcpy(buffer, r->bytes->data() + r->at, n);
  r->at += n;
  return n;
}

TEST(Decoder, MemoryFileAndCallbackReadTheSameDocument) {
  const std::vector<uint8_t> doc = PatternDocument(2, 20, 10, 8);
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "dov_inputs_test.dov";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(doc.data()), std::streamsize(doc.size()));
  Decoder fromMemory = Read(doc), fromFile = NewDecoder(), fromCallback = NewDecoder();
  ASSERT_EQ(dov_decoder_read_file(fromFile.get(), path.string().c_str()), DOV_OK);
  ChunkReader reader{&doc, 0, 7};
  ASSERT_EQ(dov_decoder_read_callback(fromCallback.get(), ReadChunk, &reader), DOV_OK);
  for (uint32_t f = 0; f < 2; ++f) {
    EXPECT_EQ(FrameRgba(fromFile.get(), f), FrameRgba(fromMemory.get(), f));
    EXPECT_EQ(FrameRgba(fromCallback.get(), f), FrameRgba(fromMemory.get(), f));
  }
  std::filesystem::remove(path);

  ChunkReader failing{&doc, 0, 7, true};
  EXPECT_EQ(dov_decoder_read_callback(fromCallback.get(), ReadChunk, &failing), DOV_ERROR_IO);
  EXPECT_EQ(dov_decoder_read_file(fromFile.get(), "/nonexistent/folder/x.dov"), DOV_ERROR_IO);
  EXPECT_EQ(dov_decoder_read_file(fromFile.get(), std::filesystem::temp_directory_path().string().c_str()), DOV_ERROR_IO);
  dov_info info;
  EXPECT_EQ(dov_decoder_get_info(fromFile.get(), &info), DOV_ERROR_NO_DOCUMENT);  // the earlier document is gone
}

// ---- Frames one by one ----------------------------------------------------------------

TEST(Decoder, HandsFramesOutInOrderWithTheirEndTimes) {
  Decoder d = Read(PatternDocument(3, 8, 6, 16));
  for (int pass = 0; pass < 2; ++pass) {
    int64_t expectedEnd = 0;
    for (uint32_t f = 0; f < 3; ++f) {
      ASSERT_EQ(dov_decoder_has_more_frames(d.get()), 1);
      const uint8_t* rgba = nullptr;
      uint32_t index = 99, w = 0, h = 0;
      int64_t end = 0;
      ASSERT_EQ(dov_decoder_get_next(d.get(), &rgba, &index, &w, &h, &end), DOV_OK);
      expectedEnd += 40 * (f + 1);
      EXPECT_EQ(index, f);
      EXPECT_EQ(end, expectedEnd);
      EXPECT_EQ(std::vector<uint8_t>(rgba, rgba + size_t{w} * h * 4), FrameRgba(d.get(), f));
    }
    EXPECT_EQ(dov_decoder_has_more_frames(d.get()), 0);
    EXPECT_EQ(dov_decoder_get_next(d.get(), nullptr, nullptr, nullptr, nullptr, nullptr), DOV_ERROR_END_OF_FRAMES);
    dov_decoder_reset(d.get());
  }
}

// ---- Frame 0 as the host receives it ----------------------------------------------------

class HostFrame : public ::testing::TestWithParam<int32_t> {};

// Indices, palette and transparent index, or colours, equal ConvertRead's
// block, written into rows wider than the picture whose padding stays.
TEST_P(HostFrame, EqualsConvertReadsBlock) {
  DocSpec layout;
  dorv::testing::FrameSpec frame = PatternFrame(13, 7, GetParam(), 5);
  if (GetParam() <= 8) frame.trans = 2;
  layout.frames.push_back(frame);
  const std::vector<uint8_t> doc = dorv::testing::WriteDov(layout);
  const dorv::testing::ReadResult host = dorv::testing::ReadThroughExport(doc);
  ASSERT_TRUE(host.ok);
  Decoder d = Read(doc);
  dov_frame_info info;
  ASSERT_EQ(dov_decoder_get_frame_info(d.get(), 0, &info), DOV_OK);
  EXPECT_EQ(info.depth, uint32_t(GetParam()));
  EXPECT_EQ(info.indexed, host.Info().Bpp() == 8);
  const size_t stride = 4 * 13 + 9;
  std::vector<uint8_t> rgba(stride * 7, 0xEE);
  ASSERT_EQ(dov_decoder_frame_rgba(d.get(), 0, rgba.data(), stride, rgba.size()), DOV_OK);
  for (size_t y = 0; y < 7; ++y)
    for (size_t x = 0; x < 13; ++x) {
      const uint8_t* o = &rgba[y * stride + 4 * x];
      uint8_t expected[4];
      if (info.indexed) {
        const uint8_t v = host.pixels[y * 13 + x];
        expected[0] = host.palette[4 * v + 2];
        expected[1] = host.palette[4 * v + 1];
        expected[2] = host.palette[4 * v];
        expected[3] = v == host.transparent ? 0 : 255;
      } else {
        const uint8_t* b = &host.pixels[(y * 13 + x) * 4];
        expected[0] = b[2], expected[1] = b[1], expected[2] = b[0], expected[3] = b[3];
      }
      ASSERT_EQ(std::memcmp(o, expected, 4), 0) << x << "," << y;
    }
  for (size_t y = 0; y < 7; ++y) EXPECT_EQ(rgba[y * stride + 4 * 13], 0xEE) << "padding of row " << y;
  if (info.indexed) {
    std::vector<uint8_t> indices(13 * 7);
    uint8_t palette[1024];
    int32_t transparent = -5;
    ASSERT_EQ(dov_decoder_frame_indexed(d.get(), 0, indices.data(), 13, indices.size(), palette, &transparent), DOV_OK);
    EXPECT_EQ(indices, std::vector<uint8_t>(host.pixels.begin(), host.pixels.begin() + 13 * 7));
    EXPECT_EQ(transparent, host.transparent);
    EXPECT_EQ(transparent, info.transparent_index);
  }
}

INSTANTIATE_TEST_SUITE_P(Decoder, HostFrame, ::testing::Values(1, 4, 8, 15, 16, 24, 32));

TEST(Decoder, LayersTellWhatTheyHoldAndGiveTheirPixelsAlone) {
  DocSpec layout;
  dorv::testing::FrameSpec frame = PatternFrame(6, 4, 24);
  frame.layers[0].name = "sky";
  frame.layers[0].trans = 0x000000;  // the first pixel's value (x = y = 0) is 0
  dorv::testing::LayerSpec top = PatternFrame(6, 4, 24, 9).layers[0];
  top.name = "top";
  top.visible = false;
  top.alpha = 100;
  top.alphaOn = true;
  top.alphaRows = std::vector<uint8_t>(8 * 4, 77);
  frame.layers.push_back(top);
  layout.frames.push_back(frame);
  Decoder d = Read(dorv::testing::WriteDov(layout));
  dov_layer_info sky, upper;
  ASSERT_EQ(dov_decoder_get_layer_info(d.get(), 0, 0, &sky), DOV_OK);
  ASSERT_EQ(dov_decoder_get_layer_info(d.get(), 0, 1, &upper), DOV_OK);
  EXPECT_STREQ(sky.name, "sky");
  EXPECT_EQ(sky.key, 0);
  EXPECT_STREQ(sky.coding, "zlib rows");
  EXPECT_STREQ(upper.name, "top");
  EXPECT_EQ(upper.visible, 0);
  EXPECT_EQ(upper.opacity, 100);
  EXPECT_EQ(upper.has_alpha_plane, 1);
  EXPECT_EQ(upper.alpha_on, 1);
  std::vector<uint8_t> rgba(6 * 4 * 4);
  ASSERT_EQ(dov_decoder_layer_rgba(d.get(), 0, 0, rgba.data(), 24, rgba.size()), DOV_OK);
  EXPECT_EQ(rgba[3], 0) << "the key is clear";
  EXPECT_EQ(rgba[7], 255);
  ASSERT_EQ(dov_decoder_layer_rgba(d.get(), 0, 1, rgba.data(), 24, rgba.size()), DOV_OK);
  EXPECT_EQ(rgba[3], 77) << "the alpha plane";
}

// ---- Threads ------------------------------------------------------------------------------

TEST(Decoder, ThreadsOffGiveTheSamePixels) {
  const std::vector<uint8_t> doc = PatternDocument(1, 1024, 512, 32);  // planes worth a second thread
  Decoder two = Read(doc), one = NewDecoder();
  ASSERT_EQ(dov_decoder_set_threads(one.get(), 1), DOV_OK);
  ASSERT_EQ(dov_decoder_read_memory(one.get(), doc.data(), doc.size()), DOV_OK);
  EXPECT_EQ(FrameRgba(one.get(), 0), FrameRgba(two.get(), 0));
}

// ---- The save dialog -----------------------------------------------------------------------

TEST(SaveDialog, OffersLossyCodingFrom24Bits) {
  dov_save_dialog palette, colour;
  ASSERT_EQ(dov_describe_save_dialog(8, &palette), DOV_OK);
  ASSERT_EQ(dov_describe_save_dialog(32, &colour), DOV_OK);
  EXPECT_STREQ(colour.caption, "DorvStudio Format Options");
  EXPECT_EQ(palette.choice_count, 2u);
  ASSERT_EQ(colour.choice_count, 3u);
  EXPECT_STREQ(colour.choices[0], "通常圧縮");
  EXPECT_STREQ(colour.choices[1], "無圧縮");
  EXPECT_STREQ(colour.choices[2], "不可逆圧縮");
  EXPECT_EQ(colour.choice_values[2], DOV_COMPRESSION_LOSSY);
  EXPECT_EQ(colour.default_choice, 0u);
  EXPECT_EQ(colour.quality_default, DOV_DEFAULT_QUALITY);
  EXPECT_EQ(colour.quality_min, 1);
  EXPECT_EQ(colour.quality_max, 100);
  EXPECT_EQ(dov_describe_save_dialog(0, &colour), DOV_ERROR_INVALID_ARGUMENT);
}

}  // namespace
}  // namespace dov_test

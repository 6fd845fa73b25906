// Documents written and read through dov.h as the plug-in does: the encoder
// writes the very bytes the whole-document writer writes for the same
// frames, the reader refuses what it cannot open and rescues what it can.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "gimp/checked_size.h"
#include "gimp/encode_frames.h"
#include "gimp/read_document.h"
#include "libdov/document/document.h"

namespace dorv::gimp {
namespace {

// A frame of the format whose pixels follow a pattern of the seed; palette
// frames have four colours and their last index clear.
FramePicture Frame(dov_pixel_format format, int32_t w, int32_t h, uint8_t seed, int32_t delay = 100) {
  FramePicture f;
  f.format = format;
  f.width = w;
  f.height = h;
  f.delayMs = delay;
  const size_t bytes = format == DOV_PIXELS_RGBA ? 4 : format == DOV_PIXELS_RGB ? 3 : 1;
  for (size_t i = 0; i < size_t(w) * size_t(h) * bytes; ++i)
    f.pixels.push_back(format == DOV_PIXELS_INDEXED ? uint8_t((i + seed) % 4) : uint8_t(i * 7 + seed));
  if (format == DOV_PIXELS_INDEXED) {
    f.palette = {200, 10, 10, 10, 200, 10, 10, 10, 200, 0, 0, 0};
    f.transparent = 3;
  }
  return f;
}

frames::Picture AsDocumentPicture(const FramePicture& f) {
  frames::Picture p;
  switch (f.format) {
    case DOV_PIXELS_INDEXED: p.Kind = frames::PictureKind::Palette8; break;
    case DOV_PIXELS_GREY: p.Kind = frames::PictureKind::Grey8; break;
    case DOV_PIXELS_RGB: p.Kind = frames::PictureKind::Rgb24; break;
    default: p.Kind = frames::PictureKind::Rgba32; break;
  }
  p.Width = f.width;
  p.Height = f.height;
  p.Pixels = f.pixels;
  for (size_t i = 0; i + 2 < f.palette.size(); i += 3)
    p.Palette.push_back({f.palette[i], f.palette[i + 1], f.palette[i + 2]});
  p.TransparentIndex = f.transparent;
  p.DelayMilliseconds = f.delayMs;
  return p;
}

struct SameBytesCase {
  const char* what;
  std::vector<FramePicture> frames;
};

class EncodedBytes : public ::testing::TestWithParam<SameBytesCase> {};

TEST_P(EncodedBytes, AreTheWholeDocumentWritersForEveryCompression) {
  std::vector<frames::Picture> pictures;
  for (const FramePicture& f : GetParam().frames) pictures.push_back(AsDocumentPicture(f));
  for (const dov_compression coding : {DOV_COMPRESSION_ZLIB, DOV_COMPRESSION_NONE, DOV_COMPRESSION_LOSSY})
    for (const int quality : {1, 70, 100}) {
      frames::WriteOptions options;
      options.Coding = static_cast<frames::Compression>(coding);
      options.Quality = quality;
      const std::vector<uint8_t> expected = frames::WriteDocument(pictures, options);
      const EncodedDocument got = EncodeFrames(GetParam().frames, coding, quality);
      EXPECT_TRUE(std::ranges::equal(got.Bytes(), expected))
          << GetParam().what << ", compression " << coding << ", quality " << quality << ": " << got.size
          << " bytes against " << expected.size();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Frames, EncodedBytes,
    ::testing::Values(SameBytesCase{"one RGBA frame", {Frame(DOV_PIXELS_RGBA, 19, 7, 1)}},
                      SameBytesCase{"one RGB frame", {Frame(DOV_PIXELS_RGB, 33, 17, 2, 250)}},
                      SameBytesCase{"one grey frame", {Frame(DOV_PIXELS_GREY, 5, 40, 3)}},
                      SameBytesCase{"one palette frame", {Frame(DOV_PIXELS_INDEXED, 16, 16, 0, 40)}},
                      SameBytesCase{"colour frames",
                                    {Frame(DOV_PIXELS_RGB, 20, 10, 1, 100), Frame(DOV_PIXELS_RGBA, 20, 10, 2, 0)}},
                      SameBytesCase{"palette, grey and colour frames",
                                    {Frame(DOV_PIXELS_INDEXED, 8, 8, 0), Frame(DOV_PIXELS_GREY, 8, 8, 5, 30),
                                     Frame(DOV_PIXELS_RGBA, 8, 8, 9, 70)}}));

TEST(StoredCompression, IsZlibForLossyDocumentsWithPaletteOrGreyFrames) {
  const std::vector<FramePicture> colour = {Frame(DOV_PIXELS_RGB, 2, 2, 0), Frame(DOV_PIXELS_RGBA, 2, 2, 0)};
  const std::vector<FramePicture> withGrey = {Frame(DOV_PIXELS_RGB, 2, 2, 0), Frame(DOV_PIXELS_GREY, 2, 2, 0)};
  const std::vector<FramePicture> palette = {Frame(DOV_PIXELS_INDEXED, 2, 2, 0)};
  struct {
    const std::vector<FramePicture>& frames;
    dov_compression asked, stored;
  } cases[] = {{colour, DOV_COMPRESSION_LOSSY, DOV_COMPRESSION_LOSSY},
               {withGrey, DOV_COMPRESSION_LOSSY, DOV_COMPRESSION_ZLIB},
               {palette, DOV_COMPRESSION_LOSSY, DOV_COMPRESSION_ZLIB},
               {palette, DOV_COMPRESSION_NONE, DOV_COMPRESSION_NONE},
               {withGrey, DOV_COMPRESSION_ZLIB, DOV_COMPRESSION_ZLIB}};
  for (const auto& c : cases) EXPECT_EQ(StoredCompression(c.frames, c.asked), c.stored) << c.asked;
}

TEST(EncodeFrames, RefusesFramesItCannotWrite) {
  FramePicture shortRows = Frame(DOV_PIXELS_RGB, 4, 4, 0);
  shortRows.pixels.pop_back();
  FramePicture empty = Frame(DOV_PIXELS_RGBA, 4, 4, 0);
  empty.width = 0;
  FramePicture clearPastPalette = Frame(DOV_PIXELS_INDEXED, 4, 4, 0);
  clearPastPalette.transparent = 4;
  EXPECT_THROW(EncodeFrames(std::vector{shortRows}, DOV_COMPRESSION_ZLIB, 70), std::invalid_argument);
  EXPECT_THROW(EncodeFrames(std::vector{empty}, DOV_COMPRESSION_ZLIB, 70), std::invalid_argument);
  EXPECT_THROW(EncodeFrames(std::vector{clearPastPalette}, DOV_COMPRESSION_ZLIB, 70), std::runtime_error);
  EXPECT_THROW(EncodeFrames({}, DOV_COMPRESSION_ZLIB, 70), std::runtime_error);
}

TEST(ReadDocument, RefusesWhatHoldsNoFrameWithTheLibrarysReason) {
  const std::string text = "not a document\n";
  const std::vector<uint8_t> notDocument(text.begin(), text.end());
  const std::vector<uint8_t> magicOnly = {'D', 'o', 'r', 'v', 'X'};
  for (const std::vector<uint8_t>& bytes : {notDocument, magicOnly, std::vector<uint8_t>{}}) {
    try {
      ReadDocument(bytes);
      ADD_FAILURE() << bytes.size() << " bytes were read";
    } catch (const DocumentError& e) {
      EXPECT_STRNE(e.what(), "") << bytes.size() << " bytes";
    }
  }
}

TEST(ReadDocument, OpensTheWholeFramesOfADamagedDocument) {
  std::vector<FramePicture> frames;
  for (uint8_t i = 0; i < 4; ++i) frames.push_back(Frame(DOV_PIXELS_RGB, 64, 64, i));
  const EncodedDocument whole = EncodeFrames(frames, DOV_COMPRESSION_NONE, 70);
  const std::vector<uint8_t> cut(whole.data.get(), whole.data.get() + whole.size * 3 / 4);
  const DecoderHandle decoder = ReadDocument(cut);
  const dov_info info = DocumentInfo(*decoder);
  EXPECT_TRUE(info.damaged);
  EXPECT_STRNE(info.messages, "");
  EXPECT_EQ(info.frames_declared, 4u);
  EXPECT_GE(info.frame_count, 1u);
  EXPECT_LT(info.frame_count, 4u);
  EXPECT_THROW(FrameInfo(*decoder, info.frame_count), DocumentError);
}

TEST(CheckedSize, RefusesProductsThatWrap) {
  constexpr size_t kMax = std::numeric_limits<size_t>::max();
  EXPECT_EQ(CheckedPictureBytes(1 << 20, 1 << 20, 4), size_t{1} << 42);
  EXPECT_EQ(CheckedSizeMul(0, kMax), 0u);
  EXPECT_EQ(CheckedSizeMul(kMax, 1), kMax);
  EXPECT_THROW(CheckedSizeMul(kMax / 2 + 1, 2), std::length_error);
  EXPECT_THROW(CheckedPictureBytes(size_t{1} << 32, size_t{1} << 30, 4), std::length_error);
}

}  // namespace
}  // namespace dorv::gimp

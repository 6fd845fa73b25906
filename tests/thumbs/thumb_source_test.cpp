// The thumbnail handler's reader: a document's bytes in, its first frame
// fitted to the size asked out, with its transparency as alpha.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "support/hostile_files.h"
#include "thumbs/thumb_source.h"

namespace dorv::thumbs {
namespace {

using frames::Picture;
using frames::PictureKind;

// A picture whose pixel (x, y) has red x * 16, green y * 16, blue `blue`
// and full alpha; palette pictures take the same colours from a palette.
Picture Gradient(PictureKind kind, int32_t width, int32_t height, uint8_t blue = 7) {
  Picture p;
  p.Kind = kind;
  p.Width = width;
  p.Height = height;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const auto r = static_cast<uint8_t>(x * 16), g = static_cast<uint8_t>(y * 16);
      switch (kind) {
        case PictureKind::Palette8:
          p.Pixels.push_back(static_cast<uint8_t>(y * width + x));
          p.Palette.push_back({r, g, blue});
          break;
        case PictureKind::Rgb24:
          p.Pixels.insert(p.Pixels.end(), {r, g, blue});
          break;
        default:
          p.Pixels.insert(p.Pixels.end(), {r, g, blue, 255});
          break;
      }
    }
  return p;
}

std::vector<uint8_t> Document(const std::vector<Picture>& pictures) {
  return frames::WriteDocument(pictures);
}

const uint8_t* PixelAt(const frames::RgbaImage& image, int32_t x, int32_t y) {
  return image.Pixels.data() + (static_cast<size_t>(y) * image.Width + x) * 4;
}

struct FitCase {
  const char* name;
  PictureKind kind;
  int32_t width, height, size;
  int32_t expectWidth, expectHeight;
};

class Fit : public ::testing::TestWithParam<FitCase> {};

TEST_P(Fit, KeepsTheAspectWithinTheSquare) {
  const FitCase& c = GetParam();
  const frames::RgbaImage thumb =
      MakeThumbnail(Document({Gradient(c.kind, c.width, c.height)}), c.size);
  EXPECT_EQ(thumb.Width, c.expectWidth);
  EXPECT_EQ(thumb.Height, c.expectHeight);
  EXPECT_EQ(thumb.Pixels.size(), size_t(thumb.Width) * size_t(thumb.Height) * 4);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, Fit,
    ::testing::Values(FitCase{"WideReduced", PictureKind::Rgba32, 16, 8, 4, 4, 2},
                    FitCase{"TallReducedRoundsDown", PictureKind::Rgb24, 9, 15, 12, 7, 12},
                    FitCase{"OneLongerThanAsked", PictureKind::Rgba32, 17, 16, 16, 16, 15},
                    FitCase{"ExactlyTheSize", PictureKind::Palette8, 16, 16, 16, 16, 16},
                    FitCase{"EnlargedByWholeMultiple", PictureKind::Palette8, 7, 3, 32, 28, 12},
                    FitCase{"LessThanTwiceStaysAsItIs", PictureKind::Rgb24, 10, 4, 19, 10, 4},
                    FitCase{"OnePixelToTheLargest", PictureKind::Rgba32, 1, 1, 4096, 4096, 4096}),
    [](const ::testing::TestParamInfo<FitCase>& info) { return info.param.name; });

TEST(ThumbnailPixels, EnlargementRepeatsEachPixelAndClearsTheTransparentIndex) {
  Picture p = Gradient(PictureKind::Palette8, 3, 2);
  p.TransparentIndex = 4;  // the pixel at (1, 1)
  const frames::RgbaImage thumb = MakeThumbnail(Document({p}), 9);
  ASSERT_EQ(thumb.Width, 9);
  ASSERT_EQ(thumb.Height, 6);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 9; ++x) {
      const int32_t sx = x / 3, sy = y / 3;
      const uint8_t* px = PixelAt(thumb, x, y);
      const bool clear = sx == 1 && sy == 1;
      EXPECT_EQ(px[3], clear ? 0 : 255) << x << "," << y;
      if (!clear) {
        EXPECT_EQ(px[0], sx * 16) << x << "," << y;
        EXPECT_EQ(px[1], sy * 16) << x << "," << y;
      }
    }
}

TEST(ThumbnailPixels, ReductionKeepsAlphaAndLendsClearPixelsNoColour) {
  // Left half clear (with a colour of its own), right half opaque.
  Picture p;
  p.Kind = PictureKind::Rgba32;
  p.Width = 8;
  p.Height = 4;
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 8; ++x)
      p.Pixels.insert(p.Pixels.end(), x < 4 ? std::initializer_list<uint8_t>{0, 255, 0, 0}
                                            : std::initializer_list<uint8_t>{200, 10, 20, 255});
  const frames::RgbaImage thumb = MakeThumbnail(Document({p}), 2);
  ASSERT_EQ(thumb.Width, 2);
  ASSERT_EQ(thumb.Height, 1);
  EXPECT_EQ(PixelAt(thumb, 0, 0)[3], 0);
  EXPECT_EQ(std::vector<uint8_t>(PixelAt(thumb, 1, 0), PixelAt(thumb, 1, 0) + 4),
            (std::vector<uint8_t>{200, 10, 20, 255}));
}

TEST(ThumbnailFrames, TheFirstFrameEvenWhenTheRestIsDamaged) {
  const std::vector<Picture> frames = {Gradient(PictureKind::Rgb24, 6, 4, 1),
                                       Gradient(PictureKind::Rgb24, 6, 4, 99)};
  std::vector<uint8_t> bytes = Document(frames);
  const frames::RgbaImage whole = MakeThumbnail(bytes, 6);
  ASSERT_EQ(whole.Width, 6);
  EXPECT_EQ(PixelAt(whole, 5, 3)[2], 1) << "the first frame's blue";
  // Cut inside the last frame's planes: the first frame was read in full.
  bytes.resize(bytes.size() - 8);
  const frames::RgbaImage damaged = MakeThumbnail(bytes, 6);
  EXPECT_EQ(damaged.Pixels, whole.Pixels);
}

struct RefusedCase {
  const char* name;
  std::vector<uint8_t> bytes;
  int32_t size;
};

class Refused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(Refused, RaisesInsteadOfAThumbnail) {
  EXPECT_THROW(MakeThumbnail(GetParam().bytes, GetParam().size), frames::FramesError);
}

std::vector<uint8_t> Text(const std::string& text) { return {text.begin(), text.end()}; }

INSTANTIATE_TEST_SUITE_P(
    Inputs, Refused,
    ::testing::Values(RefusedCase{"Empty", {}, 96},
                    RefusedCase{"NotADocument", Text("\x89PNG\r\n\x1a\n not a document"), 96},
                    RefusedCase{"MagicOnly", Text("DorvX200"), 96},
                    RefusedCase{"SizeZero", Document({Gradient(PictureKind::Rgb24, 2, 2)}), 0},
                    RefusedCase{"SizeBeyondTheLargest",
                                Document({Gradient(PictureKind::Rgb24, 2, 2)}), 4097}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define DORV_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define DORV_UNDER_SANITIZER 1
#endif
#endif

#ifndef DORV_UNDER_SANITIZER
// Peak resident memory added by making the thumbnail, in MiB, measured in a
// child process so that nothing the test program holds is counted.
long ThumbnailGrowthMiB(const std::vector<uint8_t>& bytes) {
  const pid_t pid = fork();
  if (pid == 0) {
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    try {
      (void)MakeThumbnail(bytes, 256);
    } catch (...) {
    }
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    _exit(static_cast<int>(std::min<long>(255, (after.ru_maxrss - before.ru_maxrss) / 1024)));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
}
#endif

TEST(ThumbnailHostile, EveryHostileFileStaysWithin64MiB) {
#ifdef DORV_UNDER_SANITIZER
  GTEST_SKIP() << "the sanitizer's own memory would be counted";
#else
  for (const dorv::testing::HostileFile& file : dorv::testing::HostileFiles())
    EXPECT_LT(ThumbnailGrowthMiB(file.bytes), 64) << file.name;
#endif
}

TEST(ThumbnailHostile, EveryHostileFileEndsQuickly) {
  const auto started = std::chrono::steady_clock::now();
  for (const dorv::testing::HostileFile& file : dorv::testing::HostileFiles()) {
    try {
      const frames::RgbaImage thumb = MakeThumbnail(file.bytes, 256);
      EXPECT_LE(std::max(thumb.Width, thumb.Height), 256) << file.name;
    } catch (const std::exception&) {
      // Refused, as it should be for most of them.
    }
  }
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_LT(took, std::chrono::seconds(20)) << "the hostile set, all files together";
}

}  // namespace
}  // namespace dorv::thumbs

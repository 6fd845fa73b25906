// The gdk-pixbuf loader as GTK programs use it: whole files, animations
// stepped in time, files fed piece by piece, saves; every test document
// read as libdov reads it.
#include <gtest/gtest.h>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>

#include "desktop_documents.h"
#include "dov/dov.h"

namespace {

using desktop_test::Reading;

struct Unref {
  void operator()(gpointer p) const { g_object_unref(p); }
};
template <typename T>
using Ref = std::unique_ptr<T, Unref>;

struct ErrorFree {
  void operator()(GError* e) const { g_error_free(e); }
};
using Error = std::unique_ptr<GError, ErrorFree>;

constexpr int kShortestDelayMs = 20;

// The pixbuf's pixels as packed RGBA.
std::vector<uint8_t> RgbaOf(GdkPixbuf* pixbuf) {
  std::vector<uint8_t> out;
  const int w = gdk_pixbuf_get_width(pixbuf), h = gdk_pixbuf_get_height(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  EXPECT_TRUE(gdk_pixbuf_get_has_alpha(pixbuf));
  const guint8* p = gdk_pixbuf_read_pixels(pixbuf);
  for (int y = 0; y < h; ++y) out.insert(out.end(), p + size_t(y) * stride, p + size_t(y) * stride + 4 * size_t(w));
  return out;
}

// A frame placed at the top left of a canvas, the rest clear.
std::vector<uint8_t> OnCanvas(const desktop_test::Frame& f, uint32_t width, uint32_t height) {
  std::vector<uint8_t> out(size_t{width} * height * 4, 0);
  for (uint32_t y = 0; y < f.height; ++y)
    std::memcpy(&out[size_t{y} * width * 4], &f.rgba[size_t{y} * f.width * 4], size_t{f.width} * 4);
  return out;
}

struct Canvas {
  uint32_t width = 0, height = 0;
};
Canvas CanvasOf(const Reading& r) {
  Canvas c;
  for (const auto& f : r.frames) c = {std::max(c.width, f.width), std::max(c.height, f.height)};
  return c;
}

// Feeds the bytes to a loader in pieces of `piece` bytes.
Ref<GdkPixbufLoader> Feed(const std::vector<uint8_t>& bytes, size_t piece, bool* ok) {
  GError* error = nullptr;
  Ref<GdkPixbufLoader> loader(gdk_pixbuf_loader_new_with_type("dov", &error));
  EXPECT_TRUE(loader) << (error ? error->message : "");
  *ok = true;
  for (size_t at = 0; at < bytes.size() && *ok; at += piece)
    *ok = gdk_pixbuf_loader_write(loader.get(), bytes.data() + at, std::min(piece, bytes.size() - at), &error);
  if (*ok) *ok = gdk_pixbuf_loader_close(loader.get(), &error);
  else gdk_pixbuf_loader_close(loader.get(), nullptr);
  Error owned(error);
  return loader;
}

GTimeVal At(int64_t ms) {
  GTimeVal t;
  t.tv_sec = glong(1000000 + ms / 1000);
  t.tv_usec = glong(ms % 1000 * 1000);
  return t;
}

// Every document: stepped through an animation iterator at the times its
// frames start, each frame shown on the canvas with its delay; refused
// documents give an error.
TEST(PixbufLoader, StepsEveryDocumentFrameForFrame) {
  for (const auto& doc : desktop_test::Documents()) {
    SCOPED_TRACE(doc.name);
    const Reading expected = desktop_test::ReadWithLibdov(doc.bytes);
    bool ok = false;
    Ref<GdkPixbufLoader> loader = Feed(doc.bytes, 4096, &ok);
    EXPECT_EQ(ok, expected.read);
    if (!expected.read) continue;
    GdkPixbufAnimation* animation = gdk_pixbuf_loader_get_animation(loader.get());
    ASSERT_NE(animation, nullptr);
    const Canvas canvas = CanvasOf(expected);
    EXPECT_EQ(gdk_pixbuf_animation_get_width(animation), int(canvas.width));
    EXPECT_EQ(gdk_pixbuf_animation_get_height(animation), int(canvas.height));
    EXPECT_EQ(bool(gdk_pixbuf_animation_is_static_image(animation)), expected.frames.size() == 1);
    EXPECT_TRUE(RgbaOf(gdk_pixbuf_loader_get_pixbuf(loader.get())) ==
                OnCanvas(expected.frames[0], canvas.width, canvas.height));
    const GTimeVal start = At(0);
    Ref<GdkPixbufAnimationIter> iter(gdk_pixbuf_animation_get_iter(animation, &start));
    int64_t now = 0;
    for (size_t f = 0; f <= expected.frames.size(); ++f) {
      const size_t shown = f % expected.frames.size();  // played for ever
      SCOPED_TRACE("frame " + std::to_string(f));
      const GTimeVal t = At(now);
      gdk_pixbuf_animation_iter_advance(iter.get(), &t);
      const int delay = std::max(expected.frames[shown].delayMs, kShortestDelayMs);
      EXPECT_EQ(gdk_pixbuf_animation_iter_get_delay_time(iter.get()), expected.frames.size() == 1 ? -1 : delay);
      ASSERT_TRUE(RgbaOf(gdk_pixbuf_animation_iter_get_pixbuf(iter.get())) ==
                  OnCanvas(expected.frames[shown], canvas.width, canvas.height));
      now += delay;
    }
  }
}

// A GTK program's progressive reader hands the file over in any pieces.
TEST(PixbufLoader, PiecesOfAnySizeGiveTheSamePicture) {
  const auto& doc = desktop_test::Named("animation");
  const Reading expected = desktop_test::ReadWithLibdov(doc.bytes);
  for (size_t piece : {size_t{1}, size_t{7}, size_t{1} << 20}) {
    SCOPED_TRACE(piece);
    bool ok = false;
    Ref<GdkPixbufLoader> loader = Feed(doc.bytes, piece, &ok);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(RgbaOf(gdk_pixbuf_loader_get_pixbuf(loader.get())) == expected.frames[0].rgba);
  }
}

// Files: found by their content (the MIME type's magic), their size told,
// the first frame as a pixbuf, every frame as an animation.
TEST(PixbufLoader, OpensFilesByContent) {
  const std::string path = DORV_SAMPLES_DIR "/animation.dov";
  int width = 0, height = 0;
  GdkPixbufFormat* format = gdk_pixbuf_get_file_info(path.c_str(), &width, &height);
  ASSERT_NE(format, nullptr);
  gchar* name = gdk_pixbuf_format_get_name(format);
  EXPECT_STREQ(name, "dov");
  g_free(name);
  EXPECT_TRUE(gdk_pixbuf_format_is_writable(format));
  EXPECT_EQ(width, 96);
  EXPECT_EQ(height, 64);
  GError* error = nullptr;
  Ref<GdkPixbuf> pixbuf(gdk_pixbuf_new_from_file(path.c_str(), &error));
  ASSERT_TRUE(pixbuf) << error->message;
  const Reading expected = desktop_test::ReadWithLibdov(desktop_test::Named("animation").bytes);
  EXPECT_TRUE(RgbaOf(pixbuf.get()) == expected.frames[0].rgba);
  Ref<GdkPixbufAnimation> animation(gdk_pixbuf_animation_new_from_file(path.c_str(), &error));
  ASSERT_TRUE(animation) << error->message;
  EXPECT_FALSE(gdk_pixbuf_animation_is_static_image(animation.get()));
}

TEST(PixbufLoader, DamagedDocumentKeepsItsFramesAndSaysWhy) {
  const auto& doc = desktop_test::Named("truncated_animation");
  const Reading expected = desktop_test::ReadWithLibdov(doc.bytes);
  ASSERT_TRUE(expected.damaged);
  bool ok = false;
  Ref<GdkPixbufLoader> loader = Feed(doc.bytes, 4096, &ok);
  ASSERT_TRUE(ok);
  const gchar* damaged = gdk_pixbuf_get_option(gdk_pixbuf_loader_get_pixbuf(loader.get()), "damaged");
  ASSERT_NE(damaged, nullptr);
  EXPECT_EQ(std::string(damaged), expected.messages);
}

// A saved pixbuf is the document libdov's encoder writes for its pixels
// with the compression the options name; bad options are refused.
TEST(PixbufLoader, SavesOneFrameDocuments) {
  Ref<GdkPixbuf> rgba(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 7, 5));
  Ref<GdkPixbuf> rgb(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 7, 5));
  for (GdkPixbuf* p : {rgba.get(), rgb.get()}) {
    guint8* px = gdk_pixbuf_get_pixels(p);
    const int n = gdk_pixbuf_get_n_channels(p), stride = gdk_pixbuf_get_rowstride(p);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7 * n; ++x) px[y * stride + x] = guint8(x * 31 + y * 17 + (x % 4 == 3 ? 255 : 0));
  }
  struct Case {
    const char* name;
    GdkPixbuf* pixbuf;
    const char* key1;
    const char* value1;
    const char* key2;
    const char* value2;
    bool saved;
    int kind, quality;
  };
  const Case cases[] = {
      {"rgba default", rgba.get(), nullptr, nullptr, nullptr, nullptr, true, DOV_COMPRESSION_ZLIB, 0},
      {"rgba none", rgba.get(), "compression", "none", nullptr, nullptr, true, DOV_COMPRESSION_NONE, 0},
      {"rgb lossy", rgb.get(), "compression", "lossy", nullptr, nullptr, true, DOV_COMPRESSION_LOSSY, 0},
      {"rgb quality alone", rgb.get(), "quality", "55", nullptr, nullptr, true, DOV_COMPRESSION_LOSSY, 55},
      {"rgb zlib ignores quality", rgb.get(), "compression", "zlib", "quality", "55", true, DOV_COMPRESSION_ZLIB, 55},
      {"bad compression", rgb.get(), "compression", "png", nullptr, nullptr, false, 0, 0},
      {"quality 0", rgb.get(), "quality", "0", nullptr, nullptr, false, 0, 0},
      {"quality 101", rgb.get(), "quality", "101", nullptr, nullptr, false, 0, 0},
      {"quality text", rgb.get(), "quality", "9x", nullptr, nullptr, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gchar* keys[] = {const_cast<gchar*>(c.key1), const_cast<gchar*>(c.key2), nullptr};
    gchar* values[] = {const_cast<gchar*>(c.value1), const_cast<gchar*>(c.value2), nullptr};
    gchar* buffer = nullptr;
    gsize size = 0;
    GError* error = nullptr;
    const bool saved = gdk_pixbuf_save_to_bufferv(c.pixbuf, &buffer, &size, "dov", keys, values, &error);
    Error owned(error);
    EXPECT_EQ(saved, c.saved);
    if (!saved) {
      EXPECT_NE(error, nullptr);
      continue;
    }
    const std::vector<uint8_t> bytes(buffer, buffer + size);
    g_free(buffer);
    const bool alpha = gdk_pixbuf_get_has_alpha(c.pixbuf);
    EXPECT_TRUE(bytes == desktop_test::Encode(alpha ? DOV_PIXELS_RGBA : DOV_PIXELS_RGB, 7, 5,
                                              gdk_pixbuf_read_pixels(c.pixbuf),
                                              size_t(gdk_pixbuf_get_rowstride(c.pixbuf)), c.kind, c.quality));
  }
}

}  // namespace

// The Qt image-format plug-in as Qt programs use it (QImageReader,
// QImageWriter), built against one Qt version: every test document read
// frame for frame as libdov reads it, pictures written and read again.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>

#include <cstring>
#include <filesystem>

#include "desktop_documents.h"
#include "dov/dov.h"

namespace {

using desktop_test::Reading;

QByteArray Bytes(const std::vector<uint8_t>& v) {
  return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<int>(v.size()));
}
std::vector<uint8_t> Vector(const QByteArray& a) { return std::vector<uint8_t>(a.begin(), a.end()); }

// The picture's rows without Qt's padding, as RGBA.
std::vector<uint8_t> RgbaOf(const QImage& image) {
  const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
  std::vector<uint8_t> out;
  for (int y = 0; y < rgba.height(); ++y)
    out.insert(out.end(), rgba.constScanLine(y), rgba.constScanLine(y) + 4 * rgba.width());
  return out;
}

// Equal where a pixel shows; a clear pixel's colour is not kept.
bool SameVisible(std::vector<uint8_t> a, std::vector<uint8_t> b) {
  for (auto* v : {&a, &b})
    for (size_t i = 0; i + 3 < v->size(); i += 4)
      if ((*v)[i + 3] == 0) (*v)[i] = (*v)[i + 1] = (*v)[i + 2] = 0;
  return a == b;
}

TEST(QtPlugin, IsListedForReadingAndWriting) {
  EXPECT_TRUE(QImageReader::supportedImageFormats().contains("dov"));
  EXPECT_TRUE(QImageWriter::supportedImageFormats().contains("dov"));
  EXPECT_TRUE(QImageReader::supportedMimeTypes().contains("image/x-dorvstudio"));
}

// Every document: the frames libdov reads, in order, with their format,
// colour table, pixels and delays; refused documents give no frame.
TEST(QtPlugin, ReadsEveryDocumentFrameForFrame) {
  for (const auto& doc : desktop_test::Documents()) {
    SCOPED_TRACE(doc.name);
    const Reading expected = desktop_test::ReadWithLibdov(doc.bytes);
    QByteArray bytes = Bytes(doc.bytes);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "dov");
    if (!expected.read) {
      QImage image;
      EXPECT_FALSE(reader.read(&image));
      EXPECT_EQ(reader.imageCount(), 0);
      EXPECT_EQ(reader.text("Error").toStdString(), expected.error);
      continue;
    }
    EXPECT_EQ(reader.size(), QSize(int(expected.width), int(expected.height)));
    ASSERT_EQ(reader.imageCount(), int(expected.frames.size()));
    EXPECT_EQ(reader.loopCount(), expected.frames.size() > 1 ? -1 : 0);
    EXPECT_EQ(reader.imageFormat(), expected.frames[0].indexed ? QImage::Format_Indexed8 : QImage::Format_ARGB32);
    for (size_t f = 0; f < expected.frames.size(); ++f) {
      SCOPED_TRACE("frame " + std::to_string(f));
      const auto& want = expected.frames[f];
      ASSERT_TRUE(reader.canRead());
      QImage image;
      ASSERT_TRUE(reader.read(&image)) << reader.errorString().toStdString();
      EXPECT_EQ(reader.currentImageNumber(), int(f));
      EXPECT_EQ(reader.nextImageDelay(), want.delayMs);
      ASSERT_EQ(image.size(), QSize(int(want.width), int(want.height)));
      EXPECT_EQ(image.format(), want.indexed ? QImage::Format_Indexed8 : QImage::Format_ARGB32);
      if (want.indexed) {
        ASSERT_EQ(image.colorCount(), 256);
        for (int i = 0; i < 256; ++i) {
          const uint8_t* p = &want.palette[4 * size_t(i)];
          ASSERT_EQ(image.color(i), qRgba(p[0], p[1], p[2], p[3])) << "entry " << i;
        }
        for (int y = 0; y < image.height(); ++y)
          ASSERT_EQ(std::memcmp(image.constScanLine(y), &want.indices[size_t(y) * want.width], want.width), 0);
      }
      EXPECT_TRUE(RgbaOf(image) == want.rgba);
      EXPECT_EQ(image.text("Damaged").toStdString(), expected.damaged ? expected.messages : "");
    }
    EXPECT_FALSE(reader.canRead());
    QImage past;
    EXPECT_FALSE(reader.read(&past));
  }
}

TEST(QtPlugin, DamagedDocumentKeepsItsFramesAndSaysWhy) {
  const auto& doc = desktop_test::Named("truncated_animation");
  const Reading expected = desktop_test::ReadWithLibdov(doc.bytes);
  ASSERT_TRUE(expected.damaged);
  QByteArray bytes = Bytes(doc.bytes);
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "dov");
  EXPECT_EQ(reader.text("Damaged").toStdString(), expected.messages);
  EXPECT_EQ(reader.imageCount(), int(expected.frames.size()));
}

// Viewers ask for the size first: a current file's header tells it, so a
// file cut after its header still has one, and nothing is consumed.
TEST(QtPlugin, TellsTheSizeFromTheHeaderAlone) {
  std::vector<uint8_t> cut = desktop_test::Named("animation").bytes;
  const Reading expected = desktop_test::ReadWithLibdov(cut);
  const size_t headerEnd = 12 + (size_t{cut[8]} | size_t{cut[9]} << 8 | size_t{cut[10]} << 16 | size_t{cut[11]} << 24);
  cut.resize(headerEnd);
  QByteArray bytes = Bytes(cut);
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "dov");
  EXPECT_EQ(reader.size(), QSize(int(expected.width), int(expected.height)));
  EXPECT_EQ(buffer.pos(), 0);  // only peeked
}

TEST(QtPlugin, JumpsToAFrame) {
  QImageReader reader(QString(DORV_SAMPLES_DIR "/animation.dov"));
  const Reading expected = desktop_test::ReadWithLibdov(desktop_test::Named("animation").bytes);
  ASSERT_TRUE(reader.jumpToImage(2));
  QImage image;
  ASSERT_TRUE(reader.read(&image));
  EXPECT_TRUE(RgbaOf(image) == expected.frames[2].rgba);
  EXPECT_FALSE(reader.jumpToImage(3));
  EXPECT_FALSE(reader.jumpToImage(-1));
}

// Found by content without a format: the magics; a legacy file without one
// only by its name.
TEST(QtPlugin, FindsDocumentsByMagicOrName) {
  const std::string dir = desktop_test::TempDir();
  struct Case {
    const char* doc;
    const char* file;
    bool found;
  };
  const Case cases[] = {
      {"animation", "a.bin", true},
      {"legacy_no_magic", "legacy.dov", true},
      {"legacy_no_magic", "legacy.DOV", true},
      {"legacy_no_magic", "legacy.bin", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const QString path = QString::fromStdString(dir + "/" + c.file);
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(Bytes(desktop_test::Named(c.doc).bytes));
    out.close();
    QImageReader reader(path);
    EXPECT_EQ(reader.canRead(), c.found);
    if (c.found) {
      EXPECT_EQ(reader.format(), "dov");
    }
    QImage image;
    EXPECT_EQ(reader.read(&image), c.found);
    QFile::remove(path);
  }
  std::filesystem::remove_all(dir);
}

// A picture written through QImageWriter is the document libdov's encoder
// writes for it with the compression the options ask for, and reads back.
TEST(QtPlugin, WritesOneFrameDocuments) {
  QImage argb(7, 5, QImage::Format_ARGB32);
  QImage rgb(7, 5, QImage::Format_RGB32);
  QImage grey(7, 5, QImage::Format_Grayscale8);
  QImage indexed(7, 5, QImage::Format_Indexed8);
  indexed.setColorTable({qRgb(10, 20, 30), qRgba(0, 0, 0, 0), qRgb(200, 100, 50)});
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) {
      argb.setPixel(x, y, qRgba(x * 30, y * 40, 90, x == 0 ? 0 : 200 + y));
      rgb.setPixel(x, y, qRgb(x * 30, y * 40, 90));
      grey.setPixel(x, y, qRgb(x * 30, x * 30, x * 30));
      indexed.setPixel(x, y, uint((x + y) % 3));
    }
  const QImage argbStraight = argb.convertToFormat(QImage::Format_RGBA8888);
  const QImage rgbPacked = rgb.convertToFormat(QImage::Format_RGB888);
  const std::vector<uint8_t> palette = {10, 20, 30, 0, 0, 0, 200, 100, 50};
  struct Case {
    const char* name;
    QImage image;
    int quality, compression;  // as set on the writer; -1 unset
    int format, kind, encodedQuality;
    const QImage* pixels;
  };
  const Case cases[] = {
      {"rgba zlib", argb, -1, -1, DOV_PIXELS_RGBA, DOV_COMPRESSION_ZLIB, 0, &argbStraight},
      {"rgba none", argb, -1, 0, DOV_PIXELS_RGBA, DOV_COMPRESSION_NONE, 0, &argbStraight},
      {"rgba lossy 80", argb, 80, -1, DOV_PIXELS_RGBA, DOV_COMPRESSION_LOSSY, 80, &argbStraight},
      {"rgb lossy 0", rgb, 0, -1, DOV_PIXELS_RGB, DOV_COMPRESSION_LOSSY, 1, &rgbPacked},
      {"rgb zlib ratio", rgb, -1, 50, DOV_PIXELS_RGB, DOV_COMPRESSION_ZLIB, 0, &rgbPacked},
      {"grey", grey, -1, -1, DOV_PIXELS_GREY, DOV_COMPRESSION_ZLIB, 0, &grey},
      {"indexed", indexed, -1, -1, DOV_PIXELS_INDEXED, DOV_COMPRESSION_ZLIB, 0, &indexed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QByteArray written;
    QBuffer buffer(&written);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "dov");
    if (c.quality >= 0) writer.setQuality(c.quality);
    if (c.compression >= 0) writer.setCompression(c.compression);
    ASSERT_TRUE(writer.write(c.image)) << writer.errorString().toStdString();
    const std::vector<uint8_t> expected = desktop_test::Encode(
        c.format, uint32_t(c.pixels->width()), uint32_t(c.pixels->height()), c.pixels->constBits(),
        size_t(c.pixels->bytesPerLine()), c.kind, c.encodedQuality, c.format == DOV_PIXELS_INDEXED ? palette
                                                                                                 : std::vector<uint8_t>{},
        c.format == DOV_PIXELS_INDEXED ? 1 : -1);
    EXPECT_TRUE(Vector(written) == expected);

    buffer.close();
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "dov");
    QImage back;
    ASSERT_TRUE(reader.read(&back));
    if (c.kind != DOV_COMPRESSION_LOSSY) {
      EXPECT_TRUE(SameVisible(RgbaOf(back), RgbaOf(c.image)));
    }
    EXPECT_EQ(back.size(), c.image.size());
  }
}

// Colour tables that would lose alpha in a palette are written as RGBA.
TEST(QtPlugin, PartlyClearPaletteIsWrittenWithoutLoss) {
  QImage indexed(3, 2, QImage::Format_Indexed8);
  indexed.setColorTable({qRgba(10, 20, 30, 128), qRgb(1, 2, 3), qRgba(0, 0, 0, 0)});
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) indexed.setPixel(x, y, uint(x));
  QByteArray written;
  QBuffer buffer(&written);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(QImageWriter(&buffer, "dov").write(indexed));
  const Reading back = desktop_test::ReadWithLibdov(Vector(written));
  ASSERT_EQ(back.frames.size(), 1u);
  EXPECT_FALSE(back.frames[0].indexed);
  EXPECT_TRUE(SameVisible(back.frames[0].rgba, RgbaOf(indexed)));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

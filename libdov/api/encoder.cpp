// The encoder: frames collected from the caller's pictures, then written as
// one document. A document of one frame is written the way the host's save
// writes it.
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "converter/converts/convert_impl.h"
#include "converter/core/checked.h"
#include "converter/core/format_names.h"
#include "converter/streams/stream.h"
#include "dov/dov.h"
#include "libdov/api/guard.h"
#include "libdov/api/handles.h"

// The public default is the converter's, spelled again for C callers.
static_assert(DOV_DEFAULT_QUALITY == dorv::defaults::kQuality);

namespace {

using dov::ApiError;
using Frame = dov_encoder::Frame;

// A C caller may put any int in an enum: it is read as an int, and only a
// known value is taken as the enum.
template <typename Enum>
int AsInt(const Enum& value) {
  static_assert(sizeof(Enum) == sizeof(int));
  int raw;
  std::memcpy(&raw, &value, sizeof raw);
  return raw;
}

dov_pixel_format KnownFormat(const dov_picture& p) {
  const int raw = AsInt(p.format);
  if (raw < DOV_PIXELS_RGBA || raw > DOV_PIXELS_MONO) throw ApiError{DOV_ERROR_INVALID_ARGUMENT, "unknown pixel format"};
  return static_cast<dov_pixel_format>(raw);
}

// The host's image modes, which decide how a save reads the rows.
constexpr int32_t kModeBitmap = 0;
constexpr int32_t kModeGreyscale = 1;
constexpr int32_t kModeIndexed = 2;
constexpr int32_t kModeRGB = 3;

struct HostLayout {
  int32_t planes, depth, mode;
};

HostLayout LayoutOf(dov_pixel_format format) {
  switch (format) {
    case DOV_PIXELS_RGBA: return {4, 8, kModeRGB};
    case DOV_PIXELS_RGB: return {3, 8, kModeRGB};
    case DOV_PIXELS_GREY: return {1, 8, kModeGreyscale};
    case DOV_PIXELS_GREY_ALPHA: return {2, 8, kModeGreyscale};
    case DOV_PIXELS_INDEXED: return {1, 8, kModeIndexed};
    case DOV_PIXELS_MONO: return {1, 1, kModeBitmap};
  }
  throw ApiError{DOV_ERROR_INVALID_ARGUMENT, "unknown pixel format"};
}

size_t RowBytes(const Frame& f) {
  const HostLayout l = LayoutOf(f.format);
  return static_cast<size_t>((uint64_t{f.width} * static_cast<uint64_t>(l.planes * l.depth) + 7) / 8);
}

Frame CopyPicture(const dov_picture& p, int32_t delayMs) {
  if (p.width == 0 || p.height == 0) throw ApiError{DOV_ERROR_INVALID_ARGUMENT, "the picture has no pixels"};
  if (p.width > uint32_t{1} << 20 || p.height > uint32_t{1} << 20)
    throw ApiError{DOV_ERROR_INVALID_ARGUMENT, "the picture is wider or taller than 1048576 pixels"};
  if (p.pixels == nullptr) throw ApiError{DOV_ERROR_INVALID_ARGUMENT, "the pixels are null"};
  Frame f;
  f.format = KnownFormat(p);
  f.width = p.width;
  f.height = p.height;
  f.delayMs = delayMs;
  const size_t rowBytes = RowBytes(f);
  if (p.stride < rowBytes) throw ApiError{DOV_ERROR_BUFFER_TOO_SMALL, "the stride is shorter than a row"};
  if (f.format == DOV_PIXELS_INDEXED) {
    if (p.palette == nullptr || p.palette_size == 0 || p.palette_size > 256)
      throw ApiError{DOV_ERROR_INVALID_ARGUMENT, "an indexed picture needs a palette of 1 to 256 colours"};
    if (p.transparent_index < -1 || p.transparent_index >= static_cast<int32_t>(p.palette_size))
      throw ApiError{DOV_ERROR_INVALID_ARGUMENT, "the transparent index is not in the palette"};
    f.palette.assign(p.palette, p.palette + 3 * size_t{p.palette_size});
    f.transparent = p.transparent_index;
  }
  f.pixels.resize(static_cast<size_t>(dorv::CheckedMul(rowBytes, p.height)));
  for (size_t y = 0; y < p.height; ++y) std::memcpy(f.pixels.data() + rowBytes * y, p.pixels + p.stride * y, rowBytes);
  return f;
}

// The caller's thread setting, on top of the environment's.
dorv::TRunner Runner(const dov_encoder& e) { return dorv::TRunner(e.threads != 1); }

// One frame, as the host hands its picture to the converter's save.
std::vector<uint8_t> WriteOne(const dov_encoder& e, const Frame& f) {
  const HostLayout l = LayoutOf(f.format);
  std::array<uint8_t, 256> red{}, green{}, blue{};
  if (f.format == DOV_PIXELS_INDEXED) {
    for (size_t i = 0; i < f.palette.size() / 3; ++i) {
      red[i] = f.palette[3 * i];
      green[i] = f.palette[3 * i + 1];
      blue[i] = f.palette[3 * i + 2];
    }
  } else {
    for (size_t i = 0; i < 256; ++i) red[i] = green[i] = blue[i] = static_cast<uint8_t>(i);
  }
  // The frame's own rows are handed over as they are; only 1-bit rows are
  // copied, to be inverted.
  std::vector<uint8_t> inverted;
  const uint8_t* rows = f.pixels.data();
  if (f.format == DOV_PIXELS_MONO) {
    // In the host's bitmap mode a set bit is black.
    inverted = f.pixels;
    rows = inverted.data();
    const size_t rowBytes = RowBytes(f);
    const unsigned spare = static_cast<unsigned>(rowBytes * 8 - f.width);
    const uint8_t lastMask = static_cast<uint8_t>(0xFF << spare);
    for (size_t y = 0; y < f.height; ++y) {
      uint8_t* row = inverted.data() + rowBytes * y;
      for (size_t x = 0; x < rowBytes; ++x) row[x] = static_cast<uint8_t>(~row[x]);
      row[rowBytes - 1] &= lastMask;
    }
  }
  const dorv::TWriteRequest request{nullptr,     static_cast<int32_t>(f.width), static_cast<int32_t>(f.height),
                                    l.planes,    l.depth,                        rows,
                                    red.data(),  green.data(),                   blue.data(),
                                    f.transparent, static_cast<int32_t>(e.compression), e.quality,
                                    0,           l.mode};
  dorv::TMemoryStream out;
  if (!dorv::ConvertWriteToStream(request, out, dorv::frames::MillisecondsToDelay(f.delayMs), Runner(e)))
    throw ApiError{DOV_ERROR_INVALID_ARGUMENT, "the picture cannot be written"};
  return out.TakeBytes();
}

dorv::frames::Picture ToDocumentPicture(const Frame& f) {
  using dorv::frames::PictureKind;
  dorv::frames::Picture p;
  p.Width = static_cast<int32_t>(f.width);
  p.Height = static_cast<int32_t>(f.height);
  p.DelayMilliseconds = f.delayMs;
  const size_t n = size_t{f.width} * f.height;
  switch (f.format) {
    case DOV_PIXELS_RGBA: p.Kind = PictureKind::Rgba32; p.Pixels = f.pixels; break;
    case DOV_PIXELS_RGB: p.Kind = PictureKind::Rgb24; p.Pixels = f.pixels; break;
    case DOV_PIXELS_GREY: p.Kind = PictureKind::Grey8; p.Pixels = f.pixels; break;
    case DOV_PIXELS_GREY_ALPHA:
      p.Kind = PictureKind::Rgba32;
      p.Pixels.resize(4 * n);
      for (size_t i = 0; i < n; ++i) {
        p.Pixels[4 * i] = p.Pixels[4 * i + 1] = p.Pixels[4 * i + 2] = f.pixels[2 * i];
        p.Pixels[4 * i + 3] = f.pixels[2 * i + 1];
      }
      break;
    case DOV_PIXELS_INDEXED:
      p.Kind = PictureKind::Palette8;
      p.Pixels = f.pixels;
      for (size_t i = 0; i < f.palette.size() / 3; ++i)
        p.Palette.push_back({f.palette[3 * i], f.palette[3 * i + 1], f.palette[3 * i + 2]});
      p.TransparentIndex = f.transparent;
      break;
    case DOV_PIXELS_MONO: {
      // Two colours, black and white, as indices.
      p.Kind = PictureKind::Palette8;
      p.Palette = {{0, 0, 0}, {255, 255, 255}};
      p.Pixels.resize(n);
      const size_t rowBytes = RowBytes(f);
      for (size_t y = 0; y < f.height; ++y)
        for (size_t x = 0; x < f.width; ++x)
          p.Pixels[y * f.width + x] = (f.pixels[y * rowBytes + x / 8] >> (7 - x % 8)) & 1;
      break;
    }
  }
  return p;
}

std::vector<uint8_t> Encode(const dov_encoder& e) {
  if (e.frames.empty()) throw ApiError{DOV_ERROR_NO_FRAMES, "no frame has been added"};
  if (e.frames.size() == 1) return WriteOne(e, e.frames[0]);
  std::vector<dorv::frames::Picture> pictures;
  pictures.reserve(e.frames.size());
  for (const Frame& f : e.frames) pictures.push_back(ToDocumentPicture(f));
  dorv::frames::WriteOptions options;
  options.Coding = static_cast<dorv::frames::Compression>(e.compression);
  options.Quality = e.quality;
  return dorv::frames::WriteDocument(pictures, options, Runner(e));
}

}  // namespace

extern "C" {

dov_encoder* dov_encoder_create(void) {
  try {
    return new dov_encoder;
  } catch (...) {
    return nullptr;
  }
}

void dov_encoder_destroy(dov_encoder* encoder) { delete encoder; }

dov_error dov_encoder_set_compression(dov_encoder* e, dov_compression compression, int quality) {
  if (e == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  const int raw = AsInt(compression);
  if (raw < DOV_COMPRESSION_ZLIB || raw > DOV_COMPRESSION_LOSSY)
    return dov::Report(e->error, DOV_ERROR_INVALID_ARGUMENT, "unknown compression");
  if (quality < 0 || quality > 100)
    return dov::Report(e->error, DOV_ERROR_INVALID_ARGUMENT, "the quality must be 1 to 100 (0 for the default)");
  e->compression = static_cast<dov_compression>(raw);
  e->quality = quality == 0 ? DOV_DEFAULT_QUALITY : quality;
  e->error.clear();
  return DOV_OK;
}

dov_error dov_encoder_set_threads(dov_encoder* e, int threads) {
  if (e == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  e->threads = threads == 1 ? 1 : 0;
  return DOV_OK;
}

dov_error dov_encoder_add_frame(dov_encoder* e, const dov_picture* picture, int32_t delay_ms) {
  if (e == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  if (picture == nullptr) return dov::Report(e->error, DOV_ERROR_INVALID_ARGUMENT, "the picture is null");
  return dov::Guard(e->error, [&] {
    if (delay_ms < 0) throw ApiError{DOV_ERROR_INVALID_ARGUMENT, "the delay is negative"};
    e->frames.push_back(CopyPicture(*picture, delay_ms));
  });
}

uint32_t dov_encoder_frame_count(const dov_encoder* e) {
  return e == nullptr ? 0 : static_cast<uint32_t>(e->frames.size());
}

dov_error dov_encoder_write_memory(dov_encoder* e, uint8_t** data, size_t* size) {
  if (e == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  if (data == nullptr || size == nullptr)
    return dov::Report(e->error, DOV_ERROR_INVALID_ARGUMENT, "the data or size pointer is null");
  *data = nullptr;
  *size = 0;
  return dov::Guard(e->error, [&] {
    const std::vector<uint8_t> bytes = Encode(*e);
    // Handed over in memory that dov_free gives back.
    auto* out = static_cast<uint8_t*>(std::malloc(bytes.empty() ? 1 : bytes.size()));
    if (out == nullptr) throw std::bad_alloc();
    std::memcpy(out, bytes.data(), bytes.size());
    *data = out;
    *size = bytes.size();
  });
}

dov_error dov_encoder_write_file(dov_encoder* e, const char* path) {
  if (e == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  if (path == nullptr) return dov::Report(e->error, DOV_ERROR_INVALID_ARGUMENT, "the path is null");
  return dov::Guard(e->error, [&] {
    const std::vector<uint8_t> bytes = Encode(*e);
    const std::filesystem::path file(std::u8string(reinterpret_cast<const char8_t*>(path)));
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw ApiError{DOV_ERROR_IO, std::string(path) + ": cannot be written"};
  });
}

dov_error dov_encoder_write_callback(dov_encoder* e, dov_write_fn write, void* user) {
  if (e == nullptr) return DOV_ERROR_INVALID_ARGUMENT;
  if (write == nullptr) return dov::Report(e->error, DOV_ERROR_INVALID_ARGUMENT, "the write callback is null");
  return dov::Guard(e->error, [&] {
    const std::vector<uint8_t> bytes = Encode(*e);
    constexpr size_t kChunk = size_t{1} << 20;
    for (size_t at = 0; at < bytes.size(); at += kChunk) {
      const size_t n = std::min(kChunk, bytes.size() - at);
      if (write(user, bytes.data() + at, n) == 0) throw ApiError{DOV_ERROR_IO, "the write callback failed"};
    }
  });
}

const char* dov_encoder_error_message(const dov_encoder* e) { return e == nullptr ? "" : e->error.c_str(); }

}  // extern "C"

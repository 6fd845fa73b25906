#include "tools/png_io.h"

#include <errno.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "tools/tool_limits.h"
#include "tools/input_file.h"
#include "tools/output_file.h"

namespace dorv::tools {

size_t PngImage::Channels() const {
  switch (color) {
    case PngColor::Palette:
    case PngColor::Grey: return 1;
    case PngColor::GreyAlpha: return 2;
    case PngColor::RGB: return 3;
    case PngColor::RGBA: return 4;
  }
  return 4;
}

size_t PngImage::RowBytes() const {
  return static_cast<size_t>((uint64_t{width} * Channels() * static_cast<uint64_t>(bitDepth) + 7) / 8);
}

namespace {

// libpng reports errors through this record and leaves the calling function
// by longjmp, so the functions that call into libpng below keep no object
// with a destructor in their own frame.
struct ErrorSink {
  char message[256] = {};
};

void OnError(png_structp png, png_const_charp text) {
  auto* sink = static_cast<ErrorSink*>(png_get_error_ptr(png));
  std::snprintf(sink->message, sizeof sink->message, "%s", text ? text : "PNG error");
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Memory the PNG is read from or written to.
struct MemoryIn {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t n) {
  auto* in = static_cast<MemoryIn*>(png_get_io_ptr(png));
  if (n > in->size - in->pos) png_error(png, "file ends early");
  std::memcpy(out, in->data + in->pos, n);
  in->pos += n;
}

void WriteToMemory(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  bool failed = false;
  try {
    out->insert(out->end(), data, data + n);
  } catch (...) {
    failed = true;
  }
  if (failed) png_error(png, "out of memory");
}

void FlushMemory(png_structp) {}

struct ReadStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadStructs() { png_destroy_read_struct(&png, &info, nullptr); }
};

struct WriteStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~WriteStructs() { png_destroy_write_struct(&png, &info); }
};

// Reads the header, sets the transforms and reads every row. Returns false
// when libpng raised an error (the sink holds its text).
bool ReadInto(png_structp png, png_infop info, MemoryIn* file, PngImage* image,
              std::vector<png_bytep>* rowPointers) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, file, ReadFromMemory);
  png_set_user_limits(png, static_cast<png_uint_32>(limits::kMaxDimension),
                      static_cast<png_uint_32>(limits::kMaxDimension));
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int depth = 0, type = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &type, &interlace, nullptr, nullptr);
  if (uint64_t{width} * height > limits::kMaxSurfacePixels) png_error(png, "picture too large");
  const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  image->sourceBitDepth = depth;

  if (depth == 16) png_set_scale_16(png);
  image->bitDepth = 8;
  switch (type) {
    case PNG_COLOR_TYPE_PALETTE: {
      image->color = PngColor::Palette;
      if (depth < 8) png_set_packing(png);
      png_colorp entries = nullptr;
      int count = 0;
      if (!png_get_PLTE(png, info, &entries, &count)) png_error(png, "palette missing");
      png_bytep alpha = nullptr;
      int alphaCount = 0;
      if (hasTrns) png_get_tRNS(png, info, &alpha, &alphaCount, nullptr);
      image->palette.resize(static_cast<size_t>(count));
      for (int i = 0; i < count; ++i)
        image->palette[static_cast<size_t>(i)] = {entries[i].red, entries[i].green, entries[i].blue,
                                                  i < alphaCount ? alpha[i] : uint8_t{255}};
      break;
    }
    case PNG_COLOR_TYPE_GRAY:
      if (hasTrns) {
        png_set_tRNS_to_alpha(png);
        if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
        image->color = PngColor::GreyAlpha;
      } else {
        image->color = PngColor::Grey;
        if (depth == 1) image->bitDepth = 1;
        else if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
      }
      break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: image->color = PngColor::GreyAlpha; break;
    case PNG_COLOR_TYPE_RGB:
      if (hasTrns) png_set_tRNS_to_alpha(png);
      image->color = hasTrns ? PngColor::RGBA : PngColor::RGB;
      break;
    case PNG_COLOR_TYPE_RGB_ALPHA: image->color = PngColor::RGBA; break;
    default: png_error(png, "unsupported colour type");
  }
  if (interlace != PNG_INTERLACE_NONE) png_set_interlace_handling(png);
  png_read_update_info(png, info);

  image->width = width;
  image->height = height;
  const size_t stride = image->RowBytes();
  if (png_get_rowbytes(png, info) != stride) png_error(png, "unexpected row layout");
  if (uint64_t{stride} * height > limits::kMaxAllocationBytes) png_error(png, "picture too large");
  image->rows.assign(stride * height, 0);
  rowPointers->resize(height);
  for (png_uint_32 y = 0; y < height; ++y) (*rowPointers)[y] = image->rows.data() + stride * y;
  png_read_image(png, rowPointers->data());
  png_read_end(png, nullptr);
  return true;
}

int ColorType(PngColor color) {
  switch (color) {
    case PngColor::Palette: return PNG_COLOR_TYPE_PALETTE;
    case PngColor::Grey: return PNG_COLOR_TYPE_GRAY;
    case PngColor::GreyAlpha: return PNG_COLOR_TYPE_GRAY_ALPHA;
    case PngColor::RGB: return PNG_COLOR_TYPE_RGB;
    case PngColor::RGBA: return PNG_COLOR_TYPE_RGB_ALPHA;
  }
  return PNG_COLOR_TYPE_RGB_ALPHA;
}

bool WriteFrom(png_structp png, png_infop info, std::vector<uint8_t>* file, const PngImage& image,
               const png_color* entries, const png_byte* alpha, int alphaCount,
               png_bytep* rowPointers) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, file, WriteToMemory, FlushMemory);
  png_set_IHDR(png, info, image.width, image.height, image.bitDepth, ColorType(image.color),
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (image.color == PngColor::Palette) {
    png_set_PLTE(png, info, entries, static_cast<int>(image.palette.size()));
    if (alphaCount > 0) png_set_tRNS(png, info, alpha, alphaCount, nullptr);
  }
  png_write_info(png, info);
  png_write_image(png, rowPointers);
  png_write_end(png, nullptr);
  return true;
}

void CheckWritable(const PngImage& image) {
  if (image.width == 0 || image.height == 0) throw std::runtime_error("empty picture");
  if (image.width > static_cast<uint32_t>(limits::kMaxDimension) ||
      image.height > static_cast<uint32_t>(limits::kMaxDimension))
    throw std::runtime_error("picture too large");
  if (image.bitDepth != 8 && !(image.bitDepth == 1 && image.color == PngColor::Grey))
    throw std::runtime_error("unsupported bit depth");
  if (image.rows.size() != uint64_t{image.RowBytes()} * image.height)
    throw std::runtime_error("pixel rows do not match the picture size");
  if (image.color == PngColor::Palette && (image.palette.empty() || image.palette.size() > 256))
    throw std::runtime_error("a palette picture needs 1 to 256 palette entries");
}

}  // namespace

namespace {

// Whether the file carries an iCCP chunk before its pixels, whether or not
// libpng takes the profile for a sound one.
bool HasIccChunk(std::span<const uint8_t> bytes) {
  size_t at = 8;
  while (bytes.size() - at >= 8) {
    const uint64_t length = uint64_t{bytes[at]} << 24 | uint64_t{bytes[at + 1]} << 16 |
                            uint64_t{bytes[at + 2]} << 8 | bytes[at + 3];
    const auto* type = bytes.data() + at + 4;
    if (std::memcmp(type, "iCCP", 4) == 0) return true;
    if (std::memcmp(type, "IDAT", 4) == 0 || length > bytes.size() - at - 8) return false;
    at += 8 + static_cast<size_t>(length) + 4;
    if (at > bytes.size()) return false;
  }
  return false;
}

}  // namespace

PngImage DecodePng(std::span<const uint8_t> bytes) {
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) throw std::runtime_error("not a PNG file");
  MemoryIn file{bytes.data(), bytes.size()};
  ErrorSink sink;
  ReadStructs structs;
  structs.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &sink, OnError, OnWarning);
  if (structs.png == nullptr) throw std::runtime_error("out of memory");
  structs.info = png_create_info_struct(structs.png);
  if (structs.info == nullptr) throw std::runtime_error("out of memory");

  PngImage image;
  std::vector<png_bytep> rowPointers;
  if (!ReadInto(structs.png, structs.info, &file, &image, &rowPointers))
    throw std::runtime_error(std::string("bad PNG file: ") + sink.message);
  image.hadIccProfile = HasIccChunk(bytes);
  return image;
}

PngImage ReadPng(const std::string& path) { return DecodePng(ReadInputBytes(path)); }

std::vector<uint8_t> EncodePng(const PngImage& image) {
  CheckWritable(image);
  std::vector<png_color> entries;
  std::vector<png_byte> alpha;
  int alphaCount = 0;
  for (size_t i = 0; i < image.palette.size(); ++i) {
    const auto& e = image.palette[i];
    entries.push_back({e[0], e[1], e[2]});
    alpha.push_back(e[3]);
    if (e[3] != 255) alphaCount = static_cast<int>(i) + 1;
  }
  std::vector<png_bytep> rowPointers(image.height);
  const size_t stride = image.RowBytes();
  for (uint32_t y = 0; y < image.height; ++y)
    rowPointers[y] = const_cast<png_bytep>(image.rows.data() + stride * y);

  std::vector<uint8_t> file;
  ErrorSink sink;
  WriteStructs structs;
  structs.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, OnError, OnWarning);
  if (structs.png == nullptr) throw std::runtime_error("out of memory");
  structs.info = png_create_info_struct(structs.png);
  if (structs.info == nullptr) throw std::runtime_error("out of memory");
  if (!WriteFrom(structs.png, structs.info, &file, image, entries.data(), alpha.data(), alphaCount,
                 rowPointers.data()))
    throw std::runtime_error(std::string("cannot write PNG: ") + sink.message);
  return file;
}

void WritePng(const std::string& path, const PngImage& image) {
  const std::vector<uint8_t> file = EncodePng(image);
  WriteOutputFile(path, file);
}

}  // namespace dorv::tools

// JPEG coding of surfaces through libjpeg. libjpeg reports fatal errors
// through error_exit, which by default ends the process; here it jumps back
// to the guarded call that started the libjpeg work, which then raises
// EJpegError with libjpeg's formatted message. Warnings (corrupt or truncated
// data) are treated the same way, so a damaged picture is refused rather than
// decoded into a partly grey image. The libjpeg objects are destroyed by
// their owners on every path.
#include "converter/dibsfc/jpeg_codec.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "converter/core/errors.h"
#include "converter/core/limits.h"
#include "converter/core/messages.h"
#include "converter/dibsfc/dibsfc.h"

namespace dorv {
namespace {

struct ErrorTrap {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void TrapError(j_common_ptr info) {
  auto* trap = reinterpret_cast<ErrorTrap*>(info->err);
  (*info->err->format_message)(info, trap->message);
  std::longjmp(trap->jump, 1);
}

void TrapMessage(j_common_ptr info, int level) {
  if (level < 0) TrapError(info);  // a warning: the data is damaged
}

void IgnoreOutput(j_common_ptr) {}

void InstallTrap(ErrorTrap& trap) {
  jpeg_std_error(&trap.pub);
  trap.pub.error_exit = TrapError;
  trap.pub.emit_message = TrapMessage;
  trap.pub.output_message = IgnoreOutput;
  trap.message[0] = '\0';
}

// Runs libjpeg work; raises EJpegError when libjpeg failed. The work must
// not own anything that needs a destructor, since a failure jumps over it.
template <class Work>
void Guarded(ErrorTrap& trap, Work&& work) {
  if (setjmp(trap.jump) != 0) throw EJpegError(trap.message);
  work();
}

// --- Decoding ---------------------------------------------------------------

// Reads from a byte span; running out of data is a warning, and so an error.
struct SpanSource {
  jpeg_source_mgr pub;
  JOCTET eoi[2];
};

void SourceInit(j_decompress_ptr) {}
boolean SourceFill(j_decompress_ptr info) {
  auto* src = reinterpret_cast<SpanSource*>(info->src);
  WARNMS(info, JWRN_JPEG_EOF);
  src->eoi[0] = 0xFF;
  src->eoi[1] = JPEG_EOI;
  src->pub.next_input_byte = src->eoi;
  src->pub.bytes_in_buffer = 2;
  return TRUE;
}
void SourceSkip(j_decompress_ptr info, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* src = info->src;
  while (static_cast<size_t>(count) > src->bytes_in_buffer) {
    count -= static_cast<long>(src->bytes_in_buffer);
    (*src->fill_input_buffer)(info);
  }
  src->next_input_byte += count;
  src->bytes_in_buffer -= static_cast<size_t>(count);
}
void SourceTerm(j_decompress_ptr) {}

class Decoder {
 public:
  explicit Decoder(std::span<const uint8_t> file) {
    std::memset(&info_, 0, sizeof info_);
    std::memset(&source_, 0, sizeof source_);
    InstallTrap(trap_);
    info_.err = &trap_.pub;
    source_.pub.init_source = SourceInit;
    source_.pub.fill_input_buffer = SourceFill;
    source_.pub.skip_input_data = SourceSkip;
    source_.pub.resync_to_restart = jpeg_resync_to_restart;
    source_.pub.term_source = SourceTerm;
    source_.pub.next_input_byte = file.data();
    source_.pub.bytes_in_buffer = file.size();
  }
  ~Decoder() { jpeg_destroy_decompress(&info_); }  // safe on a half-made object
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  void ReadHeader() {
    Guarded(trap_, [this] {
      jpeg_create_decompress(&info_);
      info_.src = &source_.pub;
      jpeg_read_header(&info_, TRUE);
    });
    // Refuse sizes the surface could not hold before libjpeg reserves its
    // own buffers for them.
    const uint64_t pixels = uint64_t(info_.image_width) * uint64_t(info_.image_height);
    if (pixels > limits::kMaxSurfacePixels || info_.image_width > uint32_t(INT32_MAX) ||
        info_.image_height > uint32_t(INT32_MAX))
      throw EOutOfMemory(msg::kOutOfMemory);
  }
  int32_t Width() const { return static_cast<int32_t>(info_.image_width); }
  int32_t Height() const { return static_cast<int32_t>(info_.image_height); }

  // Decodes at the library's best quality into 24-bit rows, rowBytes
  // apart: Blue, Green, Red where the library can give that order (true is
  // returned), else Red, Green, Blue as libjpeg gives them.
  bool Decode(uint8_t* rows, size_t rowBytes) {
#ifdef JCS_EXTENSIONS
    constexpr J_COLOR_SPACE kSpace = JCS_EXT_BGR;
#else
    constexpr J_COLOR_SPACE kSpace = JCS_RGB;
#endif
    Guarded(trap_, [this, rows, rowBytes] {
      info_.out_color_space = kSpace;
      info_.dct_method = JDCT_ISLOW;
      info_.do_fancy_upsampling = TRUE;
      info_.do_block_smoothing = TRUE;
      info_.quantize_colors = FALSE;
      info_.scale_num = 1;
      info_.scale_denom = 1;
      jpeg_start_decompress(&info_);
      if (info_.output_components != 3 || info_.output_width != info_.image_width ||
          info_.output_height != info_.image_height)
        ERREXIT(&info_, JERR_CONVERSION_NOTIMPL);
      // As many rows per call as the library produces at once.
      constexpr JDIMENSION kRows = 16;
      JSAMPROW batch[kRows];
      while (info_.output_scanline < info_.output_height) {
        const JDIMENSION first = info_.output_scanline;
        const JDIMENSION n = std::min(kRows, info_.output_height - first);
        for (JDIMENSION k = 0; k < n; ++k) batch[k] = rows + size_t(first + k) * rowBytes;
        jpeg_read_scanlines(&info_, batch, n);
      }
      jpeg_finish_decompress(&info_);
    });
    return kSpace != JCS_RGB;
  }

 private:
  jpeg_decompress_struct info_;
  ErrorTrap trap_;
  SpanSource source_;
};

// --- Encoding ---------------------------------------------------------------

// Collects the coded bytes in a growing block.
struct BlockDestination {
  jpeg_destination_mgr pub;
  JOCTET* data = nullptr;
  size_t capacity = 0;
};

bool Grow(BlockDestination* dst) {
  const size_t capacity = dst->capacity == 0 ? 65536 : dst->capacity * 2;
  if (capacity > limits::kMaxAllocationBytes) return false;
  void* p = std::realloc(dst->data, capacity);
  if (p == nullptr) return false;
  dst->data = static_cast<JOCTET*>(p);
  dst->pub.next_output_byte = dst->data + dst->capacity;
  dst->pub.free_in_buffer = capacity - dst->capacity;
  dst->capacity = capacity;
  return true;
}

// Grows the block: at the start, and when libjpeg finds the whole block full.
boolean DestinationEmpty(j_compress_ptr info) {
  if (!Grow(reinterpret_cast<BlockDestination*>(info->dest))) ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
  return TRUE;
}
void DestinationInit(j_compress_ptr info) { DestinationEmpty(info); }
void DestinationTerm(j_compress_ptr) {}

class Encoder {
 public:
  Encoder() {
    std::memset(&info_, 0, sizeof info_);
    std::memset(&dest_.pub, 0, sizeof dest_.pub);
    InstallTrap(trap_);
    info_.err = &trap_.pub;
    dest_.pub.init_destination = DestinationInit;
    dest_.pub.empty_output_buffer = DestinationEmpty;
    dest_.pub.term_destination = DestinationTerm;
  }
  ~Encoder() {
    jpeg_destroy_compress(&info_);
    std::free(dest_.data);
  }
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  // rowSource(y) gives image row y in the given colour space.
  template <class RowSource>
  TByteBlock Encode(int32_t width, int32_t height, int quality, J_COLOR_SPACE space, int components,
                    RowSource&& rowSource) {
    Guarded(trap_, [&] {
      jpeg_create_compress(&info_);
      info_.dest = &dest_.pub;
      info_.image_width = static_cast<JDIMENSION>(width);
      info_.image_height = static_cast<JDIMENSION>(height);
      info_.input_components = components;
      info_.in_color_space = space;
      jpeg_set_defaults(&info_);
      jpeg_set_quality(&info_, quality, TRUE);
      jpeg_start_compress(&info_, TRUE);
      while (info_.next_scanline < info_.image_height) {
        JSAMPROW row = rowSource(static_cast<int32_t>(info_.next_scanline));
        jpeg_write_scanlines(&info_, &row, 1);
      }
      jpeg_finish_compress(&info_);
    });
    // The block grown with realloc is handed over as it is.
    TByteBlock out{Block(dest_.data), dest_.capacity - dest_.pub.free_in_buffer};
    dest_.data = nullptr;
    dest_.capacity = 0;
    return out;
  }

 private:
  jpeg_compress_struct info_;
  ErrorTrap trap_;
  BlockDestination dest_;
};

// Rows as 24-bit Red, Green, Blue, one kernel per kind of surface.
template <int kBits>
void PaletteRowToRgb(const TDIBSurface& s, const uint8_t* row, uint8_t* rgb) noexcept {
  constexpr int kPerByte = 8 / kBits;
  constexpr uint32_t kMask = (1u << kBits) - 1;
  for (int32_t x = 0, w = s.Width(); x < w; ++x) {
    const int shift = kBits * (kPerByte - 1 - x % kPerByte);
    const TPaletteEntry& e = s.Palette[(row[x / kPerByte] >> shift) & kMask];
    rgb[3 * x] = e.Red, rgb[3 * x + 1] = e.Green, rgb[3 * x + 2] = e.Blue;
  }
}

void SwapRedAndBlue(const uint8_t* in, uint8_t* out, int32_t width) noexcept {
  for (int32_t x = 0; x < width; ++x) out[3 * x] = in[3 * x + 2], out[3 * x + 1] = in[3 * x + 1], out[3 * x + 2] = in[3 * x];
}

void BgrRowToRgb(const TDIBSurface& s, const uint8_t* row, uint8_t* rgb) noexcept { SwapRedAndBlue(row, rgb, s.Width()); }

template <int kBytes>
void PackedRowToRgb(const TDIBSurface& s, const uint8_t* row, uint8_t* rgb) noexcept {
  const TPixelLayout& layout = s.CurrentLayout();
  for (int32_t x = 0, w = s.Width(); x < w; ++x) {
    const uint8_t* p = row + kBytes * x;
    uint32_t v = uint32_t{p[0]} | uint32_t{p[1]} << 8;
    if constexpr (kBytes == 4) v |= uint32_t{p[2]} << 16;
    const TRGB c = UnpackRGB(layout, v);
    rgb[3 * x] = c.R, rgb[3 * x + 1] = c.G, rgb[3 * x + 2] = c.B;
  }
}

using RowToRgbKernel = void (*)(const TDIBSurface&, const uint8_t*, uint8_t*) noexcept;

RowToRgbKernel RowToRgbFor(const TDIBSurface& s) {
  const int32_t bits = s.BitCount();
  if (bits == 1) return &PaletteRowToRgb<1>;
  if (bits == 4) return &PaletteRowToRgb<4>;
  if (bits == 8) return &PaletteRowToRgb<8>;
  if (bits == 24) return &BgrRowToRgb;
  return bits == 16 ? &PackedRowToRgb<2> : &PackedRowToRgb<4>;
}

}  // namespace

void ReadJpegSize(std::span<const uint8_t> file, int32_t& width, int32_t& height) {
  Decoder decoder(file);
  decoder.ReadHeader();
  width = decoder.Width();
  height = decoder.Height();
}

void DecodeJpeg(std::span<const uint8_t> file, TDIBSurface& out) {
  Decoder decoder(file);
  decoder.ReadHeader();
  // Decoded into a picture of its own first, so a damaged file leaves the
  // surface as it was.
  TDIB picture;
  picture.Palette = out.Palette;
  picture.Allocate(decoder.Width(), decoder.Height(), 24);
  uint8_t* rows = picture.TopRow();
  const size_t rowBytes = size_t(picture.RowBytes());
  if (!decoder.Decode(rows, rowBytes)) {
    const int32_t w = picture.Width();
    for (int32_t y = 0; y < picture.Height(); ++y) {
      uint8_t* p = rows + size_t(y) * rowBytes;
      for (int32_t x = 0; x < w; ++x) std::swap(p[3 * x], p[3 * x + 2]);  // to Blue, Green, Red
    }
  }
  out.Assign(&picture);
  if (out.AlphaPlane() != nullptr) out.EnsureAlpha();  // follows the new size
}

TByteBlock SaveToJpeg(const TDIBSurface& surface, int quality) {
  Encoder encoder;
  const int32_t w = surface.Width(), h = surface.Height();
#ifdef JCS_EXTENSIONS
  // 24-bit rows and 32-bit rows of the 8-8-8 layout are coded as they are
  // stored (Blue, Green, Red and a fourth byte that is not looked at).
  const int32_t bits = surface.BitCount();
  if (bits == 24 || (bits == 32 && surface.CurrentLayout().SameMasks(kLayout888))) {
    return encoder.Encode(w, h, quality, bits == 24 ? JCS_EXT_BGR : JCS_EXT_BGRX, bits / 8,
                          [&](int32_t y) { return const_cast<JSAMPROW>(surface.RowReadOnly(y)); });
  }
#endif
  std::vector<uint8_t> rgb(3 * size_t(std::max(w, 1)));
  const RowToRgbKernel toRgb = RowToRgbFor(surface);
  return encoder.Encode(w, h, quality, JCS_RGB, 3, [&](int32_t y) {
    toRgb(surface, surface.RowReadOnly(y), rgb.data());
    return rgb.data();
  });
}

TByteBlock SaveRowsToJpeg(int32_t width, int32_t height, const TJpegRows& rows, int quality) {
  Encoder encoder;
  const size_t w = size_t(std::max(width, 1));
  const bool fourBytes = rows.ChannelOrder == TJpegRows::Order::Rgbx;
  std::vector<uint8_t> scratch((fourBytes ? 4 : 3) * w);
  const auto next = [&](int32_t y) { return const_cast<JSAMPROW>(rows.Row(y, scratch.data())); };
  if (rows.ChannelOrder == TJpegRows::Order::Rgb) return encoder.Encode(width, height, quality, JCS_RGB, 3, next);
#ifdef JCS_EXTENSIONS
  if (fourBytes) return encoder.Encode(width, height, quality, JCS_EXT_RGBX, 4, next);
  return encoder.Encode(width, height, quality, JCS_EXT_BGR, 3, next);
#else
  std::vector<uint8_t> rgb(3 * w);
  return encoder.Encode(width, height, quality, JCS_RGB, 3, [&](int32_t y) {
    const uint8_t* row = rows.Row(y, scratch.data());
    if (fourBytes) {
      for (size_t i = 0; i < size_t(width); ++i) std::memcpy(&rgb[3 * i], row + 4 * i, 3);
    } else {
      SwapRedAndBlue(row, rgb.data(), width);
    }
    return rgb.data();
  });
#endif
}

}  // namespace dorv

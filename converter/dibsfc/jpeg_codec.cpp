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

// Runs libjpeg work; false when libjpeg failed. The work must not own
// anything that needs a destructor, since a failure jumps over it.
template <class Work>
bool Guarded(ErrorTrap& trap, Work&& work) {
  if (setjmp(trap.jump) != 0) return false;
  work();
  return true;
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
    Check(Guarded(trap_, [this] {
      jpeg_create_decompress(&info_);
      info_.src = &source_.pub;
      jpeg_read_header(&info_, TRUE);
    }));
    // Refuse sizes the surface could not hold before libjpeg reserves its
    // own buffers for them.
    const uint64_t pixels = uint64_t(info_.image_width) * uint64_t(info_.image_height);
    if (pixels > limits::kMaxSurfacePixels || info_.image_width > uint32_t(INT32_MAX) ||
        info_.image_height > uint32_t(INT32_MAX))
      throw EOutOfMemory(msg::kOutOfMemory);
  }
  int32_t Width() const { return static_cast<int32_t>(info_.image_width); }
  int32_t Height() const { return static_cast<int32_t>(info_.image_height); }

  // Decodes at the library's best quality into 24-bit rows (Red, Green, Blue
  // as libjpeg gives them), rowBytes apart.
  void Decode(uint8_t* rows, size_t rowBytes) {
    Check(Guarded(trap_, [this, rows, rowBytes] {
      info_.out_color_space = JCS_RGB;
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
      while (info_.output_scanline < info_.output_height) {
        JSAMPROW row = rows + size_t(info_.output_scanline) * rowBytes;
        jpeg_read_scanlines(&info_, &row, 1);
      }
      jpeg_finish_decompress(&info_);
    }));
  }

 private:
  void Check(bool ok) {
    if (!ok) throw EJpegError(trap_.message);
  }
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

void DestinationInit(j_compress_ptr info) {
  if (!Grow(reinterpret_cast<BlockDestination*>(info->dest))) ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
}
boolean DestinationEmpty(j_compress_ptr info) {
  // libjpeg calls this only when the whole block is full.
  if (!Grow(reinterpret_cast<BlockDestination*>(info->dest))) ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
  return TRUE;
}
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

  template <class RowSource>
  std::vector<uint8_t> Encode(int32_t width, int32_t height, int quality, RowSource&& rowSource) {
    const bool ok = Guarded(trap_, [&] {
      jpeg_create_compress(&info_);
      info_.dest = &dest_.pub;
      info_.image_width = static_cast<JDIMENSION>(width);
      info_.image_height = static_cast<JDIMENSION>(height);
      info_.input_components = 3;
      info_.in_color_space = JCS_RGB;
      jpeg_set_defaults(&info_);
      jpeg_set_quality(&info_, quality, TRUE);
      jpeg_start_compress(&info_, TRUE);
      while (info_.next_scanline < info_.image_height) {
        JSAMPROW row = rowSource(static_cast<int32_t>(info_.next_scanline));
        jpeg_write_scanlines(&info_, &row, 1);
      }
      jpeg_finish_compress(&info_);
    });
    if (!ok) throw EJpegError(trap_.message);
    const size_t used = dest_.capacity - dest_.pub.free_in_buffer;
    return std::vector<uint8_t>(dest_.data, dest_.data + used);
  }

 private:
  jpeg_compress_struct info_;
  ErrorTrap trap_;
  BlockDestination dest_;
};

// One surface row as 24-bit Red, Green, Blue: palette depths through the
// palette, 16 and 32 bits through their layout, 24 bits byte-swapped.
void RowToRgb(const TDIBSurface& s, const uint8_t* row, uint8_t* rgb) noexcept {
  const int32_t w = s.Width(), bits = s.BitCount();
  for (int32_t x = 0; x < w; ++x) {
    uint8_t r, g, b;
    if (bits <= 8) {
      uint32_t v;
      if (bits == 1) v = (row[x >> 3] >> (7 - (x & 7))) & 1;
      else if (bits == 4) v = (x & 1) ? (row[x >> 1] & 15) : (row[x >> 1] >> 4);
      else v = row[x];
      const TPaletteEntry& e = s.Palette[v];
      r = e.Red, g = e.Green, b = e.Blue;
    } else if (bits == 24) {
      b = row[3 * x], g = row[3 * x + 1], r = row[3 * x + 2];
    } else {
      const uint32_t v = bits == 16 ? (uint32_t{row[2 * x]} | (uint32_t{row[2 * x + 1]} << 8))
                                    : (uint32_t{row[4 * x]} | (uint32_t{row[4 * x + 1]} << 8) |
                                       (uint32_t{row[4 * x + 2]} << 16));
      const TRGB c = UnpackRGB(s.CurrentLayout(), v);
      r = c.R, g = c.G, b = c.B;
    }
    rgb[3 * x] = r;
    rgb[3 * x + 1] = g;
    rgb[3 * x + 2] = b;
  }
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
  decoder.Decode(rows, rowBytes);
  const int32_t w = picture.Width();
  for (int32_t y = 0; y < picture.Height(); ++y) {
    uint8_t* p = rows + size_t(y) * rowBytes;
    for (int32_t x = 0; x < w; ++x) std::swap(p[3 * x], p[3 * x + 2]);  // to Blue, Green, Red
  }
  out.Assign(&picture);
  if (out.AlphaPlane() != nullptr) out.EnsureAlpha();  // follows the new size
}

std::vector<uint8_t> SaveToJpeg(const TDIBSurface& surface, int quality) {
  std::vector<uint8_t> rgb(3 * size_t(std::max(surface.Width(), 1)));
  Encoder encoder;
  return encoder.Encode(surface.Width(), surface.Height(), quality, [&](int32_t y) {
    RowToRgb(surface, surface.RowReadOnly(y), rgb.data());
    return rgb.data();
  });
}

}  // namespace dorv

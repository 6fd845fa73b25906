#include "converter/streams/fast_deflate.h"

#ifdef DORV_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

#include "converter/core/errors.h"
#include "converter/core/messages.h"

namespace dorv {

TFastCompressor::~TFastCompressor() = default;

#ifdef DORV_HAVE_LIBDEFLATE
bool FastDeflateAvailable() { return true; }

void TFastCompressor::Free::operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }

TFastCompressor::TFastCompressor(int level) : coder_(libdeflate_alloc_compressor(level)) {
  if (coder_ == nullptr) throw EOutOfMemory(msg::kOutOfMemory);
}

size_t TFastCompressor::Bound(size_t n, TDeflateForm form) const {
  return form == TDeflateForm::Zlib ? libdeflate_zlib_compress_bound(coder_.get(), n)
                                    : libdeflate_deflate_compress_bound(coder_.get(), n);
}

size_t TFastCompressor::Compress(std::span<const uint8_t> input, std::span<uint8_t> out, TDeflateForm form) const {
  return form == TDeflateForm::Zlib
             ? libdeflate_zlib_compress(coder_.get(), input.data(), input.size(), out.data(), out.size())
             : libdeflate_deflate_compress(coder_.get(), input.data(), input.size(), out.data(), out.size());
}

std::optional<TInflated> FastInflate(std::span<const uint8_t> input, std::span<uint8_t> out, TDeflateForm form) {
  const std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> d(
      libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
  if (d == nullptr) return std::nullopt;
  TInflated r;
  const libdeflate_result rc =
      form == TDeflateForm::Zlib
          ? libdeflate_zlib_decompress_ex(d.get(), input.data(), input.size(), out.data(), out.size(), &r.Used, &r.Made)
          : libdeflate_deflate_decompress_ex(d.get(), input.data(), input.size(), out.data(), out.size(), &r.Used,
                                             &r.Made);
  if (rc != LIBDEFLATE_SUCCESS) return std::nullopt;
  return r;
}

uint32_t FastAdler32(uint32_t adler, std::span<const uint8_t> bytes) {
  return libdeflate_adler32(adler, bytes.data(), bytes.size());
}
#else
bool FastDeflateAvailable() { return false; }

void TFastCompressor::Free::operator()(libdeflate_compressor*) const {}

TFastCompressor::TFastCompressor(int) { throw EZlibError("stream error"); }

size_t TFastCompressor::Bound(size_t, TDeflateForm) const { return 0; }

size_t TFastCompressor::Compress(std::span<const uint8_t>, std::span<uint8_t>, TDeflateForm) const { return 0; }

std::optional<TInflated> FastInflate(std::span<const uint8_t>, std::span<uint8_t>, TDeflateForm) {
  return std::nullopt;
}

uint32_t FastAdler32(uint32_t adler, std::span<const uint8_t>) { return adler; }
#endif

}  // namespace dorv

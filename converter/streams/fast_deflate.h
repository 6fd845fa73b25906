// libdeflate, where it is present: it reads and writes the same standard
// zlib (RFC 1950) and raw deflate (RFC 1951) streams as zlib, faster. Where
// it is not (the Windows builds), FastDeflateAvailable() is false and the
// other calls must not be made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

struct libdeflate_compressor;

namespace dorv {

bool FastDeflateAvailable();

enum class TDeflateForm { Zlib, Raw };

// One coder at one of libdeflate's levels; EOutOfMemory when none can be
// had.
class TFastCompressor {
 public:
  explicit TFastCompressor(int level);
  ~TFastCompressor();
  TFastCompressor(const TFastCompressor&) = delete;
  TFastCompressor& operator=(const TFastCompressor&) = delete;

  // The most that input of n bytes codes to.
  size_t Bound(size_t n, TDeflateForm form) const;
  // Codes input into out and returns the bytes written; 0 when out is too
  // small (never with Bound's room).
  size_t Compress(std::span<const uint8_t> input, std::span<uint8_t> out, TDeflateForm form) const;

 private:
  struct Free {
    void operator()(libdeflate_compressor* c) const;
  };
  std::unique_ptr<libdeflate_compressor, Free> coder_;
};

struct TInflated {
  size_t Used = 0;  // input bytes the stream took
  size_t Made = 0;  // bytes written to out
};

// Inflates a whole stream into out when it is sound and ends within out;
// nothing otherwise (also when no decompressor can be had), and out then
// holds no meaning.
std::optional<TInflated> FastInflate(std::span<const uint8_t> input, std::span<uint8_t> out, TDeflateForm form);

// The Adler-32 checksum of bytes continued from adler.
uint32_t FastAdler32(uint32_t adler, std::span<const uint8_t> bytes);

}  // namespace dorv

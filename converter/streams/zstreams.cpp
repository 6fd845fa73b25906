#include "converter/streams/zstreams.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "converter/core/checked.h"
#include "converter/core/errors.h"
#include "converter/core/limits.h"
#include "converter/core/messages.h"
#include "converter/streams/fast_deflate.h"
#include "converter/streams/stream.h"
#include "converter/streams/zlib_halves.h"

namespace dorv {
namespace {

// zlib counts in 32-bit fields; larger buffers are fed in pieces.
constexpr size_t kMaxPiece = size_t{1} << 30;
// First guess at the inflated size of a stream of unknown length.
constexpr size_t kInitialGuess = size_t{64} << 10;

void Resize(std::vector<uint8_t>& v, uint64_t n) {
  if (n > limits::kMaxAllocationBytes) throw EOutOfMemory(msg::kOutOfMemory);
  try {
    v.resize(static_cast<size_t>(n));
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory(msg::kOutOfMemory);
  }
}

uInt Piece(size_t n) { return static_cast<uInt>(std::min(n, kMaxPiece)); }

class Inflater {
 public:
  explicit Inflater(std::span<const uint8_t> input) : in_(input.data()), inLeft_(input.size()) {
    int rc = inflateInit(&z_);
    if (rc != Z_OK) FailZlib(rc);
  }
  ~Inflater() { inflateEnd(&z_); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  bool Ended() const { return ended_; }

  // Inflates into out until it is full or the stream ends; returns the bytes
  // written. Input that runs out before the end of the stream is an error.
  size_t Fill(uint8_t* out, size_t outLeft) {
    size_t produced = 0;
    while (!ended_ && outLeft > 0) {
      z_.next_in = const_cast<Bytef*>(in_);
      z_.avail_in = Piece(inLeft_);
      z_.next_out = out;
      z_.avail_out = Piece(outLeft);
      const uInt inBefore = z_.avail_in, outBefore = z_.avail_out;
      const int rc = inflate(&z_, Z_NO_FLUSH);
      const size_t used = inBefore - z_.avail_in, made = outBefore - z_.avail_out;
      in_ += used;
      inLeft_ -= used;
      out += made;
      outLeft -= made;
      produced += made;
      // Z_BUF_ERROR: no progress although there was room for output, so the
      // input ends before the stream does.
      if (rc == Z_STREAM_END) ended_ = true;
      else if (rc != Z_OK) FailZlib(rc);
    }
    return produced;
  }

 private:
  z_stream z_{};
  const uint8_t* in_;
  size_t inLeft_;
  bool ended_ = false;
};

// zlib itself, where libdeflate is not present.
TByteBlock ZlibCompressBlock(std::span<const uint8_t> input, int level) {
  z_stream z{};
  int rc = deflateInit(&z, level);
  if (rc != Z_OK) FailZlib(rc);
  const std::unique_ptr<z_stream, decltype(&deflateEnd)> end(&z, &deflateEnd);

  // The bound of the whole input is the usual size; pieces add a little each.
  uint64_t room = CheckedAdd(input.size(), input.size() / 1000 + 64 + (input.size() / kMaxPiece) * 16);
  TByteBlock out{AllocateBlock(room), 0};
  const uint8_t* in = input.data();
  size_t inLeft = input.size();
  for (;;) {
    if (out.Size == room) {
      room = CheckedAdd(room, room / 2 + 64);
      Block larger = AllocateBlock(room);
      std::memcpy(larger.get(), out.Data.get(), out.Size);
      out.Data = std::move(larger);
    }
    z.next_in = const_cast<Bytef*>(in);
    z.avail_in = Piece(inLeft);
    z.next_out = out.Data.get() + out.Size;
    z.avail_out = Piece(static_cast<size_t>(room) - out.Size);
    const uInt inBefore = z.avail_in, outBefore = z.avail_out;
    const int flush = z.avail_in == inLeft ? Z_FINISH : Z_NO_FLUSH;
    rc = deflate(&z, flush);
    in += inBefore - z.avail_in;
    inLeft -= inBefore - z.avail_in;
    out.Size += outBefore - z.avail_out;
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK && rc != Z_BUF_ERROR) FailZlib(rc);
  }
  return out;
}

}  // namespace

void FailZlib(int code) {
  if (code == Z_MEM_ERROR) throw EOutOfMemory(msg::kOutOfMemory);
  const char* text = zError(code);
  throw EZlibError(text != nullptr && *text != '\0' ? text : "stream error");
}

// libdeflate, where present, writes the same standard zlib streams. zlib's
// default level is done at libdeflate's level 8, which on flat pixel art and
// on noisy pictures alike is no slower than zlib and gives smaller streams
// (its level 6 is faster but up to a third larger on flat pictures).
TByteBlock CompressBlock(std::span<const uint8_t> input, int level, const TRunner& runner) {
  // zlib's levels: -1 (its default) and 0 to 9.
  if (level < -1 || level > 9) FailZlib(Z_STREAM_ERROR);
  if (!FastDeflateAvailable()) return ZlibCompressBlock(input, level);
  const int effective = level < 0 ? 8 : level;
  if (input.size() >= kHalvesBytes) return CompressInHalves(input, effective, runner);
  const TFastCompressor coder(effective);
  const size_t bound = coder.Bound(input.size(), TDeflateForm::Zlib);
  TByteBlock out{AllocateBlock(bound), 0};
  out.Size = coder.Compress(input, std::span<uint8_t>(out.Data.get(), bound), TDeflateForm::Zlib);
  if (out.Size == 0) FailZlib(Z_BUF_ERROR);  // cannot happen with the bound's room
  return out;
}


std::vector<uint8_t> CompressBytes(std::span<const uint8_t> input, int level, const TRunner& runner) {
  const TByteBlock packed = CompressBlock(input, level, runner);
  const std::span<const uint8_t> bytes = packed.Bytes();
  std::vector<uint8_t> out;
  Resize(out, bytes.size());
  std::copy(bytes.begin(), bytes.end(), out.begin());
  return out;
}

namespace {

// The whole stream at once with libdeflate, where present: the bytes it
// produced when it ended within out, else nothing (a longer stream, damaged
// data, no libdeflate), which is left to zlib, giving the same bytes and the
// same errors as ever.
std::optional<size_t> InflateAtOnce(std::span<const uint8_t> input, std::span<uint8_t> out) {
  if (const std::optional<TInflated> r = FastInflate(input, out, TDeflateForm::Zlib)) return r->Made;
  return std::nullopt;
}

}  // namespace

void InflateExact(std::span<const uint8_t> input, std::span<uint8_t> out, bool inHalves, const TRunner& runner) {
  if (out.empty()) return;
  if (inHalves && InflateHalves(input, out, runner)) return;
  if (InflateAtOnce(input, out) == out.size()) return;
  Inflater inflater(input);
  const size_t produced = inflater.Fill(out.data(), out.size());
  if (produced < out.size()) throw EZlibError(msg::kInflateTooShort);
}

std::vector<uint8_t> InflateBounded(std::span<const uint8_t> input, uint64_t maxOutput) {
  const uint64_t limit = std::min<uint64_t>(maxOutput, limits::kMaxAllocationBytes);
  const auto tooLong = [&]() {
    if (maxOutput <= limits::kMaxAllocationBytes) throw EZlibError(msg::kInflateTooLong);
    throw EOutOfMemory(msg::kOutOfMemory);
  };
  // The size is found first through a small scratch buffer, stopping one
  // byte past the limit: a stream that inflates past it costs no memory, and
  // the result is allocated once at its exact size.
  uint64_t total = 0;
  {
    std::vector<uint8_t> scratch(kInitialGuess);
    Inflater counter(input);
    while (!counter.Ended()) {
      total += counter.Fill(scratch.data(), scratch.size());
      if (total > limit) tooLong();
    }
  }
  std::vector<uint8_t> out;
  Resize(out, total);
  if (total > 0) {
    Inflater inflater(input);
    inflater.Fill(out.data(), out.size());
  }
  return out;
}

size_t InflateInto(std::span<const uint8_t> input, std::span<uint8_t> room) {
  if (room.empty()) return 0;
  if (const std::optional<size_t> made = InflateAtOnce(input, room)) return *made;
  Inflater inflater(input);
  return inflater.Fill(room.data(), room.size());
}

void CompressStream(TMemoryStream& stream, int level, const TRunner& runner) {
  std::vector<uint8_t> packed = CompressBytes(std::span<const uint8_t>(stream.Data(), stream.Length()), level, runner);
  stream.Bytes() = std::move(packed);
  stream.Seek(0, SeekOrigin::End);
}

void DecompressStream(TMemoryStream& stream, uint64_t maxOutput) {
  std::vector<uint8_t> plain =
      InflateBounded(std::span<const uint8_t>(stream.Data(), stream.Length()), maxOutput);
  stream.Bytes() = std::move(plain);
  stream.SetPosition(0);
}

int64_t CopyStreamPart(TMemoryStream& dest, TStream& source, int64_t size) {
  if (size == 0) {
    source.SetPosition(0);
    size = source.Size();
  }
  // Nothing is reserved for bytes the source does not hold.
  if (size < 0 || size > source.Remaining()) throw EReadError(msg::kStreamRead);
  const size_t old = dest.Length();
  const uint64_t total = CheckedAdd(old, static_cast<uint64_t>(size));
  try {
    dest.SetSize(static_cast<size_t>(total));
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory(msg::kOutOfMemory);
  }
  try {
    source.ReadBuffer(dest.Data() + old, static_cast<size_t>(size));
  } catch (...) {
    dest.SetSize(old);
    throw;
  }
  dest.Seek(0, SeekOrigin::End);
  return size;
}

TByteBlock ReadBlock(TStream& source, int64_t size) {
  if (size < 0 || size > source.Remaining()) throw EReadError(msg::kStreamRead);
  TByteBlock out{AllocateUnfilledBlock(static_cast<uint64_t>(size)), static_cast<size_t>(size)};
  source.ReadBuffer(out.Data.get(), out.Size);
  return out;
}

}  // namespace dorv

#include "converter/streams/zlib_halves.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

#include "converter/core/errors.h"
#include "converter/core/messages.h"
#include "converter/core/runner.h"
#include "converter/streams/adler.h"
#include "converter/streams/fast_deflate.h"
#include "converter/streams/zstreams.h"

namespace dorv {

namespace {

// The seam: the lengths of an empty stored block, then a second one (its
// header byte and lengths). zlib never flushes twice in a row, so other
// writers' streams do not hold this by chance of their flushes.
constexpr uint8_t kSeam[9] = {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0xFF};
// A fixed-code block holding its end code alone, marked final.
constexpr uint8_t kFinalEmptyBlock[2] = {0x03, 0x00};
// Places in a stream that look like the seam and are tried, at most.
constexpr int kSeamsTried = 4;

// Inflates a raw deflate stream (which must be whole and at most 1 GiB) to
// learn where its final block starts, clears that block's final mark, and
// returns where the stream ends; both in bits from the start.
uint64_t MakeFinalBlockOrdinary(uint8_t* data, size_t n) {
  z_stream z{};
  int rc = inflateInit2(&z, -15);
  if (rc != Z_OK) FailZlib(rc);
  const std::unique_ptr<z_stream, decltype(&inflateEnd)> end(&z, &inflateEnd);
  std::vector<uint8_t> scratch(size_t{256} << 10);
  z.next_in = data;
  z.avail_in = static_cast<uInt>(n);
  uint64_t finalStart = 0;
  for (;;) {
    z.next_out = scratch.data();
    z.avail_out = static_cast<uInt>(scratch.size());
    rc = inflate(&z, Z_BLOCK);
    if (rc != Z_OK) FailZlib(rc == Z_BUF_ERROR || rc == Z_STREAM_END ? Z_DATA_ERROR : rc);
    if ((z.data_type & 128) == 0) continue;
    // Between blocks (data_type counts the unused bits of the last byte):
    // after the final one the stream ends here, else the next one starts.
    const uint64_t at = uint64_t{n - z.avail_in} * 8 - static_cast<unsigned>(z.data_type & 7);
    if ((z.data_type & 64) != 0) {
      data[finalStart / 8] &= static_cast<uint8_t>(~(1u << (finalStart % 8)));
      return at;
    }
    finalStart = at;
  }
}

}  // namespace

bool HalvesAvailable() { return FastDeflateAvailable(); }

TByteBlock CompressInHalves(std::span<const uint8_t> input, int level, const TRunner& runner) {
  const size_t h = HalvesSplit(input.size());
  // The stream is made in one block: header, first half, seam and checksum
  // in place; the second half is coded beside it into a block of its own and
  // copied after the seam.
  const TFastCompressor coder(level);
  const size_t firstBound = coder.Bound(h, TDeflateForm::Raw);
  const size_t secondBound = coder.Bound(input.size() - h, TDeflateForm::Raw);
  TByteBlock out{AllocateBlock(CheckedAdd(CheckedAdd(firstBound, secondBound), 2 + 1 + sizeof kSeam + 4)), 0};
  uint8_t* const base = out.Data.get();
  TByteBlock second;
  uint32_t firstAdler = 1, secondAdler = 1;
  size_t firstSize = 0;
  bool pad = false;  // the seam's header takes a byte of its own
  runner.Beside(
      true,
      [&] {
        uint8_t* const first = base + 2;
        const size_t made = coder.Compress(input.first(h), std::span<uint8_t>(first, firstBound), TDeflateForm::Raw);
        if (made == 0) FailZlib(Z_BUF_ERROR);
        firstAdler = Adler32(1, input.first(h));
        // The first half must not end the stream: its final block is made
        // an ordinary one.
        const uint64_t endBit = MakeFinalBlockOrdinary(first, made);
        firstSize = static_cast<size_t>((endBit + 7) / 8);
        // The seam's 3 header bits (all zero: not final, stored) go after the
        // end in its last byte, whose spare bits are cleared, or take a byte
        // of their own.
        const unsigned used = static_cast<unsigned>(endBit % 8);
        if (used != 0) first[firstSize - 1] &= static_cast<uint8_t>((1u << used) - 1);
        pad = used == 0 || used > 5;
      },
      [&] {
        const TFastCompressor c(level);
        second = TByteBlock{AllocateBlock(secondBound), 0};
        second.Size =
            c.Compress(input.subspan(h), std::span<uint8_t>(second.Data.get(), secondBound), TDeflateForm::Raw);
        if (second.Size == 0) FailZlib(Z_BUF_ERROR);  // cannot happen with the bound's room
        secondAdler = Adler32(1, input.subspan(h));
      });

  const unsigned flevel = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
  base[0] = 0x78;  // deflate, 32 KB window
  base[1] = static_cast<uint8_t>(flevel << 6);
  base[1] = static_cast<uint8_t>(base[1] + 31 - (0x78 * 256 + base[1]) % 31);
  uint8_t* p = base + 2 + firstSize;
  if (pad) *p++ = 0;
  std::memcpy(p, kSeam, sizeof kSeam);
  p += sizeof kSeam;
  std::memcpy(p, second.Data.get(), second.Size);
  p += second.Size;
  const uint32_t adler = JoinAdler32(firstAdler, secondAdler, input.size() - h);
  for (int k = 3; k >= 0; --k) *p++ = static_cast<uint8_t>(adler >> (8 * k));
  out.Size = static_cast<size_t>(p - base);
  return out;
}

bool InflateHalves(std::span<const uint8_t> input, std::span<uint8_t> out, const TRunner& runner) {
  const size_t n = out.size();
  if (!FastDeflateAvailable() || n < kHalvesBytes || input.size() < 2 + sizeof kSeam + 4) return false;
  if ((input[0] & 0x0F) != 8 || (input[0] >> 4) > 7 || (input[1] & 0x20) != 0 || (input[0] * 256 + input[1]) % 31 != 0)
    return false;
  const size_t h = HalvesSplit(n);
  const std::span<const uint8_t> body = input.subspan(2, input.size() - 6);
  uint32_t expected = 0;
  for (size_t k = input.size() - 4; k < input.size(); ++k) expected = expected << 8 | input[k];

  // Inflates a whole raw deflate stream into exactly room, using all of it.
  const auto inflateAll = [](std::span<const uint8_t> raw, std::span<uint8_t> room) {
    const std::optional<TInflated> r = FastInflate(raw, room, TDeflateForm::Raw);
    return r && r->Used == raw.size() && r->Made == room.size();
  };

  int tried = 0;
  for (auto at = body.begin(); tried < kSeamsTried; ++tried, ++at) {
    at = std::search(at, body.end(), std::begin(kSeam), std::end(kSeam));
    if (at == body.end()) return false;
    const size_t seamEnd = static_cast<size_t>(at - body.begin()) + sizeof kSeam;
    bool firstRight = false, secondRight = false;
    uint32_t firstAdler = 1, secondAdler = 1;
    try {
      runner.Beside(
          true,
          [&] {
            // The first half with a final block added, to end it there.
            std::vector<uint8_t> head(seamEnd + sizeof kFinalEmptyBlock);
            std::memcpy(head.data(), body.data(), seamEnd);
            std::memcpy(head.data() + seamEnd, kFinalEmptyBlock, sizeof kFinalEmptyBlock);
            firstRight = inflateAll(head, out.first(h));
            if (firstRight) firstAdler = Adler32(1, out.first(h));
          },
          [&] {
            secondRight = inflateAll(body.subspan(seamEnd), out.subspan(h));
            if (secondRight) secondAdler = Adler32(1, out.subspan(h));
          });
    } catch (const std::exception&) {
      return false;
    }
    if (firstRight && secondRight && JoinAdler32(firstAdler, secondAdler, n - h) == expected) return true;
  }
  return false;
}

}  // namespace dorv

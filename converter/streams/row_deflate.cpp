#include "converter/streams/row_deflate.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "converter/core/errors.h"
#include "converter/core/little_endian.h"
#include "converter/core/messages.h"
#include "converter/core/runner.h"
#include "converter/streams/adler.h"
#include "converter/streams/huffman_lengths.h"

namespace dorv {
namespace {

constexpr size_t kWindow = 32768;
constexpr size_t kMinMatch = 4;
constexpr size_t kMaxMatch = 258;
// Matches shorter than this are put off when the next position has a longer one.
constexpr size_t kLazyLength = 32;
// Input bytes per deflate block: each block has Huffman codes of its own.
constexpr size_t kBlockInput = size_t{256} << 10;
constexpr size_t kStoredMax = 65535;
// Inputs below this are coded in one part.
constexpr size_t kTwoPartBytes = size_t{4} << 20;

constexpr int kLitLenCodes = 286;
constexpr int kDistCodes = 30;
constexpr int kLengthCodes = 19;
constexpr int kEndOfBlock = 256;

constexpr uint32_t kMatch = uint32_t{1} << 31;
// Bits (at most) of the hash of four bytes that finds where they were last
// seen.
constexpr int kSeenBits = 15;
// Places kept for each hash, latest first.
constexpr size_t kSeenWays = 4;
// After 2^kSkipShift positions without a match, every other position is
// looked up, then every third, and so on up to every kMaxSkip-th.
constexpr int kSkipShift = 6;
constexpr size_t kMaxSkip = 32;

constexpr std::array<uint16_t, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<uint16_t, 30> kDistBase = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,
                                                33,  49,  65,  97,  129, 193,  257,  385,  513,  769,
                                                1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<uint8_t, 30> kDistExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// Order in which the lengths of the code-length code are sent.
constexpr std::array<uint8_t, kLengthCodes> kLengthOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                            11, 4,  12, 3, 13, 2, 14, 1, 15};

struct TLengthSymbol {
  uint16_t Symbol = 0;
  uint8_t ExtraBits = 0;
  uint16_t Extra = 0;
};

const std::array<TLengthSymbol, kMaxMatch + 1>& LengthSymbols() {
  static const std::array<TLengthSymbol, kMaxMatch + 1> table = [] {
    std::array<TLengthSymbol, kMaxMatch + 1> t{};
    for (size_t len = 3; len <= kMaxMatch; ++len) {
      size_t k = kLengthBase.size() - 1;
      while (kLengthBase[k] > len) --k;
      t[len] = {static_cast<uint16_t>(257 + k), kLengthExtra[k], static_cast<uint16_t>(len - kLengthBase[k])};
    }
    return t;
  }();
  return table;
}

// Distance codes by DistIndex(distance - 1): the codes above 256 change
// on multiples of 128.
constexpr size_t DistIndex(size_t d) { return d < 256 ? d : 256 + (d >> 7); }

const std::array<uint8_t, 512>& DistCodes() {
  static const std::array<uint8_t, 512> table = [] {
    std::array<uint8_t, 512> t{};
    for (size_t d = 0; d < kWindow; ++d) {
      size_t k = kDistBase.size() - 1;
      while (kDistBase[k] > d + 1) --k;
      t[DistIndex(d)] = static_cast<uint8_t>(k);
    }
    return t;
  }();
  return table;
}

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

inline void Prefetch(const void* p) {
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(p);
#else
  (void)p;
#endif
}

// Bytes equal at a and at b (earlier in the same buffer), up to max.
inline size_t MatchLength(const uint8_t* a, const uint8_t* b, size_t max) {
  size_t n = 0;
  while (n + 8 <= max) {
    uint64_t x, y;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (const uint64_t d = x ^ y) {
      // Bytes are compared in memory order.
      if constexpr (std::endian::native == std::endian::little) return n + (std::countr_zero(d) >> 3);
      else return n + (std::countl_zero(d) >> 3);
    }
    n += 8;
  }
  while (n < max && a[n] == b[n]) ++n;
  return n;
}

// Least significant bit first, as deflate packs its bits.
class TBitWriter {
 public:
  explicit TBitWriter(uint8_t* out) : out_(out) {}

  void Put(uint32_t value, unsigned count) {  // count <= 32
    bits_ |= static_cast<uint64_t>(value) << fill_;
    fill_ += count;
    if (fill_ >= 32) {
      le::Store32(out_, static_cast<uint32_t>(bits_));
      out_ += 4;
      bits_ >>= 32;
      fill_ -= 32;
    }
  }
  // Writes out the bits still held, padding the last byte with zeros.
  void Align() {
    while (fill_ > 0) {
      *out_++ = static_cast<uint8_t>(bits_);
      bits_ >>= 8;
      fill_ = fill_ > 8 ? fill_ - 8 : 0;
    }
  }
  // Only after Align.
  void Copy(const uint8_t* p, size_t n) {
    std::memcpy(out_, p, n);
    out_ += n;
  }
  uint8_t* End() const { return out_; }

 private:
  uint8_t* out_;
  uint64_t bits_ = 0;
  unsigned fill_ = 0;
};

struct TCode {
  uint16_t Bits = 0;
  uint8_t Length = 0;
};

void CanonicalCodes(const uint8_t* lengths, int n, TCode* codes) {
  std::array<uint16_t, kMaxCodeBits + 2> count{}, next{};
  for (int s = 0; s < n; ++s) ++count[lengths[s]];
  count[0] = 0;
  uint32_t code = 0;
  for (int bits = 1; bits <= kMaxCodeBits; ++bits) {
    code = (code + count[bits - 1]) << 1;
    next[bits] = static_cast<uint16_t>(code);
  }
  for (int s = 0; s < n; ++s) {
    const int len = lengths[s];
    codes[s] = {};
    if (len == 0) continue;
    uint32_t c = next[len]++, reversed = 0;
    for (int b = 0; b < len; ++b, c >>= 1) reversed = (reversed << 1) | (c & 1);
    codes[s] = {static_cast<uint16_t>(reversed), static_cast<uint8_t>(len)};
  }
}

// Run-length form of the code lengths of a dynamic block header.
struct TLengthRun {
  uint8_t Symbol;  // 0-15 a length, 16 repeat previous, 17/18 repeat zero
  uint8_t Extra;
};

void LengthRuns(const uint8_t* lengths, int n, std::vector<TLengthRun>& runs) {
  runs.clear();
  for (int i = 0; i < n;) {
    const uint8_t len = lengths[i];
    int run = 1;
    while (i + run < n && lengths[i + run] == len) ++run;
    i += run;
    if (len == 0) {
      while (run >= 11) {
        const int k = std::min(run, 138);
        runs.push_back({18, static_cast<uint8_t>(k - 11)});
        run -= k;
      }
      if (run >= 3) {
        runs.push_back({17, static_cast<uint8_t>(run - 3)});
        run = 0;
      }
    } else {
      runs.push_back({len, 0});
      --run;
      while (run >= 3) {
        const int k = std::min(run, 6);
        runs.push_back({16, static_cast<uint8_t>(k - 3)});
        run -= k;
      }
    }
    for (; run > 0; --run) runs.push_back({len, 0});
  }
}

constexpr unsigned ExtraBitsOfRun(uint8_t symbol) { return symbol == 16 ? 2 : symbol == 17 ? 3 : symbol == 18 ? 7 : 0; }

// Codes one part of the input, [first, last) of data, into out. Matches may
// reach back before first: the part before is in the stream ahead of it.
class TSegmentCoder {
 public:
  // Distances outside the window are not used (the position test of a
  // distance larger than any input never passes).
  TSegmentCoder(const uint8_t* data, TRowShape shape, const TInputReady& ready)
      : data_(data),
        ready_(ready),
        rowBytes_(shape.RowBytes > 0 && shape.RowBytes <= kWindow ? shape.RowBytes : SIZE_MAX),
        pixelBytes_(shape.PixelBytes > 0 && shape.PixelBytes <= kWindow ? shape.PixelBytes : SIZE_MAX),
        upLeft_(rowBytes_ != SIZE_MAX && rowBytes_ + shape.PixelBytes <= kWindow ? rowBytes_ + shape.PixelBytes : SIZE_MAX),
        upRight_(rowBytes_ != SIZE_MAX && rowBytes_ > shape.PixelBytes ? rowBytes_ - shape.PixelBytes : SIZE_MAX) {}

  // Returns the end of what was written. With finalPart the last block ends
  // the stream; otherwise the part ends on a byte boundary, ready for the
  // next part.
  uint8_t* Code(size_t first, size_t last, uint8_t* out, bool finalPart) {
    TBitWriter w(out);
    if (first == last) {
      // A final block of fixed codes (1, then type 1) holding its end code alone (7 zero bits).
      if (finalPart) w.Put(0b011, 10);
      w.Align();
      return w.End();
    }
    // Tables for the part's size: a small part needs no large hash.
    tokens_.resize(std::min(kBlockInput, last - first));
    seenBits_ = std::clamp(static_cast<int>(std::bit_width(last - first)), 8, kSeenBits);
    seen_.assign(kSeenWays << seenBits_, TSeen{0, 0});
    for (size_t pos = first; pos < last;) {
      const size_t blockEnd = std::min(last, pos + kBlockInput);
      // A block reads as far as its last match can reach.
      if (ready_) ready_(std::min(last, blockEnd + kMaxMatch));
      const size_t next = Tokenize(pos, blockEnd, last);
      adler_ = Adler32(adler_, std::span<const uint8_t>(data_ + pos, next - pos));
      const bool finalBlock = finalPart && next >= last;
      WriteBlock(w, pos, next, finalBlock);
      pos = next;
    }
    if (!finalPart) {  // an empty stored block brings the part to a byte boundary
      w.Put(0, 3);
      w.Align();
      static constexpr uint8_t kEmpty[4] = {0x00, 0x00, 0xFF, 0xFF};
      w.Copy(kEmpty, 4);
    }
    w.Align();
    return w.End();
  }

  // The Adler-32 of what Code coded.
  uint32_t Checksum() const { return adler_; }

 private:
  // The longest match at pos among the row above, the pixel to the left,
  // the pixels beside the one above and the last place where the same four
  // bytes were seen; 0 when there is none. Notes pos as seen.
  [[gnu::always_inline]] size_t FindMatch(size_t pos, size_t last, size_t& dist) {
    const size_t remaining = last - pos;
    if (remaining < kMinMatch) return 0;
    const uint8_t* p = data_ + pos;
    const size_t max = std::min(kMaxMatch, remaining);
    const uint32_t here = Load32(p);
    size_t len = 0;
    const auto consider = [&](size_t d) {
      if (pos >= d && Load32(p - d) == here) {
        const size_t n = MatchLength(p, p - d, max);
        if (n > len) len = n, dist = d;
      }
    };
    consider(rowBytes_);
    if (len < max) consider(pixelBytes_);
    if (len < max) consider(upLeft_);
    if (len < max) consider(upRight_);
    TSeen* const slots = &seen_[SeenIndex(here)];
    for (size_t k = 0; k < kSeenWays && len < max; ++k)
      if (slots[k].At != 0 && slots[k].Bytes == here && pos + 1 - slots[k].At <= kWindow) consider(pos + 1 - slots[k].At);
    for (size_t k = kSeenWays - 1; k > 0; --k) slots[k] = slots[k - 1];
    slots[0] = {static_cast<uint32_t>(pos + 1), here};
    return len;
  }

  size_t SeenIndex(uint32_t bytes) const { return ((bytes * 2654435761u) >> (32 - seenBits_)) * kSeenWays; }

  // Tokens of the input from pos up to at least blockEnd (a match may run
  // on to last); returns where the next block starts. A short match is put
  // off by a literal when the next position has a longer one.
  size_t Tokenize(size_t pos, size_t blockEnd, size_t last) {
    uint32_t* const tokens = tokens_.data();
    size_t count = 0;
    litFreq_.fill(0);
    distFreq_.fill(0);
    for (auto& f : byteFreq_) f.fill(0);
    const auto& lengths = LengthSymbols();
    const auto& distCodes = DistCodes();
    size_t misses = 0;  // literals in a row
    // Literals are kept as runs: the open run is tokens[count - 1] when
    // runOpen is set.
    bool runOpen = false;
    const auto literals = [&](size_t at, size_t n) {
      const uint8_t* const b = data_ + at;
      size_t k = 0;
      for (; k + 4 <= n; k += 4) {
        ++byteFreq_[0][b[k]];
        ++byteFreq_[1][b[k + 1]];
        ++byteFreq_[2][b[k + 2]];
        ++byteFreq_[3][b[k + 3]];
      }
      for (; k < n; ++k) ++byteFreq_[0][b[k]];
      if (runOpen) {
        tokens[count - 1] += static_cast<uint32_t>(n);
      } else {
        tokens[count++] = static_cast<uint32_t>(n);
        runOpen = true;
      }
    };
    while (pos < blockEnd) {
      size_t dist = 0;
      size_t len = FindMatch(pos, last, dist);
      while (len >= kMinMatch && len < kLazyLength && pos + 1 < blockEnd) {
        size_t nextDist = 0;
        const size_t next = FindMatch(pos + 1, last, nextDist);
        if (next <= len) break;
        literals(pos, 1);
        ++pos;
        len = next, dist = nextDist;
      }
      if (len >= kMinMatch) {
        tokens[count++] = kMatch | static_cast<uint32_t>(len) << 16 | static_cast<uint32_t>(dist - 1);
        runOpen = false;
        ++litFreq_[lengths[len].Symbol];
        ++distFreq_[distCodes[DistIndex(dist - 1)]];
        pos += len;
        misses = 0;
      } else {
        // Where nothing has matched for a while (noise), fewer positions are
        // looked up: up to kMaxSkip bytes pass as literals at a time.
        const size_t step = std::min({size_t{1} + (misses++ >> kSkipShift), kMaxSkip, blockEnd - pos});
        // The place the next lookup reads is fetched while these are counted.
        if (pos + step + kMinMatch <= last) Prefetch(&seen_[SeenIndex(Load32(data_ + pos + step))]);
        literals(pos, step);
        pos += step;
      }
    }
    tokenCount_ = count;
    for (int c = 0; c < 256; ++c) litFreq_[c] = byteFreq_[0][c] + byteFreq_[1][c] + byteFreq_[2][c] + byteFreq_[3][c];
    litFreq_[kEndOfBlock] = 1;
    return pos;
  }

  static uint64_t StoredBits(size_t bytes) {
    const uint64_t chunks = bytes / kStoredMax + 1;
    return chunks * 48 + uint64_t{8} * bytes;
  }

  void WriteBlock(TBitWriter& w, size_t first, size_t last, bool finalBlock) {
    // Both codes are made complete: a distance code needs two symbols even
    // when the block has no matches.
    std::array<uint32_t, kDistCodes> distFreq = distFreq_;
    int used = 0;
    for (uint32_t f : distFreq) used += f != 0;
    for (int s = 0; used < 2; ++s)
      if (distFreq[s] == 0) distFreq[s] = 1, ++used;
    HuffmanLengths(litFreq_.data(), kLitLenCodes, kMaxCodeBits, litLen_.data());
    HuffmanLengths(distFreq.data(), kDistCodes, kMaxCodeBits, distLen_.data());

    int hlit = kLitLenCodes, hdist = kDistCodes;
    while (hlit > 257 && litLen_[hlit - 1] == 0) --hlit;
    while (hdist > 1 && distLen_[hdist - 1] == 0) --hdist;
    std::array<uint8_t, kLitLenCodes + kDistCodes> all{};
    std::copy_n(litLen_.begin(), hlit, all.begin());
    std::copy_n(distLen_.begin(), hdist, all.begin() + hlit);
    LengthRuns(all.data(), hlit + hdist, runs_);
    std::array<uint32_t, kLengthCodes> runFreq{};
    for (const TLengthRun& r : runs_) ++runFreq[r.Symbol];
    used = 0;
    for (uint32_t f : runFreq) used += f != 0;
    for (int s = 0; used < 2; ++s)
      if (runFreq[s] == 0) runFreq[s] = 1, ++used;
    std::array<uint8_t, kLengthCodes> runLen{};
    HuffmanLengths(runFreq.data(), kLengthCodes, 7, runLen.data());
    int hclen = kLengthCodes;
    while (hclen > 4 && runLen[kLengthOrder[hclen - 1]] == 0) --hclen;

    uint64_t bits = 3 + 14 + 3 * static_cast<uint64_t>(hclen);
    for (const TLengthRun& r : runs_) bits += runLen[r.Symbol] + ExtraBitsOfRun(r.Symbol);
    for (int s = 0; s < kLitLenCodes; ++s) {
      const unsigned extra = s > kEndOfBlock ? kLengthExtra[s - 257] : 0;
      bits += static_cast<uint64_t>(litFreq_[s]) * (litLen_[s] + extra);
    }
    for (int s = 0; s < kDistCodes; ++s) bits += static_cast<uint64_t>(distFreq_[s]) * (distLen_[s] + kDistExtra[s]);

    // Coded only where it is smaller than the bytes stored as they are, so
    // that no block is larger than its stored form.
    if (bits + 64 > StoredBits(last - first)) {
      WriteStored(w, first, last, finalBlock);
      return;
    }

    CanonicalCodes(litLen_.data(), kLitLenCodes, litCode_.data());
    CanonicalCodes(distLen_.data(), kDistCodes, distCode_.data());
    std::array<TCode, kLengthCodes> runCode{};
    CanonicalCodes(runLen.data(), kLengthCodes, runCode.data());

    w.Put(finalBlock ? 0b101 : 0b100, 3);  // the final mark, then 2: dynamic codes
    w.Put(static_cast<uint32_t>(hlit - 257), 5);
    w.Put(static_cast<uint32_t>(hdist - 1), 5);
    w.Put(static_cast<uint32_t>(hclen - 4), 4);
    for (int k = 0; k < hclen; ++k) w.Put(runLen[kLengthOrder[k]], 3);
    for (const TLengthRun& r : runs_) {
      const TCode c = runCode[r.Symbol];
      w.Put(c.Bits | static_cast<uint32_t>(r.Extra) << c.Length, c.Length + ExtraBitsOfRun(r.Symbol));
    }

    const auto& lengths = LengthSymbols();
    const auto& distCodes = DistCodes();
    const uint8_t* p = data_ + first;
    for (size_t k = 0; k < tokenCount_; ++k) {
      const uint32_t t = tokens_[k];
      if ((t & kMatch) == 0) {
        // Two literals at a time: at most 30 bits.
        const uint8_t* const end = p + t;
        for (; p + 2 <= end; p += 2) {
          const TCode a = litCode_[p[0]], b = litCode_[p[1]];
          w.Put(a.Bits | static_cast<uint32_t>(b.Bits) << a.Length, a.Length + b.Length);
        }
        if (p < end) {
          const TCode a = litCode_[*p++];
          w.Put(a.Bits, a.Length);
        }
        continue;
      }
      const size_t len = (t >> 16) & 0x1FF;
      p += len;
      const TLengthSymbol& ls = lengths[len];
      const TCode c = litCode_[ls.Symbol];
      w.Put(c.Bits | static_cast<uint32_t>(ls.Extra) << c.Length, c.Length + ls.ExtraBits);
      const uint32_t d = t & 0x7FFF;
      const uint8_t ds = distCodes[DistIndex(d)];
      const TCode dc = distCode_[ds];
      w.Put(dc.Bits | (d + 1 - kDistBase[ds]) << dc.Length, dc.Length + kDistExtra[ds]);
    }
    const TCode eob = litCode_[kEndOfBlock];
    w.Put(eob.Bits, eob.Length);
  }

  void WriteStored(TBitWriter& w, size_t first, size_t last, bool finalBlock) {
    for (size_t pos = first; pos < last;) {
      const size_t n = std::min(kStoredMax, last - pos);
      w.Put(finalBlock && pos + n == last ? 1 : 0, 3);  // the final mark, then 0: stored
      w.Align();
      const uint8_t head[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(~n),
                               static_cast<uint8_t>(~n >> 8)};
      w.Copy(head, 4);
      w.Copy(data_ + pos, n);
      pos += n;
    }
  }

  const uint8_t* data_;
  const TInputReady& ready_;
  uint32_t adler_ = 1;
  size_t rowBytes_, pixelBytes_, upLeft_, upRight_;
  // A match (kMatch, length, distance - 1) or a count of literals, which
  // are the input bytes at that place.
  std::vector<uint32_t> tokens_;
  size_t tokenCount_ = 0;
  struct TSeen {
    uint32_t At;     // last position + 1; 0 for none
    uint32_t Bytes;  // the four bytes there
  };
  std::vector<TSeen> seen_;  // by a hash of the four bytes
  int seenBits_ = kSeenBits;
  std::array<uint32_t, kLitLenCodes> litFreq_{};
  std::array<uint32_t, kDistCodes> distFreq_{};
  std::array<std::array<uint32_t, 256>, 4> byteFreq_{};  // literals, counted four ways
  std::array<uint8_t, kLitLenCodes> litLen_{};
  std::array<uint8_t, kDistCodes> distLen_{};
  std::array<TCode, kLitLenCodes> litCode_{};
  std::array<TCode, kDistCodes> distCode_{};
  std::vector<TLengthRun> runs_;
};

// Room for a part of n bytes: no block is larger than its stored form.
uint64_t PartBound(size_t n) { return CheckedAdd(n, CheckedMul(6, n / 32768 + 8)); }

struct TPart {
  TPart(size_t first, size_t last) : First(first), Last(last) {}
  size_t First, Last;
  uint32_t Adler = 1;
  size_t Size = 0;
  TByteBlock Own;  // the second part's output, before it joins the first
};

void CodePart(const uint8_t* data, TRowShape shape, const TInputReady& ready, TPart& part, uint8_t* out,
              bool finalPart) {
  TSegmentCoder coder(data, shape, ready);
  part.Size = static_cast<size_t>(coder.Code(part.First, part.Last, out, finalPart) - out);
  part.Adler = coder.Checksum();
}

}  // namespace

TByteBlock RowDeflate(std::span<const uint8_t> input, TRowShape shape, bool twoParts, const TInputReady& ready,
                      const TRunner& runner) {
  const size_t n = input.size();
  TByteBlock out{AllocateBlock(CheckedAdd(PartBound(n), 6 + 16)), 0};
  uint8_t* const base = out.Data.get();
  base[0] = 0x78;  // deflate, 32 KB window
  base[1] = 0x5E;  // a fast coder's stream; (0x78 << 8 | 0x5E) % 31 == 0

  // Two parts split on a row, the second coded beside the first. The parts
  // do not depend on the threads: in order they make the same stream.
  size_t middle = 0;
  if (twoParts && n >= kTwoPartBytes && n <= static_cast<size_t>(INT32_MAX)) {
    middle = n / 2;
    if (shape.RowBytes > 0 && shape.RowBytes < middle) middle -= middle % shape.RowBytes;
  }
  TPart first(0, middle == 0 ? n : middle);
  TPart second(first.Last, n);
  if (middle != 0) second.Own = TByteBlock{AllocateBlock(PartBound(n - middle)), 0};
  runner.Beside(
      middle != 0, [&] { CodePart(input.data(), shape, ready, first, base + 2, middle == 0); },
      [&] {
        if (middle != 0) CodePart(input.data(), shape, ready, second, second.Own.Data.get(), true);
      });

  size_t size = 2 + first.Size;
  uint32_t adler = first.Adler;
  if (second.Size > 0) {
    std::memcpy(base + size, second.Own.Data.get(), second.Size);
    size += second.Size;
    adler = JoinAdler32(adler, second.Adler, second.Last - second.First);
  }
  for (int k = 3; k >= 0; --k) base[size++] = static_cast<uint8_t>(adler >> (8 * k));
  out.Size = size;
  return out;
}

}  // namespace dorv

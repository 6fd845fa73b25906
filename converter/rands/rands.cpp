#include "converter/rands/rands.h"

#include <algorithm>
#include <array>
#include <bit>

#include "converter/core/checked.h"
#include "converter/core/errors.h"
#include "converter/core/messages.h"

// The pool is a bitmap of the numbers 0 .. size - 1 still to be drawn, and a
// Fenwick tree of counts over leaves of 512 numbers (eight 64-bit words, one
// cache line). Finding the i-th number left is one walk down the tree to its
// leaf, a count of the leaf's eight words and a select within one word:
// O(log n) per draw, while the draws stay exactly those of removing entry i
// from an ordered list. A pool of a million numbers needs an 8 KiB tree and a
// 128 KiB bitmap, so the walk stays in the fastest cache.

namespace dorv {
namespace {

constexpr size_t kLeafWords = 8;

// kSelect8[b][k]: position of the k-th set bit of byte b.
constexpr std::array<std::array<uint8_t, 8>, 256> MakeSelect8() {
  std::array<std::array<uint8_t, 8>, 256> t{};
  for (int b = 0; b < 256; ++b) {
    int k = 0;
    for (int bit = 0; bit < 8; ++bit)
      if (b & (1 << bit)) t[static_cast<size_t>(b)][static_cast<size_t>(k++)] = static_cast<uint8_t>(bit);
  }
  return t;
}
constexpr auto kSelect8 = MakeSelect8();

// Bits set in x, without relying on a processor instruction for it.
inline uint32_t CountBits(uint64_t x) {
  x = x - ((x >> 1) & 0x5555555555555555u);
  x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<uint32_t>((x * 0x0101010101010101u) >> 56);
}

// Position of the k-th set bit of x; x has more than k bits set. The halving
// steps use masks, not branches: which half holds the bit is unpredictable.
inline uint32_t SelectBit(uint64_t x, uint32_t k) {
  uint32_t pos = 0;
  for (uint32_t width = 32; width >= 8; width /= 2) {
    const uint64_t low = x & ((uint64_t{1} << width) - 1);
    const uint32_t c = CountBits(low);
    const uint32_t up = 0u - static_cast<uint32_t>(k >= c);  // all ones when the bit lies higher
    k -= c & up;
    x = up ? x >> width : low;
    pos += width & up;
  }
  return pos + kSelect8[static_cast<size_t>(x & 0xFF)][k];
}

}  // namespace

void TSeededRandom::Reset(int32_t count) {
  size_ = count > 0 ? count : 0;
  remaining_ = size_;
  // The word count is padded to a power of two with empty words, so that the
  // walk never has to check the tree's end.
  const auto used = static_cast<size_t>((static_cast<int64_t>(size_) + 63) / 64);
  const size_t leaves = used == 0 ? 0 : std::bit_ceil((used + kLeafWords - 1) / kLeafWords);
  // Refused above the allocation cap.
  (void)CheckedMul(leaves + 1, kLeafWords * sizeof(uint64_t) + sizeof(int32_t));
  bits_.assign(leaves * kLeafWords, 0);
  std::fill_n(bits_.begin(), used, ~uint64_t{0});
  if (size_ % 64 != 0) bits_[used - 1] = (uint64_t{1} << (size_ % 64)) - 1;
  // Linear build: each node passes its sum on to its parent.
  tree_.assign(leaves + 1, 0);
  for (size_t i = 1; i <= leaves; ++i) {
    for (size_t w = 0; w < kLeafWords; ++w)
      tree_[i] += static_cast<int32_t>(CountBits(bits_[(i - 1) * kLeafWords + w]));
    const size_t parent = i + (i & (~i + 1));
    if (parent <= leaves) tree_[parent] += tree_[i];
  }
  // The root (node leaves) covers everything and is never consulted.
  top_ = static_cast<int32_t>(leaves / 2);
}

int32_t TSeededRandom::Next() {
  if (remaining_ <= 0) throw EListError(FormatMessage(msg::kListIndex, 0));
  state_ = 5u * state_ + seed_;
  uint32_t rank = state_ % static_cast<uint32_t>(remaining_);  // zero-based rank in the pool

  // Walk down from the top: a node whose count exceeds the rank covers the
  // wanted number, and is exactly a node that loses it.
  int32_t* const tree = tree_.data();
  uint32_t pos = 0;
  for (auto step = static_cast<uint32_t>(top_); step > 0; step >>= 1) {
    int32_t& node = tree[pos + step];
    const auto c = static_cast<uint32_t>(node);
    const uint32_t right = 0u - static_cast<uint32_t>(c <= rank);  // all ones: go past this node
    rank -= c & right;
    node -= static_cast<int32_t>(~right & 1u);
    pos += step & right;
  }
  // Within the leaf: the word is the first whose running count passes the
  // rank; the last word need not be tested, the leaf holds the number.
  uint64_t* const leaf = bits_.data() + size_t{pos} * kLeafWords;
  uint32_t before[kLeafWords];
  uint32_t sum = 0, w = 0;
  for (size_t i = 0; i < kLeafWords; ++i) {
    before[i] = sum;
    sum += CountBits(leaf[i]);
    w += static_cast<uint32_t>(i + 1 < kLeafWords && sum <= rank);
  }
  rank -= before[w];
  const uint32_t bit = SelectBit(leaf[w], rank);
  leaf[w] &= ~(uint64_t{1} << bit);
  --remaining_;
  return static_cast<int32_t>((pos * kLeafWords + w) * 64 + bit);
}

std::vector<int32_t> SeededPermutation(uint32_t seed, int32_t count) {
  TSeededRandom random(seed);
  random.Reset(count);
  std::vector<int32_t> order(static_cast<size_t>(random.Remaining()));
  for (auto& v : order) v = random.Next();
  return order;
}

}  // namespace dorv

#include "converter/rands/rands.h"

#include "converter/core/checked.h"
#include "converter/core/errors.h"
#include "converter/core/messages.h"

// The pool is kept as a Fenwick tree of 0/1 counts over the numbers
// 0 .. size - 1: finding the i-th number still in the pool and taking it out
// is one walk from the top of the tree, O(log n) per draw, while the draws
// stay exactly those of removing entry i from an ordered list.

namespace dorv {

TSeededRandom::TSeededRandom(uint32_t seed) : seed_(seed) {}

TSeededRandom::~TSeededRandom() = default;

void TSeededRandom::Reset(int32_t count) {
  size_ = count > 0 ? count : 0;
  remaining_ = size_;
  // One slot per number plus the unused slot 0; refused above the allocation cap.
  const uint64_t slots = CheckedAdd(static_cast<uint64_t>(size_), 1);
  (void)CheckedMul(slots, sizeof(int32_t));
  tree_.assign(static_cast<size_t>(slots), 0);
  // Every number present: node k counts the lowbit(k) numbers it covers.
  for (int32_t k = 1; k <= size_; ++k) tree_[static_cast<size_t>(k)] = k & -k;
}

int32_t TSeededRandom::Next() {
  if (remaining_ <= 0) throw EListError(FormatMessage(msg::kListIndex, 0));
  state_ = 5u * state_ + seed_;
  uint32_t rank = state_ % static_cast<uint32_t>(remaining_);  // zero-based rank in the pool

  // Walk down from the highest power of two: a node whose count exceeds the
  // rank holds the wanted number, and is exactly a node that loses it.
  int32_t step = 1;
  while (step <= size_ / 2) step <<= 1;
  int32_t pos = 0;
  for (; step > 0; step >>= 1) {
    const int32_t next = pos + step;
    if (next > size_) continue;
    int32_t& node = tree_[static_cast<size_t>(next)];
    if (static_cast<uint32_t>(node) <= rank) {
      rank -= static_cast<uint32_t>(node);
      pos = next;
    } else {
      --node;
    }
  }
  --remaining_;
  return pos;  // the number at tree slot pos + 1
}

std::vector<int32_t> SeededPermutation(uint32_t seed, int32_t count) {
  TSeededRandom random(seed);
  random.Reset(count);
  std::vector<int32_t> order(static_cast<size_t>(random.Remaining()));
  for (auto& v : order) v = random.Next();
  return order;
}

}  // namespace dorv

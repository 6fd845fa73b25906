// The seeded scrambler: turns the document's identification code into a
// permutation of rows or blocks. Draws follow the pool-removal rule
// (state := 5 * state + seed; take entry state mod pool size out of the
// pool), at a cost per draw that does not grow linearly with the pool.
#pragma once

#include <cstdint>
#include <vector>

namespace dorv {

class TSeededRandom {
 public:
  explicit TSeededRandom(uint32_t seed) : seed_(seed) {}
  // The pool becomes 0 .. count - 1; the state is kept.
  void Reset(int32_t count);
  // Draws one number; the pool must not be empty.
  int32_t Next();
  int32_t Remaining() const { return remaining_; }

 private:
  uint32_t seed_;
  uint32_t state_ = 0;
  int32_t remaining_ = 0;
  int32_t size_ = 0;
  std::vector<int32_t> tree_;  // counts of the numbers not drawn yet, per leaf of bits_
  std::vector<uint64_t> bits_;  // one bit per number of the pool, set while not drawn
  int32_t top_ = 0;             // highest power of two not above bits_.size()
};

// The whole permutation of Reset(count) followed by count draws.
std::vector<int32_t> SeededPermutation(uint32_t seed, int32_t count);

}  // namespace dorv

// Rows made by one thread for another that works behind it: the maker
// publishes how many rows from the top are complete, the follower waits for
// the rows it needs. A maker that fails abandons the rows, which releases
// the follower.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace dorv {

class TRowProgress {
 public:
  explicit TRowProgress(int32_t height) : height_(height) {}
  TRowProgress(const TRowProgress&) = delete;
  TRowProgress& operator=(const TRowProgress&) = delete;

  int32_t Height() const { return height_; }
  // Rows [0, rows) are complete (never fewer than published before).
  void Publish(int32_t rows);
  // No more rows will come.
  void Abandon();
  // Returns once rows [0, rows) are complete; false when they never will be.
  bool WaitFor(int32_t rows) const;
  bool Complete() const;

 private:
  const int32_t height_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  int32_t done_ = 0;
  bool abandoned_ = false;
};

}  // namespace dorv

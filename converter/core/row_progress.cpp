#include "converter/core/row_progress.h"

#include <algorithm>

namespace dorv {

void TRowProgress::Publish(int32_t rows) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = std::max(done_, std::min(rows, height_));
  }
  changed_.notify_all();
}

void TRowProgress::Abandon() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    abandoned_ = true;
  }
  changed_.notify_all();
}

bool TRowProgress::WaitFor(int32_t rows) const {
  rows = std::min(rows, height_);
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return done_ >= rows || abandoned_; });
  return done_ >= rows;
}

bool TRowProgress::Complete() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return done_ >= height_;
}

}  // namespace dorv

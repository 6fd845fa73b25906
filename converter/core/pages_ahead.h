// Fresh memory that this thread is about to fill, taken page by page on
// another thread ahead of it, so that the filling does not stop at every new
// page (where the system lets pages be taken without touching them; else
// nothing happens). The ranges are taken in order; the destructor stops and
// waits for the other thread, so it must come before the memory is freed.
#pragma once

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "converter/core/runner.h"

namespace dorv {

class TPagesAhead {
 public:
  explicit TPagesAhead(std::initializer_list<std::span<uint8_t>> ranges, const TRunner& runner = TRunner());
  ~TPagesAhead();
  TPagesAhead(const TPagesAhead&) = delete;
  TPagesAhead& operator=(const TPagesAhead&) = delete;

 private:
  std::atomic<bool> stop_{false};
  TSecondThread thread_;
};

}  // namespace dorv

#include "converter/core/pages_ahead.h"

#include <algorithm>
#include <vector>

#include "platform/pages.h"

namespace dorv {
namespace {

// Pages are taken a piece at a time, so that a stop takes effect soon.
constexpr size_t kPiece = size_t{4} << 20;

}  // namespace

TPagesAhead::TPagesAhead(std::initializer_list<std::span<uint8_t>> ranges, const TRunner& runner) {
  if (!platform::kPopulatesPages) return;
  std::vector<std::span<uint8_t>> todo;
  for (const std::span<uint8_t> r : ranges)
    if (!r.empty()) todo.push_back(r);
  if (todo.empty()) return;
  // Without a thread the pages come as they are written.
  (void)runner.Start(thread_, [this, todo = std::move(todo)] {
    for (const std::span<uint8_t> r : todo)
      for (size_t at = 0; at < r.size() && !stop_.load(std::memory_order_relaxed); at += kPiece)
        platform::PopulatePages(r.data() + at, std::min(kPiece, r.size() - at));
  });
}

TPagesAhead::~TPagesAhead() {
  stop_.store(true, std::memory_order_relaxed);
  (void)thread_.Join();
}

}  // namespace dorv

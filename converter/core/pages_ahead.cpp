#include "converter/core/pages_ahead.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include "platform/pages.h"

namespace dorv {
namespace {

// Pages are taken a piece at a time, so that a stop takes effect soon.
constexpr size_t kPiece = size_t{4} << 20;

}  // namespace

TPagesAhead::TPagesAhead(std::initializer_list<std::span<uint8_t>> ranges) {
  if (!platform::kPopulatesPages) return;
  std::vector<std::span<uint8_t>> todo;
  for (const std::span<uint8_t> r : ranges)
    if (!r.empty()) todo.push_back(r);
  if (todo.empty()) return;
  try {
    thread_ = std::thread([this, todo = std::move(todo)] {
      for (const std::span<uint8_t> r : todo)
        for (size_t at = 0; at < r.size() && !stop_.load(std::memory_order_relaxed); at += kPiece)
          platform::PopulatePages(r.data() + at, std::min(kPiece, r.size() - at));
    });
  } catch (const std::system_error&) {  // no thread to be had: the pages come as they are written
  }
}

TPagesAhead::~TPagesAhead() {
  stop_.store(true, std::memory_order_relaxed);
  if (thread_.joinable()) thread_.join();
}

}  // namespace dorv

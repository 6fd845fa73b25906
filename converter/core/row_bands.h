// Row work on large pictures split into two bands, one of them on a thread
// of its own. Each band's rows are written by that band alone.
#pragma once

#include <cstdint>
#include <system_error>
#include <thread>

namespace dorv {

// Pictures below this size are worked in one band: a thread would cost more
// than it saves.
inline constexpr uint64_t kBandedRowsBytes = uint64_t{4} << 20;

// Calls work(band, first, last) for rows [first, last) so that every row of
// [0, height) is worked once: in bands 0 and 1 on two threads when bytes
// (what the work writes) is large, else in band 0 alone. work must not
// throw; a result per band goes to a slot of its own (band is 0 or 1).
template <class Work>
void ForRowBands(int32_t height, uint64_t bytes, Work&& work) {
  if (bytes < kBandedRowsBytes || height < 2) {
    work(0, 0, height);
    return;
  }
  const int32_t middle = height / 2;
  std::thread lower;
  try {
    lower = std::thread([&] { work(1, middle, height); });
  } catch (const std::system_error&) {  // no thread to be had
    work(0, 0, height);
    return;
  }
  work(0, 0, middle);
  lower.join();
}

}  // namespace dorv

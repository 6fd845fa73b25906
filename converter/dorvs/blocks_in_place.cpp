#include "converter/dorvs/blocks_in_place.h"

#include <cstring>
#include <vector>

#include "converter/core/checked.h"
#include "converter/core/runner.h"

namespace dorv {
namespace {

// The stored bytes of one block row go through a copy of their own, which
// is kept to what stays in the cache of a core (a 64-pixel block row of a
// 4096-pixel 24-bit plane takes 768 KiB).
constexpr uint64_t kMaxBlockRowBytes = uint64_t{8} << 20;

// Writes block row r from its stored bytes (from, which is not in the rows
// written): each plane row whole, left to right.
void MoveBlockRow(const TBlockGrid& g, std::span<const uint8_t> stored, uint8_t* buf, uint64_t r,
                  const uint8_t* from) {
  const uint64_t first = r * g.BX, last = std::min<uint64_t>(stored.size(), first + g.BX);
  const TBlockArea row = g.Area(first);
  const size_t used = static_cast<size_t>(PixelBytes(g.W, g.Bits));
  uint8_t* const top = buf + g.RowBytes * static_cast<size_t>(row.Y);
  for (int32_t k = 0; k < row.H; ++k) {
    uint8_t* const dst = top + g.RowBytes * static_cast<size_t>(k);
    const uint8_t* block = from;
    for (uint64_t b = first; b < last; ++b) {
      const uint64_t col = b - first;
      const size_t len = static_cast<size_t>(PixelBytes(std::min(g.BW, g.W - col * g.BW), g.Bits));
      uint8_t* const at = dst + static_cast<size_t>(col * g.BlockStride);
      if (stored[static_cast<size_t>(b)] != 0) {
        std::memcpy(at, block + len * static_cast<size_t>(k), len);
        block += len * static_cast<size_t>(row.H);
      } else {
        std::memset(at, 0, len);
      }
    }
    std::memset(dst + used, 0, g.RowBytes - used);
  }
}

}  // namespace

bool PlaceBlocksInPlace(const TBlockGrid& g, std::span<const uint8_t> stored, uint8_t* buf, uint64_t bufSize,
                        uint64_t dataAt, const TRunner& runner) {
  if (g.Bits % 8 != 0 || g.BX == 0) return false;
  const uint64_t rows = g.BlockRows();
  const uint64_t planeBytes = CheckedMul(g.RowBytes, g.H);
  if (planeBytes > bufSize || rows == 0) return false;

  // Block row r's stored bytes are [src[r], src[r + 1]); its plane rows
  // [Dst(r), Dst(r + 1)).
  std::vector<uint64_t> src(static_cast<size_t>(rows + 1));
  src[0] = dataAt;
  uint64_t largest = 0;
  for (uint64_t r = 0; r < rows; ++r) {
    const uint64_t first = r * g.BX, last = std::min<uint64_t>(stored.size(), first + g.BX);
    const uint64_t h = static_cast<uint64_t>(g.Area(first).H);
    uint64_t bytes = 0;
    for (uint64_t b = first; b < last; ++b)
      if (stored[static_cast<size_t>(b)] != 0)
        bytes = CheckedAdd(bytes, CheckedMul(PixelBytes(std::min(g.BW, g.W - (b - first) * g.BW), g.Bits), h));
    src[static_cast<size_t>(r + 1)] = CheckedAdd(src[static_cast<size_t>(r)], bytes);
    largest = std::max(largest, bytes);
  }
  const uint64_t end = src[static_cast<size_t>(rows)];
  if (end > bufSize || largest > kMaxBlockRowBytes) return false;
  const auto Src = [&](uint64_t r) { return src[static_cast<size_t>(r)]; };
  const auto Dst = [&](uint64_t r) { return std::min(planeBytes, CheckedMul(g.RowBytes, r * g.BH)); };

  // Top down, a block row's plane rows must end before the stored bytes of
  // the rows below it; bottom up, start after those of the rows above it.
  bool down = true, up = true;
  for (uint64_t r = 0; r < rows; ++r) {
    if (Src(r + 1) < end && Dst(r + 1) > Src(r + 1)) down = false;
    if (Src(r) > dataAt && Dst(r) < Src(r)) up = false;
  }
  if (!down && !up) return false;

  // Two halves side by side, each in its own order. The half that runs
  // second in order would overwrite the first half's last row, so that row
  // is set aside first. Beyond it the halves' bytes must not meet.
  const uint64_t middle = rows / 2;
  const uint64_t aside = down ? middle - 1 : middle;
  bool halves = rows >= 2 && runner.Worth(planeBytes);
  if (halves && down) halves = Src(middle - 1) <= Dst(middle) || Src(middle - 1) == dataAt;
  if (halves && !down) halves = Dst(middle) <= Src(middle + 1) || Src(middle + 1) == end;

  // All memory is had before the first byte moves: a failure leaves the
  // bytes as they were.
  const auto rowBytes = [&](uint64_t r) { return static_cast<size_t>(Src(r + 1) - Src(r)); };
  const Block copies[2] = {AllocateUnfilledBlock(largest), halves ? AllocateUnfilledBlock(largest) : Block()};
  Block setAside;
  if (halves) {
    setAside = AllocateUnfilledBlock(rowBytes(aside));
    std::memcpy(setAside.get(), buf + Src(aside), rowBytes(aside));
  }
  const auto moveRows = [&](uint64_t first, uint64_t last) {
    const Block& copy = copies[first == 0 || !halves ? 0 : 1];
    for (uint64_t i = first; i < last; ++i) {
      const uint64_t r = down ? i : first + last - 1 - i;
      const uint8_t* from = setAside.get();
      if (!halves || r != aside) {
        std::memcpy(copy.get(), buf + Src(r), rowBytes(r));
        from = copy.get();
      }
      MoveBlockRow(g, stored, buf, r, from);
    }
  };
  if (!halves) {
    moveRows(0, rows);
  } else if (down) {
    runner.Beside(true, [&] { moveRows(0, middle); }, [&] { moveRows(middle, rows); });
  } else {
    runner.Beside(true, [&] { moveRows(middle, rows); }, [&] { moveRows(0, middle); });
  }
  return true;
}

}  // namespace dorv

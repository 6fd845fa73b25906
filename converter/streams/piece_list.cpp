#include "converter/streams/piece_list.h"

#include <algorithm>

#include "converter/streams/stream.h"

namespace dorv {
namespace {

// Made rows pass through this much memory at a time.
constexpr size_t kMadeRowsBytes = size_t{256} << 10;

}  // namespace

void TPieceList::WriteInt32(int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  TByteBlock bytes{AllocateUnfilledBlock(4), 4};
  for (int i = 0; i < 4; ++i) bytes.Data[static_cast<size_t>(i)] = static_cast<uint8_t>(u >> (8 * i));
  Adopt(std::move(bytes));
}

void TPieceList::Adopt(TByteBlock bytes) {
  if (bytes.Size == 0) return;
  Piece& piece = pieces_.emplace_back();
  piece.owned = std::move(bytes);
  piece.bytes = piece.owned.Bytes();  // a moved block keeps its bytes where they are
  size_ += piece.bytes.size();
}

void TPieceList::Borrow(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return;
  pieces_.emplace_back().bytes = bytes;
  size_ += bytes.size();
}

void TPieceList::MakeRows(size_t rowBytes, int32_t rows, std::function<void(int32_t, uint8_t*)> make) {
  if (rowBytes == 0 || rows <= 0) return;
  const uint64_t bytes = CheckedMul(rowBytes, static_cast<uint64_t>(rows));
  Piece& piece = pieces_.emplace_back();
  piece.make = std::move(make);
  piece.rowBytes = rowBytes;
  piece.rows = rows;
  size_ = CheckedAdd(size_, bytes);
}

void TPieceList::WriteTo(TStream& stream) const {
  Block scratch;
  size_t scratchBytes = 0;
  for (const Piece& piece : pieces_) {
    if (!piece.make) {
      stream.WriteBuffer(piece.bytes.data(), piece.bytes.size());
      continue;
    }
    const size_t per = std::max<size_t>(1, kMadeRowsBytes / piece.rowBytes);
    if (per * piece.rowBytes > scratchBytes) {
      scratch = AllocateUnfilledBlock(per * piece.rowBytes);
      scratchBytes = per * piece.rowBytes;
    }
    for (int32_t y = 0; y < piece.rows;) {
      const int32_t n = static_cast<int32_t>(std::min<size_t>(per, static_cast<size_t>(piece.rows - y)));
      for (int32_t k = 0; k < n; ++k) piece.make(y + k, scratch.get() + piece.rowBytes * static_cast<size_t>(k));
      stream.WriteBuffer(scratch.get(), piece.rowBytes * static_cast<size_t>(n));
      y += n;
    }
  }
}

}  // namespace dorv

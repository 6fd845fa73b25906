#include "converter/streams/piece_list.h"

#include "converter/streams/stream.h"

namespace dorv {

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
  pieces_.push_back(Piece{{}, bytes});
  size_ += bytes.size();
}

void TPieceList::WriteTo(TStream& stream) const {
  for (const Piece& piece : pieces_) stream.WriteBuffer(piece.bytes.data(), piece.bytes.size());
}

}  // namespace dorv

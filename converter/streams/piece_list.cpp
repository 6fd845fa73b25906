#include "converter/streams/piece_list.h"

#include "converter/streams/stream.h"

namespace dorv {

void TPieceList::WriteInt32(int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  Adopt(std::vector<uint8_t>{static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
         static_cast<uint8_t>(u >> 24)});
}

void TPieceList::Adopt(std::vector<uint8_t> bytes) {
  if (bytes.empty()) return;
  Piece& piece = pieces_.emplace_back();
  piece.owned = std::move(bytes);
  piece.bytes = piece.owned;  // a moved vector keeps its buffer
  size_ += piece.bytes.size();
}

void TPieceList::Adopt(TByteBlock bytes) {
  if (bytes.Size == 0) return;
  Piece& piece = pieces_.emplace_back();
  piece.block = std::move(bytes);
  piece.bytes = piece.block.Bytes();
  size_ += piece.bytes.size();
}

void TPieceList::Borrow(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return;
  pieces_.push_back(Piece{{}, {}, bytes});
  size_ += bytes.size();
}

void TPieceList::WriteTo(TStream& stream) const {
  for (const Piece& piece : pieces_) stream.WriteBuffer(piece.bytes.data(), piece.bytes.size());
}

}  // namespace dorv

// The plane records of a document being saved, gathered before the header
// that precedes them is known. Coded blobs are kept as they were made and
// raw planes are only pointed at, so that saving copies each byte once, into
// the stream that receives the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "converter/core/checked.h"

namespace dorv {

class TStream;

class TPieceList {
 public:
  void WriteInt32(int32_t v);
  // Takes the bytes over.
  void Adopt(TByteBlock bytes);
  // Points at bytes that stay unchanged until WriteTo has run.
  void Borrow(std::span<const uint8_t> bytes);
  // rows rows of rowBytes bytes each, made only as they are written:
  // make(y, row) fills row y (all rowBytes bytes), in order, from the
  // thread that runs WriteTo. The stream then receives them a few at a
  // time from memory that stays in the cache.
  void MakeRows(size_t rowBytes, int32_t rows, std::function<void(int32_t y, uint8_t* row)> make);

  uint64_t Size() const { return size_; }
  void WriteTo(TStream& stream) const;

 private:
  struct Piece {
    TByteBlock owned;
    std::span<const uint8_t> bytes;  // into owned, or borrowed
    std::function<void(int32_t, uint8_t*)> make;  // rows made as they are written
    size_t rowBytes = 0;
    int32_t rows = 0;
  };
  std::vector<Piece> pieces_;
  uint64_t size_ = 0;
};

}  // namespace dorv

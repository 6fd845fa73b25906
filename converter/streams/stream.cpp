#include "converter/streams/stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "converter/core/errors.h"
#include "converter/core/little_endian.h"
#include "converter/core/messages.h"

namespace dorv {

int64_t TStream::Size() {
  int64_t here = Position();
  int64_t end = Seek(0, SeekOrigin::End);
  Seek(here, SeekOrigin::Begin);
  return end;
}

void TStream::ReadBuffer(void* buffer, size_t n) {
  auto* out = static_cast<uint8_t*>(buffer);
  while (n > 0) {
    size_t got = Read(out, n);
    if (got == 0) throw EReadError(msg::kStreamRead);
    out += got;
    n -= got;
  }
}

int32_t TStream::ReadInt32() {
  uint8_t b[4];
  ReadBuffer(b, 4);
  return le::LoadInt32(b);
}

uint8_t TStream::ReadByte() {
  uint8_t b;
  ReadBuffer(&b, 1);
  return b;
}

void TStream::WriteInt32(int32_t v) {
  uint8_t b[4];
  le::StoreInt32(b, v);
  Write(b, 4);
}

namespace {
// Moves pos within bytes of the given size; never before the start.
int64_t SeekIn(uint64_t& pos, int64_t offset, SeekOrigin origin, size_t size) {
  const int64_t base = origin == SeekOrigin::Begin     ? 0
                       : origin == SeekOrigin::Current ? static_cast<int64_t>(pos)
                                                       : static_cast<int64_t>(size);
  const int64_t at = base + offset;
  pos = static_cast<uint64_t>(at < 0 ? 0 : at);
  return static_cast<int64_t>(pos);
}

// Copies up to n bytes from pos on into buffer and moves pos past them.
size_t ReadAt(const uint8_t* data, size_t size, uint64_t& pos, void* buffer, size_t n) {
  if (pos >= size) return 0;
  const auto at = static_cast<size_t>(pos);
  const size_t k = std::min(n, size - at);
  std::memcpy(buffer, data + at, k);
  pos += k;
  return k;
}
}  // namespace

size_t TMemoryStream::Read(void* buffer, size_t n) {
  return ReadAt(data_.data(), data_.size(), pos_, buffer, n);
}

void TMemoryStream::Write(const void* buffer, size_t n) {
  if (n == 0) return;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  if (pos_ == data_.size()) {
    // Appending: no zero fill of bytes about to be overwritten.
    data_.insert(data_.end(), bytes, bytes + n);
  } else {
    const uint64_t end = pos_ + n;
    if (end > data_.max_size()) throw EOutOfMemory(msg::kOutOfMemory);
    if (end > data_.size()) data_.resize(static_cast<size_t>(end));
    std::memcpy(data_.data() + static_cast<size_t>(pos_), bytes, n);
  }
  pos_ += n;
}

void TMemoryStream::Expect(uint64_t n) {
  if (pos_ <= data_.capacity() && n <= data_.capacity() - pos_) return;
  if (pos_ > data_.max_size() || n > data_.max_size() - pos_) return;  // the writes will fail on their own
  data_.reserve(static_cast<size_t>(pos_ + n));
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  return SeekIn(pos_, offset, origin, data_.size());
}

void TMemoryStream::SetSize(size_t n) {
  data_.resize(n);
  if (pos_ > n) pos_ = n;
}

std::vector<uint8_t> TMemoryStream::TakeBytes() {
  pos_ = 0;
  return std::move(data_);
}

size_t TSpanStream::Read(void* buffer, size_t n) { return ReadAt(data_, size_, pos_, buffer, n); }

void TSpanStream::Write(const void*, size_t) { throw EWriteError(msg::kStreamWrite); }

int64_t TSpanStream::Seek(int64_t offset, SeekOrigin origin) { return SeekIn(pos_, offset, origin, size_); }

size_t THandleStream::Read(void* buffer, size_t n) {
  // ReadFile takes 32-bit counts.
  DWORD want = static_cast<DWORD>(std::min<size_t>(n, 0x40000000u));
  DWORD got = 0;
  if (!ReadFile(handle_, buffer, want, &got, nullptr)) throw EReadError(msg::kStreamRead);
  return got;
}

void THandleStream::Write(const void* buffer, size_t n) {
  const auto* in = static_cast<const uint8_t*>(buffer);
  while (n > 0) {
    DWORD want = static_cast<DWORD>(std::min<size_t>(n, 0x40000000u));
    DWORD done = 0;
    if (!WriteFile(handle_, in, want, &done, nullptr) || done == 0)
      throw EWriteError(msg::kStreamWrite);
    in += done;
    n -= done;
  }
}

int64_t THandleStream::Seek(int64_t offset, SeekOrigin origin) {
  LONG high = static_cast<LONG>(static_cast<uint64_t>(offset) >> 32);
  DWORD method = origin == SeekOrigin::Begin ? FILE_BEGIN
                 : origin == SeekOrigin::Current ? FILE_CURRENT
                                                 : FILE_END;
  DWORD low = SetFilePointer(handle_, static_cast<LONG>(static_cast<uint64_t>(offset) & 0xFFFFFFFFu),
                             &high, method);
  if (low == INVALID_SET_FILE_POINTER && high == -1) throw EReadError(msg::kStreamRead);
  return static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32) | low);
}

}  // namespace dorv

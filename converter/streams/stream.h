// Streams the container is read from and written to. Reading is strictly
// forwards in practice; ReadBuffer either delivers every byte asked for or
// raises "Stream read error", so no caller ever sees uninitialised bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/win32.h"

namespace dorv {

enum class SeekOrigin { Begin, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;
  // Reads up to n bytes; returns how many were read (0 at the end).
  virtual size_t Read(void* buffer, size_t n) = 0;
  // Writes all n bytes or raises "Stream write error".
  virtual void Write(const void* buffer, size_t n) = 0;
  // Moves the position; returns the new position.
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(int64_t p) { Seek(p, SeekOrigin::Begin); }
  virtual int64_t Size();
  // Bytes between the position and the end.
  int64_t Remaining() { return Size() - Position(); }
  // Told how many bytes are about to be written, a stream may make room
  // for them at once.
  virtual void Expect(uint64_t) {}

  void ReadBuffer(void* buffer, size_t n);
  void WriteBuffer(const void* buffer, size_t n) { Write(buffer, n); }
  int32_t ReadInt32();
  uint8_t ReadByte();
  void WriteInt32(int32_t v);
  void WriteByte(uint8_t v) { Write(&v, 1); }
};

// A growable in-memory stream.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

  size_t Read(void* buffer, size_t n) override;
  void Write(const void* buffer, size_t n) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }

  void SetSize(size_t n);
  // Reserves room for n more bytes from the position (no size change).
  void Expect(uint64_t n) override;
  uint8_t* Data() { return data_.data(); }
  const uint8_t* Data() const { return data_.data(); }
  size_t Length() const { return data_.size(); }
  std::vector<uint8_t>& Bytes() { return data_; }
  std::vector<uint8_t> TakeBytes();

 private:
  std::vector<uint8_t> data_;
  // Positions are 64-bit wherever size_t is not: a seek past 4 GiB must
  // stay past the end, not wrap back into the bytes.
  uint64_t pos_ = 0;
};

// A read-only stream over bytes it does not own.
class TSpanStream : public TStream {
 public:
  TSpanStream(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t Read(void* buffer, size_t n) override;
  void Write(const void* buffer, size_t n) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(size_); }

 private:
  const uint8_t* data_;
  size_t size_;
  uint64_t pos_ = 0;  // as TMemoryStream's
};

// A stream over a platform file handle, read and written at the handle's
// current position. The handle is neither closed nor rewound by the stream.
class THandleStream : public TStream {
 public:
  explicit THandleStream(HANDLE handle) : handle_(handle) {}
  size_t Read(void* buffer, size_t n) override;
  void Write(const void* buffer, size_t n) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;

 private:
  HANDLE handle_;
};

}  // namespace dorv

#include <gtest/gtest.h>

#include <fcntl.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "converter/core/checked.h"
#include "converter/core/errors.h"
#include "converter/core/pages_ahead.h"
#include "converter/streams/byte_reader.h"
#include "converter/streams/piece_list.h"
#include "converter/streams/stream.h"

namespace dorv {
namespace {

TEST(MemoryStream, ReadsBackWhatWasWrittenAndRefusesToReadPastTheEnd) {
  TMemoryStream s;
  s.WriteInt32(-2);
  s.WriteByte(7);
  s.SetPosition(0);
  EXPECT_EQ(s.ReadInt32(), -2);
  EXPECT_EQ(s.ReadByte(), 7);
  uint8_t b;
  try {
    s.ReadBuffer(&b, 1);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "Stream read error");
  }
}

TEST(MemoryStream, OverwritesAppendsAndFillsGapsWhateverRoomWasExpected) {
  TMemoryStream s;
  s.Expect(3);
  s.Write("abcdef", 6);
  s.SetPosition(4);
  s.Expect(1u << 20);  // more than is written: harmless
  s.Write("XYZ", 3);   // part over the end
  s.Seek(2, SeekOrigin::End);
  s.Write("!", 1);     // past the end: the gap reads as zeros
  const std::vector<uint8_t> expected = {'a', 'b', 'c', 'd', 'X', 'Y', 'Z', 0, 0, '!'};
  EXPECT_EQ(s.TakeBytes(), expected);
}

TByteBlock Owned(std::initializer_list<uint8_t> bytes, size_t room) {
  TByteBlock b{AllocateBlock(room), bytes.size()};
  std::copy(bytes.begin(), bytes.end(), b.Data.get());
  return b;
}

TEST(PieceList, WritesOwnedAndBorrowedBytesInTheirOrder) {
  const std::vector<uint8_t> plane = {1, 2, 3};
  TPieceList pieces;
  pieces.WriteInt32(0x04030201);
  pieces.Borrow(plane);
  pieces.Adopt(TByteBlock{});        // nothing
  pieces.Adopt(Owned({}, 4));        // nothing
  pieces.Adopt(Owned({9, 8}, 2));
  for (int i = 0; i < 100; ++i) pieces.Adopt(Owned({7}, i % 2 == 0 ? 1 : 8));  // pieces move as the list grows
  EXPECT_EQ(pieces.Size(), 109u);
  TMemoryStream out;
  pieces.WriteTo(out);
  std::vector<uint8_t> expected = {1, 2, 3, 4, 1, 2, 3, 9, 8};
  expected.insert(expected.end(), 100, 7);
  EXPECT_EQ(out.TakeBytes(), expected);
}

TEST(ByteReader, NeverMovesPastTheBlob) {
  const std::vector<uint8_t> blob = {1, 0, 0, 0, 9};
  TByteReader r(blob, "short");
  EXPECT_EQ(r.ReadInt32(), 1);
  EXPECT_THROW(r.Take(2), EFormatError);
  EXPECT_EQ(r.Remaining(), 1u);  // a refused read consumes nothing
  EXPECT_EQ(r.ReadByte(), 9);
  EXPECT_THROW(r.ReadByte(), EFormatError);
  EXPECT_THROW(r.Require(uint64_t{1} << 62), EFormatError);
}

TEST(CheckedSizes, OverflowAndCapsRaiseOutOfMemory) {
  EXPECT_EQ(CheckedMul(1000, 1000), 1000000u);
  EXPECT_THROW(CheckedMul(uint64_t{1} << 33, uint64_t{1} << 33), EOutOfMemory);
  EXPECT_THROW(CheckedAdd(limits::kMaxAllocationBytes, 1), EOutOfMemory);
  EXPECT_THROW(CheckedSize(-1), EOutOfMemory);
  EXPECT_THROW(AllocateBlock(limits::kMaxAllocationBytes + 1), EOutOfMemory);
  Block b = AllocateBlock(64);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(b[i], 0);
}

// Blocks to be written whole, near and past the size of a large page: zero,
// writable to their last byte, and (where large pages are asked for)
// starting on one.
TEST(AllocateDenseBlock, LargeBlocksAreWholeAndStartOnALargePage) {
  for (const size_t n : {size_t{100}, size_t{1} << 20, (size_t{2} << 20) - 1, size_t{2} << 20,
                         (size_t{3} << 20) + 5, (size_t{50} << 20) + 12345}) {
    Block b = AllocateDenseBlock(n);
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(b[n - 1], 0);
    b[0] = 1;
    b[n - 1] = 2;
    EXPECT_EQ(b[n / 2], 0);
#ifndef _WIN32
    if (n >= (size_t{2} << 20)) {
      EXPECT_EQ(reinterpret_cast<uintptr_t>(b.get()) % (size_t{2} << 20), 0u) << n;
    }
#endif
  }
}

// Pages taken ahead on the other thread while this one writes the same
// memory (from the middle of a page on) and after it stopped: what was
// written stays, the rest stays zero, and an early stop is waited for.
TEST(PagesAhead, KeepWhatIsWrittenMeanwhile) {
  const size_t n = (size_t{12} << 20) + 12345;
  Block b = AllocateBlock(n);
  {
    const TPagesAhead ahead{std::span<uint8_t>(b.get() + 100, n - 200), std::span<uint8_t>(b.get(), 50)};
    for (size_t i = 1000; i < n; i += 977) b[i] = static_cast<uint8_t>(1 + i % 251);
  }
  for (size_t i = 0; i < n; ++i) ASSERT_EQ(b[i], i >= 1000 && (i - 1000) % 977 == 0 ? 1 + i % 251 : 0) << i;
  Block c = AllocateBlock(n);
  const TPagesAhead stopped{std::span<uint8_t>(c.get(), n)};  // stops at once, before c is freed
}

TEST(HandleStream, ReadsAndWritesAtTheHandlePosition) {
#ifdef _WIN32
  char folder[MAX_PATH] = {}, name[MAX_PATH] = {};
  ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
  ASSERT_NE(GetTempFileNameA(folder, "dov", 0, name), 0u);
  HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
#else
  char name[] = "/tmp/dorv_stream_XXXXXX";
  int fd = mkstemp(name);
  ASSERT_GE(fd, 0);
  HANDLE h = platform::HandleFromFd(fd);
#endif
  {
    THandleStream s(h);
    s.WriteInt32(0x01020304);
    s.WriteByte(5);
    EXPECT_EQ(s.Size(), 5);
    s.SetPosition(1);
    EXPECT_EQ(s.ReadByte(), 3);
    EXPECT_EQ(s.Remaining(), 3);
    uint8_t rest[8];
    EXPECT_THROW(s.ReadBuffer(rest, 8), EReadError);
  }
#ifdef _WIN32
  CloseHandle(h);
#else
  close(fd);
#endif
  std::remove(name);
}

TEST(GlobalMemory, MovableBlocksResizeKeepContentAndZeroFill) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8);
  ASSERT_NE(h, nullptr);
  auto* p = static_cast<uint8_t*>(GlobalLock(h));
  for (int i = 0; i < 8; ++i) EXPECT_EQ(p[i], 0);
  p[0] = 42;
  GlobalUnlock(h);
  HGLOBAL h2 = GlobalReAlloc(h, 4096, GMEM_MOVEABLE);
  ASSERT_NE(h2, nullptr);
  EXPECT_EQ(GlobalSize(h2), 4096u);
  p = static_cast<uint8_t*>(GlobalLock(h2));
  EXPECT_EQ(p[0], 42);
  GlobalUnlock(h2);
  EXPECT_EQ(GlobalFree(h2), nullptr);
}

TEST(ShiftJis, LeadBytesFollowCodePage932) {
  EXPECT_TRUE(IsDBCSLeadByte(0x81));
  EXPECT_TRUE(IsDBCSLeadByte(0x83));
  EXPECT_TRUE(IsDBCSLeadByte(0x9F));
  EXPECT_TRUE(IsDBCSLeadByte(0xE0));
  EXPECT_TRUE(IsDBCSLeadByte(0xFC));
  EXPECT_FALSE(IsDBCSLeadByte(0x5C));
  EXPECT_FALSE(IsDBCSLeadByte(0xA0));
  EXPECT_FALSE(IsDBCSLeadByte(0x80));
  EXPECT_FALSE(IsDBCSLeadByte(0xFD));
}

}  // namespace
}  // namespace dorv

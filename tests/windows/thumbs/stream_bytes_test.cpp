// Reading the shell's stream: all of it from its start, never more than the
// cap, and the stream's own failures passed on.
#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "thumbs/stream_bytes.h"

namespace dorv::thumbs {
namespace {

// A stream of `length` bytes (counting up from 0) that states `stated`
// as its size; reads of more than `chunk` bytes give `chunk`.
class FakeStream final : public IStream {
 public:
  uint64_t length = 0;
  uint64_t stated = 0;
  bool canStat = true;
  ULONG chunk = 1 << 30;
  HRESULT readFailure = S_OK;  // returned by every read when it is a failure
  uint64_t position = 0;
  uint64_t handedOut = 0;  // bytes read so far

  STDMETHODIMP QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 1; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP Read(void* buffer, ULONG wanted, ULONG* got) override {
    if (FAILED(readFailure)) return readFailure;
    const uint64_t n = std::min<uint64_t>({wanted, chunk, length - position});
    for (uint64_t i = 0; i < n; ++i) static_cast<uint8_t*>(buffer)[i] = uint8_t(position + i);
    position += n;
    handedOut += n;
    if (got != nullptr) *got = ULONG(n);
    return n < wanted ? S_FALSE : S_OK;
  }
  STDMETHODIMP Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER*) override {
    if (origin != STREAM_SEEK_SET) return E_NOTIMPL;
    position = uint64_t(move.QuadPart);
    return S_OK;
  }
  STDMETHODIMP SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  STDMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Commit(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Revert() override { return E_NOTIMPL; }
  STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Stat(STATSTG* stat, DWORD) override {
    if (!canStat) return E_NOTIMPL;
    std::memset(stat, 0, sizeof *stat);
    stat->cbSize.QuadPart = stated;
    return S_OK;
  }
  STDMETHODIMP Clone(IStream**) override { return E_NOTIMPL; }
};

struct StreamCase {
  const char* name;
  uint64_t length, stated;
  bool canStat;
  ULONG chunk;
  uint64_t startAt;  // where the stream stands when it is handed over
  uint64_t cap;
  bool refused;
  uint64_t mostRead;  // at most this many bytes taken from the stream
};

class ReadStreamCases : public testing::TestWithParam<StreamCase> {};

TEST_P(ReadStreamCases, ReadsAllOrRefusesAtTheCap) {
  const StreamCase& c = GetParam();
  FakeStream stream;
  stream.length = c.length;
  stream.stated = c.stated;
  stream.canStat = c.canStat;
  stream.chunk = c.chunk;
  stream.position = c.startAt;
  if (c.refused) {
    try {
      ReadStream(stream, c.cap);
      ADD_FAILURE() << "read";
    } catch (const StreamError& e) {
      EXPECT_EQ(e.Code(), HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE));
    }
  } else {
    const std::vector<uint8_t> bytes = ReadStream(stream, c.cap);
    ASSERT_EQ(bytes.size(), c.length);
    for (size_t i = 0; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], uint8_t(i)) << i;
  }
  EXPECT_LE(stream.handedOut, c.mostRead);
}

constexpr uint64_t kMiB = 1 << 20;

INSTANTIATE_TEST_SUITE_P(
    Streams, ReadStreamCases,
    testing::Values(
        StreamCase{"Small", 1000, 1000, true, 1 << 30, 0, kMiB, false, 1000},
        StreamCase{"Empty", 0, 0, true, 1 << 30, 0, kMiB, false, 0},
        StreamCase{"InShortReads", 3 * kMiB + 5, 3 * kMiB + 5, true, 4093, 0, 4 * kMiB, false,
                   3 * kMiB + 5},
        StreamCase{"RewoundFirst", 5000, 5000, true, 1 << 30, 1234, kMiB, false, 5000},
        StreamCase{"ExactlyTheCap", kMiB, kMiB, true, 1 << 30, 0, kMiB, false, kMiB},
        StreamCase{"WithoutStat", 7000, 0, false, 1 << 30, 0, kMiB, false, 7000},
        StreamCase{"StatesTooMuch", 10, uint64_t(1) << 40, true, 1 << 30, 0, kMiB, true, 0},
        // A stream that states less than it holds is read only to the cap.
        StreamCase{"HoldsMoreThanItStates", 64 * kMiB, 10, true, 1 << 30, 0, kMiB, true,
                   kMiB + 1},
        StreamCase{"EndlessWithoutStat", uint64_t(1) << 40, 0, false, 1 << 30, 0, kMiB, true,
                   kMiB + 1}),
    [](const testing::TestParamInfo<StreamCase>& info) { return info.param.name; });

TEST(ReadStream, PassesOnTheStreamsFailure) {
  FakeStream stream;
  stream.length = 100;
  stream.stated = 100;
  stream.readFailure = STG_E_ACCESSDENIED;
  try {
    ReadStream(stream, kMiB);
    ADD_FAILURE() << "read";
  } catch (const StreamError& e) {
    EXPECT_EQ(e.Code(), STG_E_ACCESSDENIED);
  }
}

}  // namespace
}  // namespace dorv::thumbs

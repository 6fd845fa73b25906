#include "thumbs/stream_bytes.h"

#include <algorithm>

namespace dorv::thumbs {
namespace {

constexpr ULONG kChunkBytes = 1 << 20;
const HRESULT kTooLarge = HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);

}  // namespace

std::vector<uint8_t> ReadStream(IStream& stream, uint64_t cap) {
  // Streams that cannot seek are read from where they stand.
  LARGE_INTEGER start{};
  stream.Seek(start, STREAM_SEEK_SET, nullptr);

  std::vector<uint8_t> bytes;
  STATSTG stat{};
  if (SUCCEEDED(stream.Stat(&stat, STATFLAG_NONAME))) {
    if (stat.cbSize.QuadPart > cap) throw StreamError("the file is too large", kTooLarge);
    // The stated size is only a hint: reading stops at the cap whatever it said.
    bytes.reserve(static_cast<size_t>(stat.cbSize.QuadPart));
  }
  for (;;) {
    const uint64_t room = cap - bytes.size();
    // One byte past the cap tells a stream at the cap from a longer one.
    const ULONG want = static_cast<ULONG>(std::min<uint64_t>(kChunkBytes, room + 1));
    const size_t had = bytes.size();
    bytes.resize(had + want);
    ULONG got = 0;
    const HRESULT result = stream.Read(bytes.data() + had, want, &got);
    if (FAILED(result)) throw StreamError("the stream cannot be read", result);
    bytes.resize(had + std::min(got, want));
    if (bytes.size() > cap) throw StreamError("the file is too large", kTooLarge);
    // Short reads (with S_OK or S_FALSE) happen before the end too: only a
    // read that gives nothing ends the stream.
    if (got == 0) break;
  }
  return bytes;
}

}  // namespace dorv::thumbs

// zlib stream helpers (RFC 1950 streams) and the copy of one plane record
// from the input into memory. zlib errors raise EZlibError with zlib's short
// message (for example "data error").
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "converter/core/checked.h"
#include "converter/core/runner.h"

namespace dorv {

class TStream;
class TMemoryStream;

inline constexpr int kZlibDefaultLevel = -1;

// zlib's failure code as an error: EOutOfMemory for Z_MEM_ERROR.
[[noreturn]] void FailZlib(int code);

// Replaces the whole content by its zlib compression; position at the end.
void CompressStream(TMemoryStream& stream, int level = kZlibDefaultLevel, const TRunner& runner = TRunner());
// Replaces the whole content by its decompression; position 0. The result
// may not exceed maxOutput bytes (EZlibError otherwise).
void DecompressStream(TMemoryStream& stream, uint64_t maxOutput);

// The zlib stream of input, in a block reserved for the worst case of which
// only the bytes written are touched. Large inputs are coded in halves on
// two threads where libdeflate is present (see zlib_halves.h).
TByteBlock CompressBlock(std::span<const uint8_t> input, int level = kZlibDefaultLevel,
                         const TRunner& runner = TRunner());
std::vector<uint8_t> CompressBytes(std::span<const uint8_t> input, int level = kZlibDefaultLevel,
                                   const TRunner& runner = TRunner());
// Inflates into exactly out.size() bytes: a stream that ends sooner is an
// error; data past out.size() is ignored (inflation stops there). With
// inHalves a large stream coded in halves is inflated on two threads.
void InflateExact(std::span<const uint8_t> input, std::span<uint8_t> out, bool inHalves = false,
                  const TRunner& runner = TRunner());
// Inflates at most room.size() bytes of a stream whose size is not known in
// advance into room: data past that is ignored. Returns how many bytes were
// made; only those are touched.
size_t InflateInto(std::span<const uint8_t> input, std::span<uint8_t> room);
// Inflates a stream of unknown length, refusing more than maxOutput bytes.
std::vector<uint8_t> InflateBounded(std::span<const uint8_t> input, uint64_t maxOutput);

// These two read size bytes from source, checked against what it holds before
// any memory is reserved; a source too short raises "Stream read error".
// CopyStreamPart appends them to dest and returns size; size 0 copies the
// whole source from its start.
int64_t CopyStreamPart(TMemoryStream& dest, TStream& source, int64_t size);
// ReadBlock puts them in a block of their own.
TByteBlock ReadBlock(TStream& source, int64_t size);

}  // namespace dorv

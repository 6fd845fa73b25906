#include "converter/dorvs/plane_record.h"

#include <exception>

#include "converter/core/runner.h"
#include "converter/dibsfc/dibsfc.h"
#include "converter/dorvs/corrupt.h"
#include "converter/dorvs/header_info.h"
#include "converter/streams/stream.h"
#include "converter/streams/zstreams.h"

namespace dorv {
namespace {

int32_t ReadLength(TStream& input) {
  const int32_t length = input.ReadInt32();
  if (length > 0 && length > input.Remaining()) ThrowCorrupt("plane record runs past the end of the file");
  return length;
}

// Raw rows in their order need no blob: they are read straight into the
// pixel block.
bool ReadsStraight(const TReadContext& ctx, const TDIBSurface& plane, int64_t length) {
  const THeaderInfo& h = ctx.Header;
  const int64_t bytes = static_cast<int64_t>(plane.RowBytes()) * plane.Height();
  if (h.Version >= kVersionCurrentCoding) {
    return h.CompType == kCompNone && !UsesBlocks(h) && !StoredScrambled(h) && length >= bytes;
  }
  // Old raw rows are drawn with the code unless both it and the header's
  // Randomized say there is none.
  return h.Randomized == 0 && ctx.Code == 0 && length == bytes;
}

void DecodeBlob(const TReadContext& ctx, const TByteBlock& blob, bool isAlpha, TDIBSurface& plane) {
  const std::span<const uint8_t> bytes = blob.Bytes();
  if (ctx.Header.Version >= kVersionCurrentCoding) DecodePlane(ctx, bytes, isAlpha, plane);
  else DecodeOldPlane(ctx, bytes, plane);
}

void ReadPlane(const TReadContext& ctx, TStream& input, int32_t length, bool isAlpha,
               TDIBSurface& plane) {
  if (ReadsStraight(ctx, plane, length)) {
    const int64_t bytes = static_cast<int64_t>(plane.RowBytes()) * plane.Height();
    if (bytes > 0) input.ReadBuffer(plane.TopRow(), static_cast<size_t>(bytes));
    input.Seek(length - bytes, SeekOrigin::Current);
    return;
  }
  DecodeBlob(ctx, ReadBlock(input, length), isAlpha, plane);
}

// A length of 0 or less means no alpha plane.
void ReadAlphaRecord(const TReadContext& ctx, TStream& input, TDIBSurface& surface) {
  const int32_t length = ReadLength(input);
  if (length <= 0) return;
  surface.EnsureAlpha();
  ReadPlane(ctx, input, length, true, *surface.AlphaPlane());
}

}  // namespace

void ReadLayerRecords(const TReadContext& ctx, TStream& input, TDIBSurface& surface, bool withAlpha) {
  const int32_t length = ReadLength(input);
  // A colour plane always has bytes; an empty or negative record would make
  // the copy take the wrong bytes.
  if (length <= 0) ThrowCorrupt("empty colour plane record");
  const bool concurrent = withAlpha && ctx.Header.Version >= kVersionCurrentCoding &&
                          ctx.Runner.Worth(surface.SizeBytes()) && !ReadsStraight(ctx, surface, length);
  if (!concurrent) {
    ReadPlane(ctx, input, length, false, surface);
    if (withAlpha) ReadAlphaRecord(ctx, input, surface);
    return;
  }

  const TByteBlock colour = ReadBlock(input, length);
  // The alpha record is taken from the input before the colour plane is
  // decoded; should that fail, the failure waits for the colour plane.
  TByteBlock alpha;
  int32_t alphaLength = 0;
  std::exception_ptr alphaUnread;
  try {
    alphaLength = ReadLength(input);
    if (alphaLength > 0) alpha = ReadBlock(input, alphaLength);
  } catch (...) {
    alphaUnread = std::current_exception();
  }
  if (alphaUnread || alphaLength <= 0) {
    DecodeBlob(ctx, colour, false, surface);
    if (alphaUnread) std::rethrow_exception(alphaUnread);
    return;
  }

  // The colour decoder writes only the surface's pixel store (a JPEG plane
  // replaces it), the alpha decoder only the alpha plane made here first.
  surface.EnsureAlpha();
  TDIBSurface& alphaPlane = *surface.AlphaPlane();
  ctx.Runner.Beside(
      true, [&] { DecodeBlob(ctx, colour, false, surface); }, [&] { DecodeBlob(ctx, alpha, true, alphaPlane); });
}

}  // namespace dorv

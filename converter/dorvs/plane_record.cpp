#include "converter/dorvs/plane_record.h"

#include "converter/dibsfc/dibsfc.h"
#include "converter/dorvs/corrupt.h"
#include "converter/dorvs/framelist.h"
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
bool ReadsStraight(const THeaderInfo& h, const TDIBSurface& plane, int64_t length) {
  const int64_t bytes = static_cast<int64_t>(plane.RowBytes()) * plane.Height();
  if (h.Version >= 103) {
    return h.CompType == 1 && !UsesBlocks(h) && h.Randomized == 0 && length >= bytes;
  }
  return h.Randomized == 0 && length == bytes;
}

void ReadPlane(const TPlaneContext& ctx, TStream& input, int32_t length, bool isAlpha,
               TDIBSurface& plane) {
  if (ReadsStraight(ctx.Header, plane, length) && (ctx.Header.Version >= 103 || ctx.Document.Code == 0)) {
    const int64_t bytes = static_cast<int64_t>(plane.RowBytes()) * plane.Height();
    if (bytes > 0) input.ReadBuffer(plane.TopRow(), static_cast<size_t>(bytes));
    input.Seek(length - bytes, SeekOrigin::Current);
    return;
  }
  TMemoryStream blob;
  CopyStreamPart(blob, input, length);
  if (ctx.Header.Version >= 103)
    DecodePlane(ctx, std::span<const uint8_t>(blob.Data(), blob.Length()), isAlpha, plane);
  else
    DecodeOldPlane(ctx, std::span<const uint8_t>(blob.Data(), blob.Length()), plane);
}

}  // namespace

void ReadColourRecord(const TPlaneContext& ctx, TStream& input, TDIBSurface& surface) {
  const int32_t length = ReadLength(input);
  // A colour plane always has bytes; an empty or negative record would make
  // the copy take the wrong bytes.
  if (length <= 0) ThrowCorrupt("empty colour plane record");
  ReadPlane(ctx, input, length, false, surface);
}

bool ReadAlphaRecord(const TPlaneContext& ctx, TStream& input, TDIBSurface& surface) {
  const int32_t length = ReadLength(input);
  if (length <= 0) return false;
  surface.EnsureAlpha();
  ReadPlane(ctx, input, length, true, *surface.AlphaPlane());
  return true;
}

}  // namespace dorv

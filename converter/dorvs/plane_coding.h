// Pixel coding of plane records: row and block forms, raw, zlib and JPEG
// blobs, scrambled rows and block tables, and the old row coding.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "converter/core/checked.h"

namespace dorv {

class TDIBSurface;
class TDorvFrameList;
class TPieceList;
struct TJpegRows;
struct THeaderInfo;
struct TRect;

// What a plane decoder needs of the document: its code and, for frame-copy
// blocks, its frames.
struct TPlaneContext {
  const THeaderInfo& Header;
  const TDorvFrameList& Document;
};

// Planes below this size are coded and decoded one after the other: a
// thread would cost more than it saves.
inline constexpr uint64_t kConcurrentPlaneBytes = uint64_t{1} << 20;

// Current coding (Version 103 and above). plane is allocated with the frame's
// size and depth (8 bits for alpha planes).
void DecodePlane(const TPlaneContext& ctx, std::span<const uint8_t> blob, bool isAlpha,
                 TDIBSurface& plane);
// Old row coding (below Version 103).
void DecodeOldPlane(const TPlaneContext& ctx, std::span<const uint8_t> blob, TDIBSurface& plane);
// The blob of one plane record: bytes made for it, or, when Rows is not
// empty, the plane's own rows (which must stay unchanged until the record
// is written).
struct TPlaneBlob {
  TByteBlock Made;
  std::span<const uint8_t> Rows;
};
// Codes a plane; a null plane gives an empty blob. Only reads the plane.
// jpegRows, when given, are what a JPEG colour plane is coded from.
TPlaneBlob EncodePlaneBlob(const THeaderInfo& header, bool isAlpha, const TDIBSurface* plane,
                           int32_t code, const TJpegRows* jpegRows = nullptr);
// Appends one plane record: the blob's length (0 for a null plane), then
// the blob.
void AppendPlaneRecord(TPieceList& out, TPlaneBlob blob);
// Byte copy of a rectangle between two surfaces, at each surface's own bit
// count; rows and bytes are clipped to both surfaces.
void CopyBlock(TDIBSurface& dest, int32_t x, int32_t y, const TRect& rect, const TDIBSurface& source);

}  // namespace dorv

// Pixel coding of plane records: row and block forms, raw, zlib and JPEG
// blobs, scrambled rows and block tables, and the old row coding.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "converter/core/checked.h"
#include "converter/dorvs/caller_rows.h"

namespace dorv {

class TDIBSurface;
class TPieceList;
struct THeaderInfo;
struct TReadContext;
struct TRect;
struct TSaveContext;

// Whether a plane's rows (or in block form its block table) are stored in
// an order drawn from the document's code. In the current coding that is
// when the header says Randomized, but never in a JPEG document. The raw
// rows of the old coding always are; code 0 leaves them in order.
bool StoredScrambled(const THeaderInfo& header);
// The code such a plane is drawn with, 0 for a plane in order. Raises
// "識別コードを設定してください" where the header says Randomized and
// code is 0.
int32_t ScrambleCode(const THeaderInfo& header, int32_t code);

// The Kind of a block table entry; any other value is the number of the
// frame whose layer (the entry's Index) holds the block at the same place.
inline constexpr int32_t kBlockStored = -1;  // the pixels follow in the raw data
inline constexpr int32_t kBlockCopy = -2;    // a copy of block Index of the same plane

// Current coding (Version 103 and above). plane is allocated with the frame's
// size and depth (8 bits for alpha planes).
void DecodePlane(const TReadContext& ctx, std::span<const uint8_t> blob, bool isAlpha,
                 TDIBSurface& plane);
// Old row coding (below Version 103).
void DecodeOldPlane(const TReadContext& ctx, std::span<const uint8_t> blob, TDIBSurface& plane);
// The blob of one plane record. It is the bytes made for it, or the
// plane's own rows when Rows is not empty (they must stay unchanged until
// the record is written), or rows made by MadeRows as the record is
// written.
struct TPlaneBlob {
  TByteBlock Made;
  std::span<const uint8_t> Rows;
  TStoredRow MadeRows;
  size_t RowBytes = 0;
  int32_t RowCount = 0;
};
// Codes a plane; a null plane gives an empty blob. Only reads the plane.
// The context's rows, when given, are what a JPEG colour plane is coded
// from and what raw planes stored in order are made from.
TPlaneBlob EncodePlaneBlob(const TSaveContext& ctx, bool isAlpha, const TDIBSurface* plane);
// Appends one plane record: the blob's length (0 for a null plane), then
// the blob.
void AppendPlaneRecord(TPieceList& out, TPlaneBlob blob);
// Byte copy of a rectangle between two surfaces, at each surface's own bit
// count; rows and bytes are clipped to both surfaces.
void CopyBlock(TDIBSurface& dest, int32_t x, int32_t y, const TRect& rect, const TDIBSurface& source);

}  // namespace dorv

#include "converter/dorvs/plane_coding.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "converter/core/checked.h"
#include "converter/core/limits.h"
#include "converter/core/messages.h"
#include "converter/core/pages_ahead.h"
#include "converter/core/runner.h"
#include "converter/dibsfc/dibsfc.h"
#include "converter/dibsfc/jpeg_codec.h"
#include "converter/dorvs/block_grid.h"
#include "converter/dorvs/blocks_in_place.h"
#include "converter/dorvs/corrupt.h"
#include "converter/dorvs/frames.h"
#include "converter/dorvs/header_info.h"
#include "converter/dorvs/read_context.h"
#include "converter/dorvs/save_context.h"
#include "converter/rands/rands.h"
#include "converter/streams/byte_reader.h"
#include "converter/streams/piece_list.h"
#include "converter/streams/row_deflate.h"
#include "converter/streams/stream.h"
#include "converter/streams/zstreams.h"

namespace dorv {
namespace {

// Output bytes per input byte of a zlib stream up to which fresh memory is
// taken ahead of the inflater (flat pixel art inflates about 150 to 1).
constexpr uint64_t kPagesAheadPerByte = 256;

uint64_t PlaneBytes(const TDIBSurface& plane) {
  return CheckedMul(static_cast<uint64_t>(plane.RowBytes()), static_cast<uint64_t>(plane.Height()));
}

// Planes stored as zlib streams: every plane of a zlib document, and the
// alpha planes of a JPEG one.
bool Deflated(const THeaderInfo& h, bool isAlpha) {
  return h.CompType == kCompZlib || (h.CompType == kCompJpeg && isAlpha);
}

// The plane's blocks in the header's block size.
TBlockGrid GridOf(const THeaderInfo& h, const TDIBSurface& plane) {
  const uint64_t W = static_cast<uint64_t>(plane.Width());
  const uint64_t BW = static_cast<uint64_t>(h.BlockWidth);
  const uint64_t B = static_cast<uint64_t>(plane.BitCount());
  return TBlockGrid{W, static_cast<uint64_t>(plane.Height()), BW, static_cast<uint64_t>(h.BlockHeight),
                    (W + BW - 1) / BW, B, static_cast<size_t>(plane.RowBytes()), PixelBytes(BW, B)};
}

// Copies stored rows (top row first, RowBytes each) into the plane, row s
// going to image row order[s], or to row s when the order is empty.
void PlaceRows(std::span<const uint8_t> rows, TDIBSurface& plane, const std::vector<int32_t>& order) {
  const size_t rb = static_cast<size_t>(plane.RowBytes());
  const int32_t h = plane.Height();
  if (rows.size() < rb * static_cast<size_t>(h)) throw EFormatError(kPlaneTooShort);
  if (h == 0) return;
  uint8_t* top = plane.TopRow();
  if (order.empty()) {
    std::memcpy(top, rows.data(), rb * static_cast<size_t>(h));
    return;
  }
  for (int32_t s = 0; s < h; ++s)
    std::memcpy(top + rb * static_cast<size_t>(order[static_cast<size_t>(s)]),
                rows.data() + rb * static_cast<size_t>(s), rb);
}

// The order a scrambled plane's rows or block table are drawn in.
std::vector<int32_t> ScrambledOrder(const TReadContext& ctx, int32_t count) {
  return SeededPermutation(static_cast<uint32_t>(ScrambleCode(ctx.Header, ctx.Code)), count);
}

void DecodeJpegPlane(std::span<const uint8_t> blob, TDIBSurface& plane) {
  const int32_t depth = plane.Depth();
  if (depth <= 8) ThrowCorrupt("JPEG plane in a palette frame");
  int32_t w = 0, h = 0;
  ReadJpegSize(blob, w, h);
  if (w != plane.Width() || h != plane.Height()) ThrowCorrupt("JPEG plane of another size");
  TDIBSurface picture;
  DecodeJpeg(blob, picture);
  // Every draw needs a source of the destination's depth.
  if (depth != 24) picture.SetBitCount(depth);
  plane.Assign(&picture);
}

struct BlockEntry {
  int32_t Kind;
  int32_t Index;
};

// The source of a block copied from a frame: the block at the same place in
// a layer of that frame; null when it is the plane itself (nothing to copy).
const TDIBSurface* CopySource(const TReadContext& ctx, const BlockEntry& e, bool isAlpha, const TDIBSurface& plane) {
  const TDorvFrame& frame = ctx.Frames.Get(e.Kind);
  const TDorvLayer& layer = frame.Layer(e.Index);
  const TDIBSurface* source = &layer.Surface;
  if (isAlpha) {
    source = layer.Surface.AlphaPlane();
    if (source == nullptr) ThrowCorrupt("block copy from a layer without alpha plane");
  }
  return source == &plane ? nullptr : source;
}

void CopyBlockEntry(const TReadContext& ctx, const TBlockGrid& g, const std::vector<BlockEntry>& table, uint64_t b,
                    bool isAlpha, TDIBSurface& plane) {
  const BlockEntry& e = table[static_cast<size_t>(b)];
  const TBlockArea a = g.Area(b);
  if (e.Kind == kBlockCopy) {
    if (e.Index < 0 || static_cast<uint64_t>(e.Index) >= table.size()) ThrowCorrupt("block copy names no block");
    const TBlockArea from = g.Area(static_cast<uint64_t>(e.Index));
    CopyBlock(plane, a.X, a.Y, TRect{from.X, from.Y, from.X + a.W, from.Y + a.H}, plane);
    return;
  }
  const TDIBSurface* source = CopySource(ctx, e, isAlpha, plane);
  if (source != nullptr) CopyBlock(plane, a.X, a.Y, TRect{a.X, a.Y, a.X + a.W, a.Y + a.H}, *source);
}

// How many bytes the stored blocks take in all, and where each one starts
// after the table (into start, when given). Nothing when placing the stored
// blocks first could change the pixels or the failure. That is so below 8
// bits a pixel, where blocks may share bytes. It is so when a block copies a
// stored block that comes later in the table, since the copy must see it
// unstored. And it is so when the table fails.
std::optional<uint64_t> StoredBytes(const TReadContext& ctx, const TBlockGrid& g,
                                    const std::vector<BlockEntry>& table, bool isAlpha, const TDIBSurface& plane,
                                    std::vector<uint64_t>* start) {
  if (g.Bits % 8 != 0) return std::nullopt;
  const uint64_t n = table.size();
  if (start != nullptr) start->assign(static_cast<size_t>(n), 0);
  uint64_t at = 0;
  try {
    for (uint64_t b = 0; b < n; ++b) {
      const BlockEntry& e = table[static_cast<size_t>(b)];
      if (e.Kind == kBlockStored) {
        const TBlockArea a = g.Area(b);
        if (start != nullptr) (*start)[static_cast<size_t>(b)] = at;
        at = CheckedAdd(at, CheckedMul(PixelBytes(static_cast<uint64_t>(a.W), g.Bits), static_cast<uint64_t>(a.H)));
      } else if (e.Kind == kBlockCopy) {
        if (e.Index < 0 || static_cast<uint64_t>(e.Index) >= n) return std::nullopt;
        if (static_cast<uint64_t>(e.Index) > b && table[static_cast<size_t>(e.Index)].Kind == kBlockStored)
          return std::nullopt;
      } else {
        (void)CopySource(ctx, e, isAlpha, plane);
      }
    }
  } catch (const std::exception&) {
    return std::nullopt;
  }
  return at;
}

void CopyOtherBlocks(const TReadContext& ctx, const TBlockGrid& g, const std::vector<BlockEntry>& table,
                     bool isAlpha, TDIBSurface& plane) {
  for (uint64_t b = 0; b < table.size(); ++b)
    if (table[static_cast<size_t>(b)].Kind != kBlockStored) CopyBlockEntry(ctx, g, table, b, isAlpha, plane);
}

// The memory a plane's table and blocks were inflated into, which the plane
// may take as its own.
struct TInflatedPlane {
  Block& Bytes;
  uint64_t Size;  // bytes reserved
};

// Moves the stored blocks to their places inside the inflated memory and
// makes it the plane's. Then copies the others in table order. Returns false,
// having placed nothing, when the stored blocks cannot go first (see
// StoredBytes) or do not fit in that memory.
bool PlaceInInflated(const TReadContext& ctx, const TBlockGrid& g, const std::vector<BlockEntry>& table,
                     const TByteReader& in, bool isAlpha, TDIBSurface& plane, TInflatedPlane& inflated) {
  if (!plane.OwnsPixels()) return false;
  const std::optional<uint64_t> bytes = StoredBytes(ctx, g, table, isAlpha, plane, nullptr);
  if (!bytes || *bytes > in.Remaining()) return false;
  std::vector<uint8_t> stored(table.size());
  for (size_t b = 0; b < table.size(); ++b) stored[b] = table[b].Kind == kBlockStored ? 1 : 0;
  if (!PlaceBlocksInPlace(g, stored, inflated.Bytes.get(), inflated.Size, in.Position(), ctx.Runner)) return false;
  const uint64_t planeBytes = PlaneBytes(plane);
  Block& rows = inflated.Bytes;
  if (!plane.AdoptPixels(rows, inflated.Size))
    std::memcpy(plane.TopRow(), rows.get(), static_cast<size_t>(planeBytes));
  CopyOtherBlocks(ctx, g, table, isAlpha, plane);
  return true;
}

// Places the stored blocks of a large plane on two threads. Then copies the
// others in table order. Returns false, having read and placed nothing, when
// the stored blocks cannot go first (see StoredBytes) or the data are short.
bool PlaceRawBlocksFirst(const TReadContext& ctx, const TBlockGrid& g, const std::vector<BlockEntry>& table,
                         TByteReader& in, bool isAlpha, TDIBSurface& plane, uint8_t* top) {
  if (!ctx.Runner.Worth(CheckedMul(g.RowBytes, g.H))) return false;
  const uint64_t n = table.size();
  std::vector<uint64_t> start;
  const std::optional<uint64_t> at = StoredBytes(ctx, g, table, isAlpha, plane, &start);
  if (!at || *at > in.Remaining()) return false;
  const std::span<const uint8_t> data = in.Take(*at);

  // Each plane row is written whole, left to right, from the stored blocks
  // side by side. Block by block, the copy touched a block's height of rows
  // at once and took about twice as long.
  const auto placeRows = [&](uint64_t firstRow, uint64_t lastRow) {
    for (uint64_t r = firstRow; r < lastRow; ++r) {
      const uint64_t first = r * g.BX, last = std::min(n, first + g.BX);
      const TBlockArea row = g.Area(first);
      uint8_t* const rowTop = top + g.RowBytes * static_cast<size_t>(row.Y);
      for (int32_t k = 0; k < row.H; ++k) {
        uint8_t* const dstRow = rowTop + g.RowBytes * static_cast<size_t>(k);
        for (uint64_t b = first; b < last; ++b) {
          if (table[static_cast<size_t>(b)].Kind != kBlockStored) continue;
          const uint64_t col = b - first;
          const size_t len = static_cast<size_t>(PixelBytes(std::min(g.BW, g.W - col * g.BW), g.Bits));
          std::memcpy(dstRow + static_cast<size_t>(col * g.BlockStride),
                      data.data() + start[static_cast<size_t>(b)] + len * static_cast<size_t>(k), len);
        }
      }
    }
  };
  const uint64_t blockRows = g.BlockRows();
  const uint64_t middle = blockRows / 2;
  ctx.Runner.Beside(true, [&] { placeRows(0, middle); }, [&] { placeRows(middle, blockRows); });
  CopyOtherBlocks(ctx, g, table, isAlpha, plane);
  return true;
}

// Decodes a table and its blocks (p); where they were inflated into memory
// that the plane may take (inflated, whose first bytes p are), the plane may
// end up with that memory.
void DecodeBlocks(const TReadContext& ctx, std::span<const uint8_t> p, bool isAlpha, TDIBSurface& plane,
                  TInflatedPlane* inflated = nullptr) {
  const TBlockGrid grid = GridOf(ctx.Header, plane);
  const uint64_t N = grid.BX * grid.BlockRows();  // at most W * H, so no overflow

  TByteReader in(p, kPlaneTooShort);
  if (N > p.size() / 8) ThrowCorrupt("block table runs past the plane data");
  std::vector<BlockEntry> table(static_cast<size_t>(N));
  const std::vector<int32_t> order =
      StoredScrambled(ctx.Header) ? ScrambledOrder(ctx, static_cast<int32_t>(N)) : std::vector<int32_t>();
  for (size_t s = 0; s < table.size(); ++s)
    table[order.empty() ? s : static_cast<size_t>(order[s])] = BlockEntry{in.ReadInt32(), in.ReadInt32()};

  if (inflated != nullptr && PlaceInInflated(ctx, grid, table, in, isAlpha, plane, *inflated)) return;
  uint8_t* const top = plane.TopRow();  // made private once, before the blocks are placed
  if (PlaceRawBlocksFirst(ctx, grid, table, in, isAlpha, plane, top)) return;
  for (uint64_t b = 0; b < N; ++b) {
    const BlockEntry& e = table[static_cast<size_t>(b)];
    if (e.Kind == kBlockStored) {
      const TBlockArea a = grid.Area(b);
      const uint64_t len = PixelBytes(static_cast<uint64_t>(a.W), grid.Bits);
      const uint64_t offset = a.Col * grid.BlockStride;
      const size_t rb = grid.RowBytes;
      // At bit counts below 8 odd block widths can put a block's bytes past
      // the row; what does not fit the row is read but not stored.
      const size_t keep = offset >= rb ? 0 : static_cast<size_t>(std::min<uint64_t>(len, rb - offset));
      for (int32_t k = 0; k < a.H; ++k) {
        auto bytes = in.Take(len);
        if (keep > 0) std::memcpy(top + rb * static_cast<size_t>(a.Y + k) + offset, bytes.data(), keep);
      }
    } else {
      CopyBlockEntry(ctx, grid, table, b, isAlpha, plane);
    }
  }
}

}  // namespace

void CopyBlock(TDIBSurface& dest, int32_t x, int32_t y, const TRect& rect, const TDIBSurface& source) {
  if (rect.IsEmpty() || x < 0 || y < 0 || rect.Left < 0 || rect.Top < 0) return;
  const uint64_t sb = static_cast<uint64_t>(source.BitCount());
  const uint64_t db = static_cast<uint64_t>(dest.BitCount());
  const uint64_t len = PixelBytes(static_cast<uint64_t>(rect.Right - rect.Left), sb);
  const uint64_t srcOff = static_cast<uint64_t>(rect.Left) * sb / 8;
  const uint64_t dstOff = static_cast<uint64_t>(x) * db / 8;
  const uint64_t srb = static_cast<uint64_t>(source.RowBytes());
  const uint64_t drb = static_cast<uint64_t>(dest.RowBytes());
  if (srcOff >= srb || dstOff >= drb) return;
  const size_t n = static_cast<size_t>(std::min({len, srb - srcOff, drb - dstOff}));
  const int32_t rows = std::min({rect.Bottom - rect.Top, source.Height() - rect.Top, dest.Height() - y});
  for (int32_t k = 0; k < rows; ++k) {
    const uint8_t* s = source.RowReadOnly(rect.Top + k) + srcOff;
    uint8_t* d = dest.Row(y + k) + dstOff;
    std::memmove(d, s, n);
  }
}

bool StoredScrambled(const THeaderInfo& header) {
  if (header.Version < kVersionCurrentCoding) return true;
  // The alpha plane beside a JPEG plane is stored in row order whatever the
  // header says, and needs no code.
  return header.Randomized != 0 && header.CompType != kCompJpeg;
}

int32_t ScrambleCode(const THeaderInfo& header, int32_t code) {
  if (!StoredScrambled(header)) return 0;
  if (header.Randomized != 0 && code == 0) throw EFormatError(msg::kCodeRequired);
  return code;
}

void DecodePlane(const TReadContext& ctx, std::span<const uint8_t> blob, bool isAlpha,
                 TDIBSurface& plane) {
  const THeaderInfo& h = ctx.Header;
  const bool zlib = Deflated(h, isAlpha);
  if (h.CompType == kCompJpeg && !isAlpha) {
    DecodeJpegPlane(blob, plane);
    return;
  }
  const bool scrambled = StoredScrambled(h);
  const uint64_t planeBytes = PlaneBytes(plane);

  if (UsesBlocks(h)) {
    if (scrambled) (void)ScrambleCode(h, ctx.Code);
    if (!zlib) {
      DecodeBlocks(ctx, blob, isAlpha, plane);
      return;
    }
    // The table and every block stored raw: the most a block plane holds.
    const TBlockGrid g = GridOf(h, plane);
    const uint64_t rawMax = CheckedMul(g.H, PixelBytes(g.W, g.Bits) + g.BX);
    const uint64_t tableBytes = CheckedMul(g.BX * g.BlockRows(), 8);
    const uint64_t room = std::min<uint64_t>(CheckedAdd(tableBytes, rawMax), limits::kMaxAllocationBytes);
    Block inflated = AllocateDenseBlock(room);
    // The table and blocks are inflated into memory of their own. When the
    // plane owns its memory, the blocks are mostly moved into place there
    // and that memory becomes the plane's. Else they are copied from it.
    // On a large plane, the other thread takes the pages of that memory
    // ahead of the inflater (and the plane's, when it will not take it).
    // It takes only as much as the stream could make at a ratio pictures
    // reach, so a short stream that claims a large plane pays as it goes.
    // A blob holds less than 2^32 bytes, so the product fits.
    const bool mayTake = plane.OwnsPixels() && room >= planeBytes;
    const uint64_t ahead = ctx.Runner.Worth(planeBytes) ? uint64_t{blob.size()} * kPagesAheadPerByte : 0;
    const uint64_t planeAhead = mayTake ? 0 : std::min(planeBytes, ahead);
    const TPagesAhead pages({std::span<uint8_t>(inflated.get(), static_cast<size_t>(std::min(room, ahead))),
                             std::span<uint8_t>(plane.TopRow(), static_cast<size_t>(planeAhead))},
                            ctx.Runner);
    const size_t made = InflateInto(blob, std::span<uint8_t>(inflated.get(), static_cast<size_t>(room)));
    TInflatedPlane own{inflated, room};
    DecodeBlocks(ctx, std::span<const uint8_t>(inflated.get(), made), isAlpha, plane, mayTake ? &own : nullptr);
    return;
  }

  // Row form. Planes of 15 bits a pixel and more come from the general
  // coder, which codes large planes in halves (palette planes come from the
  // row coder, whose halves do not stand alone).
  const bool inHalves = plane.BitCount() > 8;
  if (zlib && !scrambled) {
    if (planeBytes == 0) return;
    InflateExact(blob, std::span<uint8_t>(plane.TopRow(), static_cast<size_t>(planeBytes)), inHalves, ctx.Runner);
    return;
  }
  Block rows;
  if (zlib) {
    // Decompress first: a corrupt stream is reported as such.
    rows = AllocateDenseBlock(planeBytes);
    InflateExact(blob, std::span<uint8_t>(rows.get(), static_cast<size_t>(planeBytes)), inHalves, ctx.Runner);
    blob = std::span<const uint8_t>(rows.get(), static_cast<size_t>(planeBytes));
  }
  PlaceRows(blob, plane, scrambled ? ScrambledOrder(ctx, plane.Height()) : std::vector<int32_t>());
}

void DecodeOldPlane(const TReadContext& ctx, std::span<const uint8_t> blob, TDIBSurface& plane) {
  const uint64_t planeBytes = PlaneBytes(plane);
  if (blob.size() != planeBytes) {
    if (planeBytes == 0) return;
    InflateExact(blob, std::span<uint8_t>(plane.TopRow(), static_cast<size_t>(planeBytes)));
    return;
  }
  const int32_t code = ScrambleCode(ctx.Header, ctx.Code);
  const uint32_t seed = static_cast<uint32_t>(code);
  PlaceRows(blob, plane, code == 0 ? std::vector<int32_t>() : SeededPermutation(seed, plane.Height()));
}

TPlaneBlob EncodePlaneBlob(const TSaveContext& ctx, bool isAlpha, const TDIBSurface* plane) {
  const THeaderInfo& header = ctx.Header;
  const TCallerRows* const callerRows = ctx.Rows;
  const TJpegRows* const jpegRows = callerRows != nullptr ? callerRows->Jpeg : nullptr;
  TPlaneBlob blob;
  if (plane == nullptr) return blob;
  const bool jpeg = header.CompType == kCompJpeg && !isAlpha;
  const bool zlib = Deflated(header, isAlpha);
  const int32_t scrambleCode = ScrambleCode(header, ctx.Code);

  const size_t rb = static_cast<size_t>(plane->RowBytes());
  const size_t h = static_cast<size_t>(plane->Height());
  const size_t size = rb * h;
  const uint8_t* rows = plane->TopRowReadOnly();
  // Palette planes and the alpha plane beside a JPEG plane go to the row
  // coder. On few colours and on masks it is many times faster than the
  // general coder, and still smaller than zlib's default level. Colour
  // planes keep the general coder's smaller streams. The alpha coder runs
  // beside the JPEG coder, so it keeps to one thread.
  const bool rowCoder = isAlpha ? header.CompType == kCompJpeg : plane->BitCount() <= 8;
  // An alpha plane not filled yet (beside a JPEG plane coded from the
  // caller's rows) is filled as the row coder reads it; any other coding
  // fills the whole plane first.
  const std::function<void(int32_t)>* const fill =
      isAlpha && jpegRows != nullptr && callerRows->FillAlpha ? &callerRows->FillAlpha : nullptr;
  const auto fillTo = [fill](int32_t rows) {
    if (fill != nullptr) (*fill)(rows);
  };
  TInputReady ready;
  if (fill != nullptr) ready = [&](size_t bytes) { fillTo(static_cast<int32_t>((bytes + rb - 1) / rb)); };
  const auto compress = [&](std::span<const uint8_t> bytes) {
    if (rowCoder) return RowDeflate(bytes, TRowShape{rb, 1}, !isAlpha, ready, ctx.Runner);
    fillTo(static_cast<int32_t>(h));
    return CompressBlock(bytes, kZlibDefaultLevel, ctx.Runner);
  };

  if (jpeg) {
    blob.Made = jpegRows != nullptr ? SaveRowsToJpeg(plane->Width(), plane->Height(), *jpegRows, header.CompLevel)
                                    : SaveToJpeg(*plane, header.CompLevel);
  } else if (scrambleCode != 0) {
    // Stored row s is image row order[s].
    fillTo(static_cast<int32_t>(h));
    const std::vector<int32_t> order = SeededPermutation(static_cast<uint32_t>(scrambleCode), plane->Height());
    blob.Made = TByteBlock{AllocateUnfilledBlock(size), size};
    for (size_t s = 0; s < h; ++s)
      std::memcpy(blob.Made.Data.get() + s * rb, rows + rb * static_cast<size_t>(order[s]), rb);
    if (zlib) blob.Made = compress(blob.Made.Bytes());
  } else if (zlib) {
    blob.Made = compress(std::span<const uint8_t>(rows, size));
  } else if (const TStoredRow* made = callerRows == nullptr ? nullptr
                                       : isAlpha ? &callerRows->Alpha : &callerRows->Colour;
             made != nullptr && *made) {
    // The caller's rows go to the file as it is written, the plane unread.
    blob.MadeRows = *made;
    blob.RowBytes = rb;
    blob.RowCount = plane->Height();
  } else {
    fillTo(static_cast<int32_t>(h));
    // The rows as they are in the surface, which outlives the saving.
    blob.Rows = std::span<const uint8_t>(rows, size);
  }
  return blob;
}

void AppendPlaneRecord(TPieceList& out, TPlaneBlob blob) {
  const bool rows = !blob.Rows.empty();
  const bool made = static_cast<bool>(blob.MadeRows);
  const uint64_t size = made   ? CheckedMul(blob.RowBytes, static_cast<uint64_t>(std::max(blob.RowCount, 0)))
                        : rows ? blob.Rows.size()
                               : blob.Made.Size;
  if (size > static_cast<uint64_t>(INT32_MAX)) throw EOutOfMemory(msg::kOutOfMemory);
  out.WriteInt32(static_cast<int32_t>(size));
  if (made) out.MakeRows(blob.RowBytes, blob.RowCount, std::move(blob.MadeRows));
  else if (rows) out.Borrow(blob.Rows);
  else out.Adopt(std::move(blob.Made));
}

}  // namespace dorv

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

#include "converter/converts/convert_impl.h"
#include "converter/core/checked.h"
#include "converter/core/runner.h"
#include "converter/dibsfc/dibsfc.h"
#include "converter/dibsfc/jpeg_codec.h"
#include "converter/dorvs/framelist.h"
#include "converter/dsp/kernels.h"
#include "converter/streams/stream.h"

namespace dorv {
namespace {

bool AcceptedBpp(int64_t bpp) { return bpp == 1 || bpp == 8 || bpp == 16 || bpp == 24 || bpp >= 32; }

// The bytes of one of the caller's rows, or 0 when its rows could not all
// lie in this process's address space: no caller holds such a picture, and
// offsets into it would wrap (in a 32-bit process long before 64 bits do).
uint64_t CallerStride(uint64_t bpp, uint64_t width, uint64_t height) {
  constexpr uint64_t kAddressable = static_cast<uint64_t>(PTRDIFF_MAX);
  if (bpp > UINT64_MAX / width) return 0;
  const uint64_t bits = bpp * width;
  const uint64_t stride = bits / 8 + (bits % 8 != 0 ? 1 : 0);
  return stride > kAddressable / height ? 0 : stride;
}

// The caller's picture as the routes below read it.
struct TPicture {
  const TWriteRequest& R;
  int64_t Bpp;
  size_t Stride;  // of the caller's rows
  size_t W;
  int32_t Depth = Bpp == 1 ? 1 : Bpp == 8 ? 8 : 24;  // of the surface

  const uint8_t* Row(size_t y) const { return R.Pixels + Stride * y; }
  // Bytes from one pixel to the next in rows of 32 bits or more.
  size_t Step() const { return static_cast<size_t>(Bpp / 8); }
};

// Fills the surface's rows and alpha plane. Returns whether every pixel is
// opaque (always true without alpha).
bool FillRows(const TPicture& p, TDIBSurface& s, const TRunner& runner) {
  const int64_t bpp = p.Bpp;
  const size_t w = p.W;
  // The stores are made private here, once; the bands write their own rows.
  uint8_t* const top = s.TopRow();
  const size_t rowBytes = static_cast<size_t>(s.RowBytes());
  TDIBSurface* const alphaPlane = s.AlphaPlane();
  uint8_t* const alphaTop = alphaPlane != nullptr ? alphaPlane->TopRow() : nullptr;
  const size_t alphaBytes = alphaPlane != nullptr ? static_cast<size_t>(alphaPlane->RowBytes()) : 0;
  uint8_t opaque[2] = {0xFF, 0xFF};
  runner.Bands(p.R.Height, s.SizeBytes(), [&](int band, int32_t first, int32_t last) {
    uint8_t seen = 0xFF;
    for (int32_t y = first; y < last; ++y) {
      const uint8_t* src = p.Row(static_cast<size_t>(y));
      uint8_t* alpha = alphaTop != nullptr ? alphaTop + alphaBytes * static_cast<size_t>(y) : nullptr;
      uint8_t* row = top + rowBytes * static_cast<size_t>(y);
      switch (bpp) {
        case 1: std::memcpy(row, src, (w + 7) / 8); break;
        case 8: std::memcpy(row, src, w); break;
        case 16: seen &= dsp::Kernels().GreyAlphaToBgrAlpha(src, row, alpha, w); break;
        case 24: dsp::Kernels().RgbToBgr(src, row, w); break;
        default: seen &= dsp::Kernels().RgbaToBgrAlpha(src, p.Step(), row, alpha, w); break;
      }
    }
    opaque[band] = seen;
  });
  return (opaque[0] & opaque[1]) == 0xFF;
}

// Whether every pixel of 32-bit (or wider) rows has alpha 255; stops at the
// first that has not.
bool AllOpaque(const TPicture& p) {
  for (size_t y = 0; y < static_cast<size_t>(p.R.Height); ++y)
    if (dsp::Kernels().RgbaAlphaAnd(p.Row(y), p.Step(), p.W) != 0xFF) return false;
  return true;
}

// Makes the document's one frame: its surface, palette and alpha plane.
// Returns whether the surface borrows the caller's rows.
bool PrepareFrame(const TPicture& p, int32_t delay, TDorvFrameList& document) {
  const TWriteRequest& r = p.R;
  const int64_t bpp = p.Bpp;
  const int32_t depth = p.Depth;
  TDorvFrame& frame = document.AddFrame();
  frame.Delay = delay;
  TDIBSurface& s = frame.Surface;
  // Palette rows laid out as the surface lays out its own are saved from the
  // caller's memory, which nothing here writes to.
  const bool borrowed = depth <= 8 && static_cast<uint64_t>(DIBRowBytes(r.Width, depth)) == p.Stride;
  if (borrowed) s.BorrowPixels(r.Width, r.Height, depth, r.Pixels);
  else s.Allocate(r.Width, r.Height, depth);

  if (bpp == 1) {
    s.Palette[0] = TPaletteEntry{255, 255, 255, 0};
    s.Palette[1] = TPaletteEntry{0, 0, 0, 0};
    s.CommitPalette();
  } else if (bpp == 8 && r.ImageMode == 1) {
    s.Palette = GreyRampPalette();
    s.CommitPalette();
  } else if (bpp == 8) {
    for (int i = 0; i < 256; ++i) s.Palette[static_cast<size_t>(i)] = TPaletteEntry{r.Blue[i], r.Green[i], r.Red[i], 0};
    s.CommitPalette();
    if (r.TransparentIndex >= 0 && r.TransparentIndex < 256) frame.TransColor = r.TransparentIndex;
  }
  if (bpp == 16 || bpp >= 32) s.EnsureAlpha();
  return borrowed;
}

// The JPEG colour plane is coded straight from the caller's colour rows.
// Rows with alpha go through a row of their own, where alpha 0 is black.
// The alpha coder fills its plane from the caller's rows as it reads it,
// beside the JPEG coder, on a thread of its own when the plane is large.
void SaveJpegFromRows(const TPicture& p, TDorvFrameList& document, TSaveOptions options, const TRunner& runner,
                      TStream& stream) {
  const TWriteRequest& r = p.R;
  const int64_t bpp = p.Bpp;
  const size_t w = p.W;
  TDIBSurface& s = document.GetFrame(0).Surface;
  uint8_t* alphaTop = nullptr;
  size_t alphaBytes = 0;
  if (bpp >= 32) {
    if (AllOpaque(p)) {
      s.DropAlpha();
    } else {
      alphaTop = s.AlphaPlane()->TopRow();  // made private here, before the coders start
      alphaBytes = static_cast<size_t>(s.AlphaPlane()->RowBytes());
    }
  }

  std::vector<uint8_t> alphaScratch(bpp > 32 ? w : 0);
  TJpegRows rows;
  // The alpha coder notes each row's first clear pixel as it fills the
  // plane. It may work ahead on the other thread; the JPEG coder then need
  // not look for them in rows [0, clearNoted).
  std::vector<int32_t> firstClear(alphaTop != nullptr && bpp == 32 ? static_cast<size_t>(r.Height) : 0);
  std::atomic<int32_t> clearNoted{0};
  int32_t alphaFilled = 0;  // rows of the alpha plane filled from the top
  TCallerRows callerRows;
  if (alphaTop != nullptr) {
    callerRows.FillAlpha = [&](int32_t upTo) {
      for (upTo = std::min(upTo, r.Height); alphaFilled < upTo; ++alphaFilled) {
        const size_t y = static_cast<size_t>(alphaFilled);
        uint8_t* const alpha = alphaTop + alphaBytes * y;
        dsp::Kernels().RgbaToAlpha(p.Row(y), p.Step(), alpha, w);
        if (firstClear.empty()) continue;
        const void* clear = std::memchr(alpha, 0, w);
        firstClear[y] = clear != nullptr ? static_cast<int32_t>(static_cast<const uint8_t*>(clear) - alpha)
                                         : static_cast<int32_t>(w);
        clearNoted.store(alphaFilled + 1, std::memory_order_release);
      }
    };
  }
  if (bpp == 24) {
    rows.Row = [&](int32_t y, uint8_t*) { return p.Row(static_cast<size_t>(y)); };
  } else if (bpp == 32) {
    // The coder reads the caller's rows where no pixel is clear (all of
    // them when the picture is opaque).
    rows.ChannelOrder = TJpegRows::Order::Rgbx;
    rows.Row = [&](int32_t y, uint8_t* scratch) {
      const uint8_t* src = p.Row(static_cast<size_t>(y));
      if (alphaTop == nullptr) return src;
      const size_t first = y < clearNoted.load(std::memory_order_acquire)
                               ? static_cast<size_t>(firstClear[static_cast<size_t>(y)])
                               : dsp::Kernels().FirstClearPixel(src, w);
      return dsp::Kernels().RgbaClearedBlack(src, scratch, w, first);
    };
  } else {
    rows.ChannelOrder = TJpegRows::Order::Bgr;
    rows.Row = [&](int32_t y, uint8_t* scratch) {
      dsp::Kernels().RgbaToBgrAlpha(p.Row(static_cast<size_t>(y)), p.Step(), scratch, alphaScratch.data(), w);
      return static_cast<const uint8_t*>(scratch);
    };
  }
  callerRows.Jpeg = &rows;
  options.Rows = &callerRows;
  document.SaveToStream(stream, options, runner);
}

// Raw planes stored in order go to the file straight from the caller's
// rows, a few rows at a time as the file is written: each byte is copied
// once.
void SaveRawFromRows(const TPicture& p, TDorvFrameList& document, TSaveOptions options, const TRunner& runner,
                     TStream& stream) {
  const int64_t bpp = p.Bpp;
  const size_t w = p.W;
  TDIBSurface& s = document.GetFrame(0).Surface;
  // An alpha plane that is 255 everywhere says nothing and is not stored.
  if (bpp >= 32 && AllOpaque(p)) s.DropAlpha();

  TCallerRows callerRows;
  std::vector<uint8_t> alphaRow(bpp >= 32 ? w : 0);
  const size_t colourBytes = static_cast<size_t>(s.RowBytes());
  callerRows.Colour = [&, colourBytes](int32_t y, uint8_t* row) {
    const uint8_t* src = p.Row(static_cast<size_t>(y));
    if (bpp == 24) dsp::Kernels().RgbToBgr(src, row, w);
    else (void)dsp::Kernels().RgbaToBgrAlpha(src, p.Step(), row, alphaRow.data(), w);
    std::memset(row + 3 * w, 0, colourBytes - 3 * w);
  };
  if (const TDIBSurface* alpha = s.AlphaPlane()) {
    const size_t alphaRowBytes = static_cast<size_t>(alpha->RowBytes());
    callerRows.Alpha = [&, alphaRowBytes](int32_t y, uint8_t* row) {
      (void)dsp::Kernels().RgbaToAlpha(p.Row(static_cast<size_t>(y)), p.Step(), row, w);
      std::memset(row + w, 0, alphaRowBytes - w);
    };
  }
  options.Rows = &callerRows;
  document.SaveToStream(stream, options, runner);
}

}  // namespace

bool ConvertWriteImpl(const TWriteRequest& r) {
  THandleStream stream(r.File);
  return ConvertWriteToStream(r, stream);
}

bool ConvertWriteToStream(const TWriteRequest& r, TStream& stream, int32_t delay, const TRunner& runner) {
  const int64_t bpp = static_cast<int64_t>(r.Planes) * r.Depth;
  if (!AcceptedBpp(bpp)) return false;
  // A picture without pixels would be written as a file that opens as
  // nothing; refuse it before anything is written.
  if (r.Width <= 0 || r.Height <= 0 || r.Pixels == nullptr) return false;
  if (bpp == 8 && r.ImageMode != 1 && (r.Red == nullptr || r.Green == nullptr || r.Blue == nullptr))
    return false;

  const uint64_t callerStride =
      CallerStride(static_cast<uint64_t>(bpp), static_cast<uint64_t>(r.Width), static_cast<uint64_t>(r.Height));
  if (callerStride == 0) return false;

  const TPicture p{r, bpp, static_cast<size_t>(callerStride), static_cast<size_t>(r.Width)};
  TDorvFrameList document(r.Code);
  const bool borrowed = PrepareFrame(p, delay, document);

  int32_t compType = r.CompType & 0xFF;
  // Palette pictures have no lossy coding: a JPEG plane cannot carry their
  // indices, so they are kept with zlib instead of being lost.
  if (compType == kCompJpeg && p.Depth <= 8) compType = kCompZlib;
  const TSaveOptions options{compType, r.Quality, nullptr};

  // 24- and 32-bit pictures coded as JPEG, or stored raw in order, are saved
  // from the caller's rows; the surface's stores are then never filled.
  const int32_t stored = document.StoredCompType(compType);
  if (stored == kCompJpeg && (bpp == 24 || bpp >= 32)) {
    SaveJpegFromRows(p, document, options, runner, stream);
  } else if (stored == kCompNone && document.Code == 0 && (bpp == 24 || bpp >= 32)) {
    SaveRawFromRows(p, document, options, runner, stream);
  } else {
    TDIBSurface& s = document.GetFrame(0).Surface;
    // An alpha plane that is 255 everywhere says nothing and is not stored.
    if (!borrowed && FillRows(p, s, runner)) s.DropAlpha();
    document.SaveToStream(stream, options, runner);
  }
  return true;
}

}  // namespace dorv

// Documents of several frames, one layer each, written from pictures.
#include <cstring>
#include <exception>
#include <string>

#include "converter/core/checked.h"
#include "converter/dibsfc/dibsfc.h"
#include "converter/dorvs/framelist.h"
#include "converter/dsp/kernels.h"
#include "libdov/document/document.h"
#include "converter/streams/stream.h"

namespace dorv::frames {
namespace {

size_t BytesPerPixel(PictureKind kind) {
  switch (kind) {
    case PictureKind::Palette8:
    case PictureKind::Grey8: return 1;
    case PictureKind::Rgb24: return 3;
    case PictureKind::Rgba32: return 4;
  }
  return 0;
}

void Check(const Picture& p, size_t index) {
  const std::string which = "picture " + std::to_string(index + 1) + ": ";
  if (p.Width <= 0 || p.Height <= 0) throw FramesError(which + "no pixels");
  const size_t bpp = BytesPerPixel(p.Kind);
  if (bpp == 0) throw FramesError(which + "unknown kind of picture");
  const uint64_t bytes =
      CheckedMul(CheckedMul(static_cast<uint64_t>(p.Width), bpp), static_cast<uint64_t>(p.Height));
  if (p.Pixels.size() != bytes) throw FramesError(which + "the rows do not match the picture's size");
  if (p.Kind == PictureKind::Palette8 && (p.Palette.empty() || p.Palette.size() > 256))
    throw FramesError(which + "a palette picture needs 1 to 256 colours");
}

// The frame's composite filled from the picture, as the converter fills the
// host's picture: palette and grey pictures at 8 bits, colour at 24 bits with
// an alpha plane unless every pixel is opaque.
void FillFrame(TDorvFrame& frame, const Picture& p) {
  TDIBSurface& s = frame.Surface;
  const size_t w = static_cast<size_t>(p.Width);
  const size_t stride = w * BytesPerPixel(p.Kind);
  const bool palette = p.Kind == PictureKind::Palette8 || p.Kind == PictureKind::Grey8;
  s.Allocate(p.Width, p.Height, palette ? 8 : 24);
  if (p.Kind == PictureKind::Grey8) {
    s.Palette = GreyRampPalette();
  } else if (p.Kind == PictureKind::Palette8) {
    s.Palette = TPalette{};
    for (size_t i = 0; i < p.Palette.size(); ++i)
      s.Palette[i] = TPaletteEntry{p.Palette[i][2], p.Palette[i][1], p.Palette[i][0], 0};
    if (p.TransparentIndex >= 0 && static_cast<size_t>(p.TransparentIndex) < p.Palette.size())
      frame.TransColor = p.TransparentIndex;
  }
  if (palette) s.CommitPalette();
  if (p.Kind == PictureKind::Rgba32) s.EnsureAlpha();

  uint8_t* const top = s.TopRow();
  const size_t rowBytes = static_cast<size_t>(s.RowBytes());
  TDIBSurface* const alphaPlane = s.AlphaPlane();
  uint8_t* const alphaTop = alphaPlane != nullptr ? alphaPlane->TopRow() : nullptr;
  const size_t alphaBytes = alphaPlane != nullptr ? static_cast<size_t>(alphaPlane->RowBytes()) : 0;
  uint8_t seen = 0xFF;
  for (size_t y = 0; y < static_cast<size_t>(p.Height); ++y) {
    const uint8_t* src = p.Pixels.data() + stride * y;
    uint8_t* row = top + rowBytes * y;
    switch (p.Kind) {
      case PictureKind::Palette8:
      case PictureKind::Grey8: std::memcpy(row, src, w); break;
      case PictureKind::Rgb24: dsp::Kernels().RgbToBgr(src, row, w); break;
      case PictureKind::Rgba32: seen &= dsp::Kernels().RgbaToBgrAlpha(src, 4, row, alphaTop + alphaBytes * y, w); break;
    }
  }
  // An alpha plane that is 255 everywhere says nothing and is not stored.
  if (alphaPlane != nullptr && seen == 0xFF) s.DropAlpha();
}

}  // namespace

Compression StoredCompression(std::span<const Picture> pictures, Compression asked) {
  if (asked != Compression::Lossy) return asked;
  for (const Picture& p : pictures)
    if (p.Kind == PictureKind::Palette8 || p.Kind == PictureKind::Grey8) return Compression::Zlib;
  return asked;
}

std::vector<uint8_t> WriteDocument(std::span<const Picture> pictures, const WriteOptions& options,
                                   const TRunner& runner) {
  if (pictures.empty()) throw FramesError("no picture to write");
  if (options.Quality < 1 || options.Quality > 100) throw FramesError("the quality must be 1 to 100");
  for (size_t i = 0; i < pictures.size(); ++i) Check(pictures[i], i);
  try {
    TDorvFrameList document(0);
    for (const Picture& p : pictures) {
      TDorvFrame& frame = document.AddFrame();
      frame.Delay = MillisecondsToDelay(p.DelayMilliseconds);
      FillFrame(frame, p);
    }
    TMemoryStream out;
    TSaveOptions save;
    save.CompType = static_cast<int32_t>(StoredCompression(pictures, options.Coding));
    save.CompLevel = options.Quality;
    document.SaveToStream(out, save, runner);
    return out.TakeBytes();
  } catch (const std::exception& e) {
    throw FramesError(e.what());
  }
}

}  // namespace dorv::frames

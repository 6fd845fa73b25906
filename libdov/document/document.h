// Whole documents behind libdov: every frame's composite as the converter
// hands frame 0 to the host, what each frame and layer holds, each layer
// alone, and documents of several frames written from pictures.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "converter/core/format_names.h"
#include "converter/core/runner.h"

namespace dorv {
class TDIBSurface;
class TDorvFrameList;
}

namespace dorv::frames {

// Every failure of this library. The text is the converter's own message
// where it gave one.
class FramesError : public std::runtime_error {
 public:
  enum class Kind { Unreadable, Limit, OutOfMemory, Argument };
  explicit FramesError(const std::string& message, Kind kind = Kind::Unreadable)
      : std::runtime_error(message), kind_(kind) {}
  Kind Reason() const { return kind_; }

 private:
  Kind kind_;
};

// Rethrows the error being handled as this library's own.
[[noreturn]] void RethrowAsFramesError();

// ---- Frame delays ------------------------------------------------------------
// The editor stores a frame's display time in its own unit, one millisecond
// each. Negative stored values show no time at all.
inline constexpr int32_t kMillisecondsPerDelayUnit = 1;
int32_t DelayToMilliseconds(int32_t delay);
// Milliseconds to the editor's unit (negative values give 0).
int32_t MillisecondsToDelay(int32_t milliseconds);

// ---- Reading -------------------------------------------------------------------

// A frame's composite as the host receives frame 0: 8-bit indices with a
// palette and its transparent index, or 32-bit pixels (blue, green, red,
// alpha). Rows top first, packed (width or 4 x width bytes each).
struct Composite {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Bpp = 0;  // 8 or 32
  std::vector<uint8_t> Pixels;
  std::array<uint8_t, 1024> Palette{};  // 256 x (blue, green, red, reserved); 8-bit only
  int32_t TransparentIndex = -1;        // 8-bit only; -1 for none
};

// A composed surface brought to the host's block rows, as the converter
// brings frame 0's (the surface may be changed on the way).
Composite BlockComposite(TDIBSurface& s, int32_t transparentIndex, const TRunner& runner);

// A picture with straight alpha: red, green, blue, alpha per pixel, rows top
// first, 4 x width bytes each.
struct RgbaImage {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Pixels;
};

struct LayerInfo {
  std::string Name;  // UTF-8
  bool Visible = true;
  int32_t Opacity = 255;  // 0 to 255
  int32_t Key = -1;       // transparent pixel value; -1 for none
  bool HasAlphaPlane = false;
  bool AlphaOn = false;   // the alpha plane takes part in composition
  // How the colour plane is stored: "zlib rows", "raw rows", "zlib blocks
  // 16x16", "raw blocks 16x16", "jpeg", "old rows", "legacy", each followed by
  // " scrambled" when the rows or blocks are scrambled.
  std::string Coding;
  int32_t Width = 0;
  int32_t Height = 0;
};

struct FrameInfo {
  std::string Name;  // UTF-8
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Depth = 0;  // bits per pixel as stored: 1, 4, 8, 15, 16, 24 or 32
  int32_t Delay = 0;  // in the editor's unit
  int32_t DelayMilliseconds = 0;
  int32_t Disposal = 0;
  int32_t TransparentIndex = -1;
  bool Indexed = false;  // the composite is a palette picture
  std::vector<LayerInfo> Layers;
  Composite Picture;  // empty when composites were not asked for
};

// What a document's header says of it, read without decoding its planes.
struct Probe {
  int32_t Width = 0;   // the first frame's
  int32_t Height = 0;
  int32_t Depth = 0;   // bits a pixel as stored
  int32_t DeclaredFrames = 0;
  int32_t Version = 0;
  bool Decoded = false;  // the first frame was read to tell (legacy files)
};
Probe ProbeDocument(std::span<const uint8_t> bytes, const TRunner& runner);

struct ReadOptions {
  bool Composites = true;  // fill FrameInfo::Picture
  bool Layers = true;      // keep the layers for LayerRgba
};

class Document {
 public:
  Document();
  ~Document();
  Document(Document&&) noexcept;
  Document& operator=(Document&&) noexcept;

  int32_t Version = 0;
  int32_t BGColor = 0;  // 0x00BBGGRR
  bool NotFillBG = false;
  int32_t DeclaredFrames = 0;  // frames the header names
  std::vector<FrameInfo> Frames;  // frames read (all of them unless Damaged)
  // The load errors of a damaged file whose frames read so far were kept.
  std::string Messages;
  bool Damaged() const { return !Messages.empty(); }

  // Layer `layer` of frame `frame` alone: its key and its alpha plane as
  // transparency (opacity and visibility are not applied). Raises
  // FramesError when the layer does not exist or layers were not kept.
  RgbaImage LayerRgba(size_t frame, size_t layer) const;
  // Frame `frame`'s composite made now, when composites were not asked for
  // at the read (layers need not have been kept). Raises FramesError.
  Composite MakeComposite(size_t frame, const TRunner& runner) const;
  // Frame `frame` composed now of the layers whose flag in `shown` is set,
  // each as though it were visible, the others as though hidden (a layer
  // past the flags is left out): the frame's own rule, background, keys,
  // opacities and alpha planes. Needs the layers kept. Raises FramesError.
  Composite ComposeLayers(size_t frame, std::span<const uint8_t> shown, const TRunner& runner) const;

 private:
  friend Document ReadDocument(std::span<const uint8_t>, const ReadOptions&, const TRunner&);
  std::unique_ptr<TDorvFrameList> list_;
  // Each palette frame's palette as read, before a composite was made of it
  // (making one may change the frame's own).
  std::vector<std::array<uint8_t, 1024>> palettes_;
};

// Whether the bytes start as a document of the current form or of the
// legacy form with its magic; a legacy file without a magic is not told.
bool HasDocumentMagic(std::span<const uint8_t> bytes);

// Reads every frame. A damaged file keeps the frames read so far (and says
// why in Messages); a file that yields no frame raises FramesError.
Document ReadDocument(std::span<const uint8_t> bytes, const ReadOptions& options = {},
                      const TRunner& runner = TRunner());

// A composite as straight RGBA (the transparent index clear).
RgbaImage CompositeToRgba(const Composite& composite);
// The same into rows stride bytes apart (at least 4 x width).
void CompositeToRgbaRows(const Composite& composite, uint8_t* out, size_t stride);

// ---- Writing -------------------------------------------------------------------

enum class PictureKind {
  Palette8,  // one index a pixel; Palette holds the colours
  Grey8,     // one grey value a pixel
  Rgb24,     // red, green, blue
  Rgba32,    // red, green, blue, alpha
};

struct Picture {
  PictureKind Kind = PictureKind::Rgba32;
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Pixels;  // rows top first, packed, no padding
  std::vector<std::array<uint8_t, 3>> Palette;  // red, green, blue; at most 256
  int32_t TransparentIndex = -1;                // Palette8 only
  int32_t DelayMilliseconds = 100;
};

enum class Compression { Zlib = 0, None = 1, Lossy = 2 };

struct WriteOptions {
  Compression Coding = Compression::Zlib;
  int32_t Quality = defaults::kQuality;  // 1 to 100, for Lossy
};

// What a document of these pictures is stored with: lossy coding cannot
// keep palette or grey indices, so a document with such a picture is stored
// with zlib instead.
Compression StoredCompression(std::span<const Picture> pictures, Compression asked);

// One document with a frame of one layer per picture, in order, as the
// converter writes a document. Raises FramesError.
std::vector<uint8_t> WriteDocument(std::span<const Picture> pictures, const WriteOptions& options = {},
                                   const TRunner& runner = TRunner());

}  // namespace dorv::frames

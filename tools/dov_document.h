// dovtool's view of documents, built on libdov's C face (dov/dov.h) alone:
// every frame's composite, what each frame and layer holds, each layer
// alone, and documents of several frames written from pictures.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "dov/dov.h"

namespace dorv::tools::frames {

// A failure of libdov, with its message.
class FramesError : public std::runtime_error {
 public:
  FramesError(dov_error code, const std::string& message) : std::runtime_error(message), code_(code) {}
  dov_error Code() const { return code_; }

 private:
  dov_error code_;
};

// A composite as the host receives frame 0: 8-bit indices with a palette
// (red, green, blue, alpha: 0 at the transparent index) and its transparent
// index, or straight RGBA. Rows top first, packed.
struct Composite {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Bpp = 0;  // 8 or 32
  std::vector<uint8_t> Pixels;
  std::array<uint8_t, 1024> Palette{};
  int32_t TransparentIndex = -1;
};

// Red, green, blue, alpha (straight) per pixel, rows top first, packed.
struct RgbaImage {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Pixels;
};

struct LayerInfo {
  std::string Name;
  bool Visible = true;
  int32_t Opacity = 255;
  int64_t Key = -1;
  bool HasAlphaPlane = false;
  bool AlphaOn = false;
  std::string Coding;
};

struct FrameInfo {
  std::string Name;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Depth = 0;
  int32_t Delay = 0;
  int32_t DelayMilliseconds = 0;
  int32_t Disposal = 0;
  int32_t TransparentIndex = -1;
  bool Indexed = false;  // the composite is a palette picture
  std::vector<LayerInfo> Layers;
  Composite Picture;  // empty when composites were not asked for
};

struct ReadOptions {
  bool Composites = true;
  bool Layers = true;  // keep the document for LayerRgba
};

struct DecoderFree {
  void operator()(dov_decoder* d) const { dov_decoder_destroy(d); }
};
using Decoder = std::unique_ptr<dov_decoder, DecoderFree>;

struct Document {
  int32_t Version = 0;
  int32_t BGColor = 0;
  bool NotFillBG = false;
  int32_t DeclaredFrames = 0;
  std::vector<FrameInfo> Frames;
  std::string Messages;
  bool Damaged() const { return !Messages.empty(); }
  RgbaImage LayerRgba(size_t frame, size_t layer) const;

  Decoder decoder;
};

bool HasDocumentMagic(std::span<const uint8_t> bytes);
// Raises FramesError with libdov's message.
Document ReadDocument(std::span<const uint8_t> bytes, const ReadOptions& options = {});
// Frame `frame`'s composite as the host receives frame 0.
Composite CompositeOf(dov_decoder* decoder, uint32_t frame);
// Frame `frame` composed of the layers flagged in shown (one flag a layer,
// bottom first), each as though visible: indices with their palette where
// the result is a palette picture, else RGBA.
Composite ComposeChosen(dov_decoder* decoder, uint32_t frame, const std::vector<uint8_t>& shown);
// Frame `frame`'s composite as straight RGBA.
RgbaImage FrameRgba(dov_decoder* decoder, uint32_t frame);

// ---- Writing ----------------------------------------------------------------

enum class PictureKind { Palette8, Grey8, Rgb24, Rgba32 };

struct Picture {
  PictureKind Kind = PictureKind::Rgba32;
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Pixels;
  std::vector<std::array<uint8_t, 3>> Palette;
  int32_t TransparentIndex = -1;
  int32_t DelayMilliseconds = 100;
};

enum class Compression { Zlib = DOV_COMPRESSION_ZLIB, None = DOV_COMPRESSION_NONE, Lossy = DOV_COMPRESSION_LOSSY };

struct WriteOptions {
  Compression Coding = Compression::Zlib;
  int32_t Quality = DOV_DEFAULT_QUALITY;
};

// Lossy coding keeps no palette or grey indices: such documents are stored
// with zlib.
Compression StoredCompression(std::span<const Picture> pictures, Compression asked);
std::vector<uint8_t> WriteDocument(std::span<const Picture> pictures, const WriteOptions& options = {});
// One picture as libdov takes it; the rows are the picture's own.
dov_picture AsDovPicture(const Picture& picture);
// Writes the encoder's frames. Raises FramesError.
std::vector<uint8_t> WriteFrames(dov_encoder* encoder);

}  // namespace dorv::tools::frames

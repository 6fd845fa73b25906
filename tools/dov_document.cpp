#include "tools/dov_document.h"

namespace dorv::tools::frames {
namespace {

struct EncoderFree {
  void operator()(dov_encoder* e) const { dov_encoder_destroy(e); }
};

void Check(dov_error e, dov_decoder* d) {
  if (e != DOV_OK) throw FramesError(e, dov_decoder_error_message(d));
}

RgbaImage Rgba(uint32_t width, uint32_t height) {
  RgbaImage out;
  out.Width = static_cast<int32_t>(width);
  out.Height = static_cast<int32_t>(height);
  out.Pixels.resize(size_t{width} * height * 4);
  return out;
}

}  // namespace

bool HasDocumentMagic(std::span<const uint8_t> bytes) { return dov_has_document_magic(bytes.data(), bytes.size()) != 0; }

Composite CompositeOf(dov_decoder* d, uint32_t frame) {
  dov_frame_info info;
  Check(dov_decoder_get_frame_info(d, frame, &info), d);
  Composite c;
  c.Width = static_cast<int32_t>(info.width);
  c.Height = static_cast<int32_t>(info.height);
  const size_t n = size_t{info.width} * info.height;
  if (info.indexed) {
    c.Bpp = 8;
    c.Pixels.resize(n);
    Check(dov_decoder_frame_indexed(d, frame, c.Pixels.data(), info.width, n, c.Palette.data(), &c.TransparentIndex),
          d);
    return c;
  }
  c.Bpp = 32;
  c.Pixels.resize(4 * n);
  Check(dov_decoder_frame_rgba(d, frame, c.Pixels.data(), 4 * size_t{info.width}, 4 * n), d);
  return c;
}

Composite ComposeChosen(dov_decoder* d, uint32_t frame, const std::vector<uint8_t>& shown) {
  dov_frame_info info;
  Check(dov_decoder_get_frame_info(d, frame, &info), d);
  Composite c;
  c.Width = static_cast<int32_t>(info.width);
  c.Height = static_cast<int32_t>(info.height);
  const size_t n = size_t{info.width} * info.height;
  const auto count = static_cast<uint32_t>(shown.size());
  c.Bpp = 8;
  c.Pixels.resize(n);
  const dov_error e = dov_decoder_compose_indexed(d, frame, shown.data(), count, c.Pixels.data(), info.width, n,
                                                  c.Palette.data(), &c.TransparentIndex);
  if (e == DOV_OK) return c;
  if (e != DOV_ERROR_NOT_INDEXED) Check(e, d);
  // The chosen layers give colour pixels; the composition is kept, not made again.
  c.Bpp = 32;
  c.TransparentIndex = -1;
  c.Palette = {};
  c.Pixels.resize(4 * n);
  Check(dov_decoder_compose_rgba(d, frame, shown.data(), count, c.Pixels.data(), 4 * size_t{info.width}, 4 * n), d);
  return c;
}

Document ReadDocument(std::span<const uint8_t> bytes, const ReadOptions& options) {
  Document doc;
  doc.decoder.reset(dov_decoder_create());
  dov_decoder* d = doc.decoder.get();
  if (d == nullptr) throw FramesError(DOV_ERROR_OUT_OF_MEMORY, "out of memory");
  Check(dov_decoder_read_memory(d, bytes.data(), bytes.size()), d);
  dov_info info;
  Check(dov_decoder_get_info(d, &info), d);
  doc.Version = info.version;
  doc.BGColor = static_cast<int32_t>(info.background);
  doc.NotFillBG = info.not_fill_background != 0;
  doc.DeclaredFrames = static_cast<int32_t>(info.frames_declared);
  doc.Messages = info.messages;
  for (uint32_t f = 0; f < info.frame_count; ++f) {
    dov_frame_info fi;
    Check(dov_decoder_get_frame_info(d, f, &fi), d);
    FrameInfo frame;
    frame.Name = fi.name;
    frame.Width = static_cast<int32_t>(fi.width);
    frame.Height = static_cast<int32_t>(fi.height);
    frame.Depth = static_cast<int32_t>(fi.depth);
    frame.Delay = fi.delay;
    frame.DelayMilliseconds = fi.delay_ms;
    frame.Disposal = fi.disposal;
    frame.TransparentIndex = fi.transparent_index;
    frame.Indexed = fi.indexed != 0;
    for (uint32_t l = 0; l < fi.layer_count; ++l) {
      dov_layer_info li;
      Check(dov_decoder_get_layer_info(d, f, l, &li), d);
      frame.Layers.push_back(LayerInfo{li.name, li.visible != 0, li.opacity, li.key, li.has_alpha_plane != 0,
                                       li.alpha_on != 0, li.coding});
    }
    if (options.Composites) frame.Picture = CompositeOf(d, f);
    doc.Frames.push_back(std::move(frame));
  }
  if (!options.Layers) doc.decoder.reset();
  return doc;
}

RgbaImage Document::LayerRgba(size_t frame, size_t layer) const {
  if (!decoder) throw FramesError(DOV_ERROR_INVALID_ARGUMENT, "layers were not kept");
  dov_layer_info li;
  Check(dov_decoder_get_layer_info(decoder.get(), static_cast<uint32_t>(frame), static_cast<uint32_t>(layer), &li),
        decoder.get());
  RgbaImage out = Rgba(li.width, li.height);
  Check(dov_decoder_layer_rgba(decoder.get(), static_cast<uint32_t>(frame), static_cast<uint32_t>(layer),
                               out.Pixels.data(), 4 * size_t{li.width}, out.Pixels.size()),
        decoder.get());
  return out;
}

RgbaImage FrameRgba(dov_decoder* d, uint32_t frame) {
  dov_frame_info info;
  Check(dov_decoder_get_frame_info(d, frame, &info), d);
  RgbaImage out = Rgba(info.width, info.height);
  Check(dov_decoder_frame_rgba(d, frame, out.Pixels.data(), 4 * size_t{info.width}, out.Pixels.size()), d);
  return out;
}

Compression StoredCompression(std::span<const Picture> pictures, Compression asked) {
  if (asked != Compression::Lossy) return asked;
  for (const Picture& p : pictures)
    if (p.Kind == PictureKind::Palette8 || p.Kind == PictureKind::Grey8) return Compression::Zlib;
  return asked;
}

dov_picture AsDovPicture(const Picture& p) {
  dov_picture d{};
  d.width = static_cast<uint32_t>(p.Width);
  d.height = static_cast<uint32_t>(p.Height);
  d.pixels = p.Pixels.data();
  d.transparent_index = -1;
  switch (p.Kind) {
    case PictureKind::Palette8:
      d.format = DOV_PIXELS_INDEXED;
      d.stride = d.width;
      d.palette = p.Palette.empty() ? nullptr : p.Palette[0].data();
      d.palette_size = static_cast<uint32_t>(p.Palette.size());
      d.transparent_index = p.TransparentIndex;
      break;
    case PictureKind::Grey8: d.format = DOV_PIXELS_GREY; d.stride = d.width; break;
    case PictureKind::Rgb24: d.format = DOV_PIXELS_RGB; d.stride = 3 * size_t{d.width}; break;
    case PictureKind::Rgba32: d.format = DOV_PIXELS_RGBA; d.stride = 4 * size_t{d.width}; break;
  }
  return d;
}

std::vector<uint8_t> WriteFrames(dov_encoder* e) {
  uint8_t* data = nullptr;
  size_t size = 0;
  const dov_error code = dov_encoder_write_memory(e, &data, &size);
  if (code != DOV_OK) throw FramesError(code, dov_encoder_error_message(e));
  std::unique_ptr<uint8_t, decltype(&dov_free)> owned(data, &dov_free);
  return std::vector<uint8_t>(data, data + size);
}

std::vector<uint8_t> WriteDocument(std::span<const Picture> pictures, const WriteOptions& options) {
  std::unique_ptr<dov_encoder, EncoderFree> e(dov_encoder_create());
  if (!e) throw FramesError(DOV_ERROR_OUT_OF_MEMORY, "out of memory");
  auto check = [&](dov_error code) {
    if (code != DOV_OK) throw FramesError(code, dov_encoder_error_message(e.get()));
  };
  check(dov_encoder_set_compression(e.get(), static_cast<dov_compression>(options.Coding), options.Quality));
  for (const Picture& p : pictures) {
    const dov_picture d = AsDovPicture(p);
    check(dov_encoder_add_frame(e.get(), &d, p.DelayMilliseconds));
  }
  return WriteFrames(e.get());
}

}  // namespace dorv::tools::frames

#include "tools/gif_anim.h"

#if defined(DOVTOOL_WITH_GIF)
#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <unordered_map>

#include "tools/anim_timing.h"
#include "tools/frame_diff.h"
#include "tools/size_math.h"

namespace dorv::tools {
namespace {

using Rgb = std::array<uint8_t, 3>;

// A colour table as GIF stores it: a power of two entries, 2 to 256.
struct Table {
  std::vector<Rgb> colours;
  int32_t transparent = -1;
};

int TableSize(size_t needed) {
  int size = 2;
  while (static_cast<size_t>(size) < needed) size *= 2;
  return size;
}

// One frame as GIF takes it: the box it covers on the canvas and indices
// into its table (or the global one).
struct GifFrame {
  int32_t x = 0, y = 0, width = 0, height = 0;
  std::vector<uint8_t> indices;
  bool local = false;
  Table table;  // the frame's own, or the global one's copy
};

struct Writer {
  std::vector<uint8_t> bytes;
  static int Put(GifFileType* gif, const GifByteType* data, int size) {
    auto* w = static_cast<Writer*>(gif->UserData);
    w->bytes.insert(w->bytes.end(), data, data + size);
    return size;
  }
};

struct MapFree {
  void operator()(ColorMapObject* m) const { GifFreeMapObject(m); }
};
using ColourMap = std::unique_ptr<ColorMapObject, MapFree>;

ColourMap MakeMap(const Table& t) {
  const int size = TableSize(t.colours.size());
  std::vector<GifColorType> entries(static_cast<size_t>(size), GifColorType{0, 0, 0});
  for (size_t i = 0; i < t.colours.size(); ++i) entries[i] = {t.colours[i][0], t.colours[i][1], t.colours[i][2]};
  ColourMap map(GifMakeMapObject(size, entries.data()));
  if (!map) throw std::runtime_error("out of memory");
  return map;
}

// Where pixel (x, y) of a frame's box lies in its picture.
size_t At(const frames::Composite& c, const Box& b, int32_t x, int32_t y) {
  return size_t(c.Width) * size_t(b.y + y) + size_t(b.x + x);
}

GifFrame Framed(const Box& b) {
  GifFrame f;
  f.x = b.x;
  f.y = b.y;
  f.width = b.w;
  f.height = b.h;
  f.indices.resize(CheckedMul(size_t(b.w), size_t(b.h)));
  return f;
}

// A palette picture's table: the entries its pixels and transparent index use.
Table PaletteTable(const frames::Composite& c, const Box& b) {
  size_t needed = c.TransparentIndex >= 0 && c.TransparentIndex < 256 ? size_t(c.TransparentIndex) + 1 : 1;
  for (int32_t y = 0; y < b.h; ++y) {
    const uint8_t* row = c.Pixels.data() + At(c, b, 0, y);
    needed = std::max<size_t>(needed, size_t{*std::max_element(row, row + b.w)} + 1);
  }
  Table t;
  t.colours.resize(needed);
  for (size_t i = 0; i < needed; ++i) t.colours[i] = {c.Palette[4 * i], c.Palette[4 * i + 1], c.Palette[4 * i + 2]};
  t.transparent = c.TransparentIndex >= 0 && c.TransparentIndex < 256 ? c.TransparentIndex : -1;
  return t;
}

bool Prefix(const std::vector<Rgb>& a, const std::vector<Rgb>& b) {
  return a.size() <= b.size() && std::equal(a.begin(), a.end(), b.begin());
}

std::vector<GifFrame> PaletteFrames(const std::vector<AnimPicture>& in, const std::vector<Box>& boxes) {
  std::vector<GifFrame> out;
  for (size_t i = 0; i < in.size(); ++i) {
    const frames::Composite& c = in[i].picture;
    const Box& b = boxes[i];
    GifFrame f = Framed(b);
    for (int32_t y = 0; y < b.h; ++y)
      std::memcpy(f.indices.data() + size_t(b.w) * size_t(y), c.Pixels.data() + At(c, b, 0, y), size_t(b.w));
    f.table = PaletteTable(c, b);
    out.push_back(std::move(f));
  }
  return out;
}

uint32_t Key(const uint8_t p[4]) { return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2]; }

// Visits the box's pixels row by row with their place in the box and their
// red, green, blue, alpha; stops when visit returns false.
template <typename Visit>
void EachPixel(const frames::Composite& c, const Box& b, Visit&& visit) {
  uint8_t p[4];
  size_t i = 0;
  for (int32_t y = 0; y < b.h; ++y) {
    const size_t row = At(c, b, 0, y);
    for (int32_t x = 0; x < b.w; ++x, ++i) {
      PixelRgba(c, row + size_t(x), p);
      if (!visit(i, p)) return;
    }
  }
}

// The colours of one picture (or of several) with a clear entry where a
// pixel is clear; counting stops past 256.
struct ColourSet {
  std::unordered_map<uint32_t, uint8_t> index;
  bool clear = false;
  bool Add(const uint8_t p[4]) {
    if (p[3] == 0) {
      clear = true;
      return true;
    }
    index.emplace(Key(p), 0);
    return index.size() <= 256;
  }
  bool Fits() const { return index.size() + (clear ? 1 : 0) <= 256; }
  // The table, colours in order, the clear entry last.
  Table MakeTable() {
    std::vector<uint32_t> keys;
    for (const auto& [k, v] : index) keys.push_back(k);
    std::sort(keys.begin(), keys.end());
    Table t;
    for (uint32_t k : keys) {
      index[k] = static_cast<uint8_t>(t.colours.size());
      t.colours.push_back({uint8_t(k >> 16), uint8_t(k >> 8), uint8_t(k)});
    }
    if (clear) {
      t.transparent = static_cast<int32_t>(t.colours.size());
      t.colours.push_back({0, 0, 0});
    }
    return t;
  }
};

// Indices of a box through an exact table.
void MapExactly(const frames::Composite& c, const Box& b, ColourSet& set, const Table& t, GifFrame& f) {
  EachPixel(c, b, [&](size_t i, const uint8_t p[4]) {
    f.indices[i] = p[3] == 0 ? static_cast<uint8_t>(t.transparent) : set.index[Key(p)];
    return true;
  });
}

// A box of more than 256 colours reduced by giflib's quantiser; clear pixels
// keep an entry of their own.
void Reduce(const frames::Composite& c, const Box& b, bool clear, GifFrame& f) {
  const size_t n = f.indices.size();
  std::vector<GifByteType> red(n), green(n), blue(n);
  EachPixel(c, b, [&](size_t i, const uint8_t p[4]) {
    red[i] = p[0], green[i] = p[1], blue[i] = p[2];
    return true;
  });
  int size = clear ? 255 : 256;
  std::vector<GifColorType> map(256);
  if (GifQuantizeBuffer(static_cast<unsigned>(b.w), static_cast<unsigned>(b.h), &size, red.data(), green.data(),
                        blue.data(), f.indices.data(), map.data()) != GIF_OK)
    throw std::runtime_error("the colours could not be reduced");
  for (int i = 0; i < size; ++i) f.table.colours.push_back({map[size_t(i)].Red, map[size_t(i)].Green, map[size_t(i)].Blue});
  if (!clear) return;
  f.table.transparent = static_cast<int32_t>(f.table.colours.size());
  f.table.colours.push_back({0, 0, 0});
  EachPixel(c, b, [&](size_t i, const uint8_t p[4]) {
    if (p[3] == 0) f.indices[i] = static_cast<uint8_t>(f.table.transparent);
    return true;
  });
}

// Colour frames: one exact table for all when their colours fit, else one
// table a frame, reduced where a frame holds more than fit.
std::vector<GifFrame> ColourFrames(const std::vector<AnimPicture>& in, const std::vector<Box>& boxes,
                                   std::vector<std::string>& warnings) {
  ColourSet all;
  bool fits = true;
  for (size_t k = 0; k < in.size() && fits; ++k)
    EachPixel(in[k].picture, boxes[k], [&](size_t, const uint8_t p[4]) { return fits = all.Add(p); });
  fits = fits && all.Fits();
  bool partial = false;
  for (size_t k = 0; k < in.size() && !partial; ++k)
    EachPixel(in[k].picture, boxes[k], [&](size_t, const uint8_t p[4]) { return !(partial = p[3] != 0 && p[3] != 255); });
  const Table shared = fits ? all.MakeTable() : Table{};
  size_t reduced = 0;
  std::vector<GifFrame> out;
  for (size_t k = 0; k < in.size(); ++k) {
    const frames::Composite& c = in[k].picture;
    const Box& b = boxes[k];
    GifFrame f = Framed(b);
    if (fits) {
      f.table = shared;
      MapExactly(c, b, all, shared, f);
    } else {
      f.local = true;
      ColourSet own;
      bool ownFits = true;
      EachPixel(c, b, [&](size_t, const uint8_t p[4]) { return ownFits = own.Add(p); });
      if (ownFits && own.Fits()) {
        f.table = own.MakeTable();
        MapExactly(c, b, own, f.table, f);
      } else {
        ++reduced;
        bool clear = false;
        EachPixel(c, b, [&](size_t, const uint8_t p[4]) { return !(clear = p[3] == 0); });
        Reduce(c, b, clear, f);
      }
    }
    out.push_back(std::move(f));
  }
  if (partial) warnings.push_back("partial transparency is shown opaque: GIF keeps only fully clear pixels");
  if (reduced > 0)
    warnings.push_back(std::to_string(reduced) + (reduced == 1 ? " frame holds" : " frames hold") +
                       " more than 256 colours: reduced to 256 for GIF");
  return out;
}

// Whether `next` is clear anywhere `cur` is not: a frame left in place
// would show through there.
bool TurnsClear(const frames::Composite& cur, const frames::Composite& next, int32_t cw, int32_t ch) {
  const int32_t w = std::min(cur.Width, cw), h = std::min(cur.Height, ch);
  if (next.Width < w || next.Height < h) return true;
  for (int32_t y = 0; y < h; ++y) {
    const size_t a = size_t(cur.Width) * size_t(y), b = size_t(next.Width) * size_t(y);
    for (int32_t x = 0; x < w; ++x) {
      const bool curClear = cur.Bpp == 8 ? cur.Pixels[a + size_t(x)] == cur.TransparentIndex
                                         : cur.Pixels[4 * (a + size_t(x)) + 3] == 0;
      const bool nextClear = next.Bpp == 8 ? next.Pixels[b + size_t(x)] == next.TransparentIndex
                                           : next.Pixels[4 * (b + size_t(x)) + 3] == 0;
      if (nextClear && !curClear) return true;
    }
  }
  return false;
}

// GIF's disposal of each frame: the editor's, except that a frame without
// one is cleared when the next frame is clear where it is not; left in
// place, it would show through the next frame's clear pixels.
std::vector<int> Disposals(const std::vector<AnimPicture>& in, int32_t cw, int32_t ch,
                           std::vector<std::string>& warnings) {
  std::vector<int> out;
  size_t showThrough = 0;
  for (size_t i = 0; i < in.size(); ++i) {
    int d = GifDisposal(in[i].disposal);
    if (d <= 1 && i + 1 < in.size() && TurnsClear(in[i].picture, in[i + 1].picture, cw, ch)) {
      if (d == 0) d = 2;
      else ++showThrough;
    }
    out.push_back(d);
  }
  if (showThrough > 0)
    warnings.push_back(std::to_string(showThrough) + (showThrough == 1 ? " frame is" : " frames are") +
                       " kept in place (disposal 1) under clear pixels of the next: GIF shows them there");
  return out;
}

void Check(int status, GifFileType* gif) {
  if (status != GIF_OK) throw std::runtime_error(std::string("GIF: ") + GifErrorString(gif->Error));
}

struct GifClose {
  void operator()(GifFileType* g) const { EGifCloseFile(g, nullptr); }
};

}  // namespace

EncodedAnimation EncodeGif(const std::vector<AnimPicture>& in) {
  if (in.empty()) throw std::runtime_error("no frame to write");
  EncodedAnimation result;
  const int32_t cw = in[0].picture.Width, ch = in[0].picture.Height;
  if (cw > 65535 || ch > 65535) throw std::runtime_error("GIF takes at most 65535 x 65535 pixels");
  const bool palette = std::all_of(in.begin(), in.end(), [](const AnimPicture& a) { return a.picture.Bpp == 8; });
  // A frame shown over the one before it, both kept on the canvas, stores
  // only the box that differs.
  const std::vector<int> disposals = Disposals(in, cw, ch, result.warnings);
  const std::vector<Box> boxes =
      FrameBoxes(in, cw, ch, [&](size_t i) { return disposals[i - 1] <= 1 && disposals[i] <= 1; });
  std::vector<GifFrame> frames = palette ? PaletteFrames(in, boxes) : ColourFrames(in, boxes, result.warnings);

  // The global table: the first frame's, as long as the others need.
  frames[0].local = false;
  Table global = frames[0].table;
  if (palette) {
    std::vector<Rgb> first;
    for (size_t i = 0; i < 256; ++i)
      first.push_back({in[0].picture.Palette[4 * i], in[0].picture.Palette[4 * i + 1], in[0].picture.Palette[4 * i + 2]});
    size_t needed = global.colours.size();
    for (GifFrame& f : frames) {
      f.local = !Prefix(f.table.colours, first);
      if (!f.local) needed = std::max(needed, f.table.colours.size());
    }
    global.colours.assign(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(TableSize(needed)));
  }

  std::vector<int32_t> ms;
  for (const AnimPicture& a : in) ms.push_back(a.durationMs);
  const std::vector<uint16_t> delays = GifDelays(ms);
  size_t shortFrames = 0;
  for (uint16_t d : delays) shortFrames += d < kShortestShownMs / 10 ? 1 : 0;
  if (shortFrames > 0)
    result.warnings.push_back(std::to_string(shortFrames) + (shortFrames == 1 ? " frame is" : " frames are") +
                              " shown for less than 20 ms: browsers show such frames for 100 ms");

  Writer writer;
  int error = 0;
  std::unique_ptr<GifFileType, GifClose> gif(EGifOpen(&writer, &Writer::Put, &error));
  if (!gif) throw std::runtime_error(std::string("GIF: ") + GifErrorString(error));
  EGifSetGifVersion(gif.get(), true);
  const ColourMap globalMap = MakeMap(global);
  Check(EGifPutScreenDesc(gif.get(), cw, ch, globalMap->BitsPerPixel, 0, globalMap.get()), gif.get());
  // Loops for ever.
  Check(EGifPutExtensionLeader(gif.get(), APPLICATION_EXT_FUNC_CODE), gif.get());
  Check(EGifPutExtensionBlock(gif.get(), 11, "NETSCAPE2.0"), gif.get());
  const uint8_t loop[3] = {1, 0, 0};
  Check(EGifPutExtensionBlock(gif.get(), 3, loop), gif.get());
  Check(EGifPutExtensionTrailer(gif.get()), gif.get());

  for (size_t i = 0; i < frames.size(); ++i) {
    GifFrame& f = frames[i];
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = disposals[i];
    gcb.UserInputFlag = false;
    gcb.DelayTime = delays[i];
    gcb.TransparentColor = f.table.transparent >= 0 ? f.table.transparent : NO_TRANSPARENT_COLOR;
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    Check(EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, 4, ext), gif.get());
    ColourMap local;
    if (f.local) local = MakeMap(f.table);
    Check(EGifPutImageDesc(gif.get(), f.x, f.y, f.width, f.height, false, local.get()), gif.get());
    for (int32_t y = 0; y < f.height; ++y)
      Check(EGifPutLine(gif.get(), f.indices.data() + size_t(f.width) * size_t(y), f.width), gif.get());
    // giflib keeps a copy of a local table until the next image brings its
    // own, and loses it when the next has none: freed here once the lines
    // are written.
    if (gif->Image.ColorMap != nullptr) {
      GifFreeMapObject(gif->Image.ColorMap);
      gif->Image.ColorMap = nullptr;
    }
  }
  GifFileType* g = gif.release();
  if (EGifCloseFile(g, &error) != GIF_OK) throw std::runtime_error(std::string("GIF: ") + GifErrorString(error));
  result.bytes = std::move(writer.bytes);
  return result;
}

}  // namespace dorv::tools

#else
#include <stdexcept>

namespace dorv::tools {

EncodedAnimation EncodeGif(const std::vector<AnimPicture>&) {
  throw std::runtime_error("this dovtool was built without giflib: no GIF");
}

}  // namespace dorv::tools
#endif

#include "support/dov_writer.h"

#include <jpeglib.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace dorv::testing {
namespace {

void Put32(std::vector<uint8_t>& out, int32_t v) {
  auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

std::string Escape(const std::string& s) {
  std::string r;
  for (char c : s) {
    switch (c) {
      case '&': r += "&amp;"; break;
      case '"': r += "&quot;"; break;
      case '<': r += "&lt;"; break;
      case '>': r += "&gt;"; break;
      default: r += c;
    }
  }
  return r;
}

std::string Attr(const char* name, const std::string& v) { return std::string(" ") + name + "=\"" + Escape(v) + "\""; }
std::string Attr(const char* name, int64_t v) { return Attr(name, std::to_string(v)); }

int32_t StoredBits(int32_t bpp) { return bpp == 15 ? 16 : bpp; }

std::string PaletteText(const FrameSpec& f) {
  static const char* hex = "0123456789ABCDEF";
  std::string t;
  const int n = 1 << f.bpp;
  for (int i = 0; i < n; ++i) {
    uint32_t c = i < static_cast<int>(f.palette.size()) ? f.palette[static_cast<size_t>(i)] : 0;
    uint8_t bytes[3] = {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)};
    for (uint8_t b : bytes) {
      t += hex[b >> 4];
      t += hex[b & 15];
    }
  }
  return t;
}

bool UsesBlocks(const DocSpec& d) {
  const int32_t bw = d.blockWidth.value_or(32), bh = d.blockHeight.value_or(32);
  return bw > 0 && bh > 0 && d.compType != 2;
}

std::vector<uint8_t> Scramble(const std::vector<uint8_t>& rows, int32_t h, uint32_t seed) {
  if (h == 0) return rows;
  const size_t rb = rows.size() / static_cast<size_t>(h);
  std::vector<uint8_t> out(rows.size());
  auto order = NaivePermutation(seed, h);
  for (int32_t s = 0; s < h; ++s)
    std::memcpy(out.data() + rb * static_cast<size_t>(s), rows.data() + rb * static_cast<size_t>(order[static_cast<size_t>(s)]), rb);
  return out;
}

std::vector<uint8_t> BlockData(const DocSpec& d, const FrameSpec& f, int32_t bits,
                               const std::vector<uint8_t>& rows, const std::vector<BlockEntry>& given) {
  const int32_t bw = d.blockWidth.value_or(32), bh = d.blockHeight.value_or(32);
  const int32_t bx = (f.width + bw - 1) / bw, by = (f.height + bh - 1) / bh;
  const int32_t n = bx * by;
  const size_t rb = static_cast<size_t>(StoredRowBytes(f.width, bits));
  std::vector<BlockEntry> entries(static_cast<size_t>(n));
  for (int32_t b = 0; b < n && b < static_cast<int32_t>(given.size()); ++b) entries[static_cast<size_t>(b)] = given[static_cast<size_t>(b)];
  std::vector<uint8_t> out;
  std::vector<int32_t> order(static_cast<size_t>(n));
  for (int32_t s = 0; s < n; ++s) order[static_cast<size_t>(s)] = s;
  if (d.randomized) order = NaivePermutation(d.code, n);
  for (int32_t s = 0; s < n; ++s) {
    const BlockEntry& e = entries[static_cast<size_t>(order[static_cast<size_t>(s)])];
    Put32(out, e.kind);
    Put32(out, e.index);
  }
  const size_t stride = (static_cast<size_t>(bw) * static_cast<size_t>(bits) + 7) / 8;
  for (int32_t b = 0; b < n; ++b) {
    if (entries[static_cast<size_t>(b)].kind != -1) continue;
    const int32_t x = (b % bx) * bw, y = (b / bx) * bh;
    const int32_t w = std::min(bw, f.width - x), h = std::min(bh, f.height - y);
    const size_t len = (static_cast<size_t>(w) * static_cast<size_t>(bits) + 7) / 8;
    const size_t off = static_cast<size_t>(b % bx) * stride;
    for (int32_t k = 0; k < h; ++k)
      for (size_t i = 0; i < len; ++i) {
        size_t at = rb * static_cast<size_t>(y + k) + off + i;
        out.push_back(off + i < rb ? rows[at] : 0);
      }
  }
  return out;
}

void PutRecord(std::vector<uint8_t>& out, const std::vector<uint8_t>& blob, std::optional<int32_t> length = {}) {
  Put32(out, length.value_or(static_cast<int32_t>(blob.size())));
  out.insert(out.end(), blob.begin(), blob.end());
}

}  // namespace

std::vector<uint8_t> PlaneBlob(const DocSpec& d, const FrameSpec& f, bool isAlpha,
                               const std::vector<uint8_t>& rows, const std::vector<BlockEntry>& blocks) {
  const int32_t bits = isAlpha ? 8 : StoredBits(f.bpp);
  if (d.version < 103) {
    std::vector<uint8_t> r = d.randomized ? Scramble(rows, f.height, d.code) : rows;
    return d.compType == 1 ? r : ZlibCompress(rows);
  }
  if (d.compType == 2 && !isAlpha) {
    // 24-bit stored rows only; other depths are the caller's business.
    return JpegEncode(rows, f.width, f.height, d.compLevel);
  }
  std::vector<uint8_t> p;
  if (UsesBlocks(d)) {
    p = BlockData(d, f, bits, rows, blocks);
  } else {
    p = (d.randomized && d.compType != 2) ? Scramble(rows, f.height, d.code) : rows;
  }
  if (d.compType == 0 || d.compType == 2) p = ZlibCompress(p);
  return p;
}

int32_t StoredRowBytes(int32_t width, int32_t bpp) {
  const int64_t bits = static_cast<int64_t>(width) * StoredBits(bpp);
  return static_cast<int32_t>(((bits + 31) / 32) * 4);
}

std::vector<uint8_t> MakeRows(int32_t width, int32_t height, int32_t bpp,
                              const std::function<uint32_t(int32_t, int32_t)>& pixel) {
  const size_t rb = static_cast<size_t>(StoredRowBytes(width, bpp));
  std::vector<uint8_t> rows(rb * static_cast<size_t>(height));
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* r = rows.data() + rb * static_cast<size_t>(y);
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t v = pixel(x, y);
      switch (StoredBits(bpp)) {
        case 1: if (v & 1) r[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8)); break;
        case 4: r[x / 2] |= static_cast<uint8_t>((v & 15) << ((x % 2) ? 0 : 4)); break;
        case 8: r[x] = static_cast<uint8_t>(v); break;
        case 16: r[2 * x] = static_cast<uint8_t>(v); r[2 * x + 1] = static_cast<uint8_t>(v >> 8); break;
        case 24:
          r[3 * x] = static_cast<uint8_t>(v);
          r[3 * x + 1] = static_cast<uint8_t>(v >> 8);
          r[3 * x + 2] = static_cast<uint8_t>(v >> 16);
          break;
        case 32:
          for (int i = 0; i < 4; ++i) r[4 * x + i] = static_cast<uint8_t>(v >> (8 * i));
          break;
        default: throw std::invalid_argument("bpp");
      }
    }
  }
  return rows;
}

std::vector<int32_t> NaivePermutation(uint32_t seed, int32_t n) {
  std::vector<int32_t> pool(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) pool[static_cast<size_t>(i)] = i;
  std::vector<int32_t> out;
  uint32_t state = 0;
  while (!pool.empty()) {
    state = 5 * state + seed;
    const size_t i = state % pool.size();
    out.push_back(pool[i]);
    pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(i));
  }
  return out;
}

std::vector<uint8_t> ZlibCompress(std::span<const uint8_t> bytes) {
  uLongf n = compressBound(static_cast<uLong>(bytes.size()));
  std::vector<uint8_t> out(n);
  if (compress2(out.data(), &n, bytes.data(), static_cast<uLong>(bytes.size()), Z_DEFAULT_COMPRESSION) != Z_OK)
    throw std::runtime_error("compress2");
  out.resize(n);
  return out;
}

std::vector<uint8_t> JpegEncode(std::span<const uint8_t> bgrRows, int32_t width, int32_t height, int quality) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &mem, &size);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  jpeg_start_compress(&c, TRUE);
  const size_t rb = static_cast<size_t>(StoredRowBytes(width, 24));
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * 3);
  while (c.next_scanline < c.image_height) {
    const uint8_t* src = bgrRows.data() + rb * c.next_scanline;
    for (int32_t x = 0; x < width; ++x) {
      rgb[3 * static_cast<size_t>(x)] = src[3 * x + 2];
      rgb[3 * static_cast<size_t>(x) + 1] = src[3 * x + 1];
      rgb[3 * static_cast<size_t>(x) + 2] = src[3 * x];
    }
    JSAMPROW row = rgb.data();
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<uint8_t> out(mem, mem + size);
  jpeg_destroy_compress(&c);
  std::free(mem);
  return out;
}

std::string HeaderText(const DocSpec& d) {
  std::string t;
  const FrameSpec* f0 = d.frames.empty() ? nullptr : &d.frames[0];
  t += "<Frames" + Attr("Version", d.version) + Attr("Width", f0 ? f0->width : 0) +
       Attr("Height", f0 ? f0->height : 0) + Attr("Bpp", f0 ? f0->bpp : 0) +
       Attr("Count", d.count.value_or(static_cast<int32_t>(d.frames.size()))) + Attr("SyncPal", 1) +
       Attr("Randomized", d.randomized ? 1 : 0) + Attr("CompType", d.compType) +
       Attr("CompLevel", d.compLevel) + Attr("BGColor", d.bgColor);
  if (d.blockWidth) t += Attr("BlockWidth", *d.blockWidth);
  if (d.blockHeight) t += Attr("BlockHeight", *d.blockHeight);
  t += Attr("NotFillBG", d.notFillBG ? 1 : 0) + ">\r\n";
  for (const FrameSpec& f : d.frames) {
    t += "  <Frame" + Attr("Name", f.name) + Attr("TransColor", f.trans) + Attr("Delay", f.delay) +
         Attr("Disposal", f.disposal) + ">\r\n";
    if (!f.omitLayers) {
      t += "    <Layers" + Attr("Count", f.layersCount.value_or(static_cast<int32_t>(f.layers.size()))) +
           Attr("Width", f.width) + Attr("Height", f.height) + Attr("Bpp", f.bpp) + ">\r\n";
      if (f.bpp <= 8 || f.rgbText) t += "      <RGB>" + f.rgbText.value_or(PaletteText(f)) + "</RGB>\r\n";
      for (const LayerSpec& l : f.layers) {
        t += "      <Layer" + Attr("Left", 0) + Attr("Top", 0) + Attr("Visible", l.visible ? 1 : 0) +
             Attr("TransColor", l.trans) + Attr("Alpha", l.alpha) + Attr("AlphaOn", l.alphaOn ? 1 : 0) +
             Attr("Name", l.name) + Attr("Lock", 0) + " />\r\n";
      }
      t += "    </Layers>\r\n";
    }
    t += "  </Frame>\r\n";
  }
  t += "</Frames>\r\n";
  return t;
}

std::vector<uint8_t> WriteDov(const DocSpec& d) {
  std::vector<uint8_t> out(d.magic.begin(), d.magic.end());
  const std::string text = HeaderText(d);
  const auto header = ZlibCompress(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  PutRecord(out, header);
  for (const FrameSpec& f : d.frames) {
    for (const LayerSpec& l : f.layers) {
      PutRecord(out, l.colourBlob ? *l.colourBlob : PlaneBlob(d, f, false, l.rows, l.blocks), l.colourLength);
      if (d.version < 100) continue;
      if (l.alphaBlob) PutRecord(out, *l.alphaBlob);
      else if (l.alphaRows) PutRecord(out, PlaneBlob(d, f, true, *l.alphaRows, l.alphaBlocks));
      else Put32(out, 0);
    }
  }
  return out;
}

}  // namespace dorv::testing

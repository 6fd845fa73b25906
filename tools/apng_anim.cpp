#include "tools/apng_anim.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "tools/anim_timing.h"
#include "tools/frame_diff.h"
#include "tools/size_math.h"

namespace dorv::tools {
namespace {

// Chunks of at most this much data; PNG allows 2^31 - 1.
constexpr size_t kChunkData = size_t{1} << 30;

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  const uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
  out.insert(out.end(), b, b + 4);
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(uint8_t(v >> 8));
  out.push_back(uint8_t(v));
}

void Chunk(std::vector<uint8_t>& out, const char type[4], const uint8_t* data, size_t size) {
  Put32(out, static_cast<uint32_t>(size));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  if (size > 0) out.insert(out.end(), data, data + size);
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32_z(crc, out.data() + start, out.size() - start);
  Put32(out, static_cast<uint32_t>(crc));
}
void Chunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  Chunk(out, type, data.data(), data.size());
}

// The APNG disposal of the editor's (GIF's) value.
uint8_t ApngDisposal(int32_t stored) {
  switch (GifDisposal(stored)) {
    case 2: return 1;  // background
    case 3: return 2;  // previous
    default: return 0;
  }
}

// One frame's rows, filtered and compressed. Palette rows go unfiltered;
// colour rows take the "up" filter, which suits flat pixel art.
std::vector<uint8_t> Compress(const AnimPicture& a, const Box& box, bool palette) {
  const frames::Composite& c = a.picture;
  const int32_t w = box.w, h = box.h;
  const size_t px = palette ? 1 : 4;
  const size_t row = CheckedMul(size_t(w), px);
  const size_t pictureBytes = c.Bpp == 8 ? 1 : 4;
  std::vector<uint8_t> raw(CheckedMul(CheckedAdd(row, 1), size_t(h)));
  std::vector<uint8_t> rgba(row);
  const uint8_t* prev = nullptr;
  std::vector<uint8_t> prevRow(row);
  for (size_t y = 0; y < size_t(h); ++y) {
    uint8_t* out = raw.data() + (row + 1) * y;
    const uint8_t* src =
        c.Pixels.data() + (size_t(c.Width) * (size_t(box.y) + y) + size_t(box.x)) * pictureBytes;
    if (!palette && c.Bpp == 8) {
      for (size_t x = 0; x < size_t(w); ++x) std::memcpy(&rgba[4 * x], &c.Palette[size_t{src[x]} * 4], 4);
      src = rgba.data();
    }
    if (palette || prev == nullptr) {
      out[0] = 0;
      std::memcpy(out + 1, src, row);
    } else {
      out[0] = 2;
      for (size_t i = 0; i < row; ++i) out[1 + i] = static_cast<uint8_t>(src[i] - prev[i]);
    }
    if (!palette) {
      std::memcpy(prevRow.data(), src, row);
      prev = prevRow.data();
    }
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(size);
  if (compress2(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK)
    throw std::runtime_error("APNG: compression failed");
  packed.resize(size);
  return packed;
}

// Every frame a palette picture with the first one's colours and key.
bool SharesPalette(const std::vector<AnimPicture>& in) {
  const frames::Composite& first = in[0].picture;
  return std::all_of(in.begin(), in.end(), [&](const AnimPicture& a) {
    return a.picture.Bpp == 8 && a.picture.Palette == first.Palette &&
           a.picture.TransparentIndex == first.TransparentIndex;
  });
}

}  // namespace

EncodedAnimation EncodeApng(const std::vector<AnimPicture>& in) {
  if (in.empty()) throw std::runtime_error("no frame to write");
  EncodedAnimation result;
  const int32_t cw = in[0].picture.Width, ch = in[0].picture.Height;
  if (cw <= 0 || ch <= 0) throw std::runtime_error("APNG: the first frame is empty");
  const bool palette = SharesPalette(in);
  std::vector<uint8_t>& out = result.bytes;
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  out.assign(kSignature, kSignature + 8);

  std::vector<uint8_t> ihdr;
  Put32(ihdr, uint32_t(cw));
  Put32(ihdr, uint32_t(ch));
  ihdr.push_back(8);
  ihdr.push_back(palette ? 3 : 6);
  ihdr.insert(ihdr.end(), {0, 0, 0});
  Chunk(out, "IHDR", ihdr);

  std::vector<uint8_t> actl;
  Put32(actl, static_cast<uint32_t>(in.size()));
  Put32(actl, 0);  // for ever
  Chunk(out, "acTL", actl);

  if (palette) {
    const frames::Composite& first = in[0].picture;
    std::vector<uint8_t> plte;
    for (size_t i = 0; i < 256; ++i) plte.insert(plte.end(), &first.Palette[4 * i], &first.Palette[4 * i] + 3);
    Chunk(out, "PLTE", plte);
    if (first.TransparentIndex >= 0 && first.TransparentIndex < 256) {
      std::vector<uint8_t> trns(size_t(first.TransparentIndex) + 1, 255);
      trns.back() = 0;
      Chunk(out, "tRNS", trns);
    }
  }

  // A frame drawn over the one before it, left in place, stores only the
  // box that differs; it replaces what it covers, so it shows exactly.
  const std::vector<Box> boxes =
      FrameBoxes(in, cw, ch, [&](size_t i) { return ApngDisposal(in[i - 1].disposal) == 0; });
  uint32_t sequence = 0;
  size_t inexact = 0;
  for (size_t i = 0; i < in.size(); ++i) {
    const Box& box = boxes[i];
    if (box.w <= 0 || box.h <= 0) throw std::runtime_error("APNG: frame " + std::to_string(i) + " is empty");
    const DelayFraction delay = ApngDelay(in[i].durationMs);
    inexact += delay.exact ? 0 : 1;
    std::vector<uint8_t> fctl;
    Put32(fctl, sequence++);
    Put32(fctl, uint32_t(box.w));
    Put32(fctl, uint32_t(box.h));
    Put32(fctl, uint32_t(box.x));
    Put32(fctl, uint32_t(box.y));
    Put16(fctl, delay.num);
    Put16(fctl, delay.den);
    fctl.push_back(ApngDisposal(in[i].disposal));
    fctl.push_back(0);  // the frame replaces what it covers
    Chunk(out, "fcTL", fctl);
    const std::vector<uint8_t> data = Compress(in[i], box, palette);
    for (size_t at = 0; at < data.size() || at == 0; at += kChunkData) {
      const size_t n = std::min(kChunkData, data.size() - at);
      if (i == 0) {
        Chunk(out, "IDAT", data.data() + at, n);
      } else {
        std::vector<uint8_t> fdat;
        fdat.reserve(n + 4);
        Put32(fdat, sequence++);
        fdat.insert(fdat.end(), data.data() + at, data.data() + at + n);
        Chunk(out, "fdAT", fdat);
      }
      if (n == 0) break;
    }
  }
  Chunk(out, "IEND", nullptr, 0);
  if (inexact > 0)
    result.warnings.push_back(std::to_string(inexact) + (inexact == 1 ? " frame is" : " frames are") +
                              " longer than 65535 ms: shown for whole seconds");
  return result;
}

}  // namespace dorv::tools

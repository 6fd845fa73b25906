#include "tools/thumbnail_scale.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace dorv::tools {
namespace {

frames::RgbaImage Nearest(const frames::RgbaImage& in, int32_t w, int32_t h) {
  frames::RgbaImage out{w, h, std::vector<uint8_t>(size_t(w) * size_t(h) * 4)};
  std::vector<size_t> column(static_cast<size_t>(w));
  for (int32_t x = 0; x < w; ++x) column[size_t(x)] = size_t(int64_t(x) * in.Width / w) * 4;
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* src = in.Pixels.data() + size_t(int64_t(y) * in.Height / h) * size_t(in.Width) * 4;
    uint8_t* dst = out.Pixels.data() + size_t(y) * size_t(w) * 4;
    for (int32_t x = 0; x < w; ++x) std::memcpy(dst + 4 * size_t(x), src + column[size_t(x)], 4);
  }
  return out;
}

// Each output pixel averages the source pixels whose top-left corner falls
// in its area; colours are weighted by alpha so clear pixels lend no colour.
frames::RgbaImage Average(const frames::RgbaImage& in, int32_t w, int32_t h) {
  frames::RgbaImage out{w, h, std::vector<uint8_t>(size_t(w) * size_t(h) * 4)};
  std::vector<uint64_t> sums(size_t(w) * 5);
  for (int32_t y = 0; y < h; ++y) {
    std::fill(sums.begin(), sums.end(), 0);
    const int64_t y0 = int64_t(y) * in.Height / h, y1 = std::max(y0 + 1, int64_t(y + 1) * in.Height / h);
    for (int64_t sy = y0; sy < y1; ++sy) {
      const uint8_t* row = in.Pixels.data() + size_t(sy) * size_t(in.Width) * 4;
      for (int32_t x = 0; x < w; ++x) {
        const int64_t x0 = int64_t(x) * in.Width / w, x1 = std::max(x0 + 1, int64_t(x + 1) * in.Width / w);
        uint64_t* s = &sums[size_t(x) * 5];
        for (int64_t sx = x0; sx < x1; ++sx) {
          const uint8_t* p = row + 4 * size_t(sx);
          s[0] += uint64_t(p[0]) * p[3];
          s[1] += uint64_t(p[1]) * p[3];
          s[2] += uint64_t(p[2]) * p[3];
          s[3] += p[3];
          s[4] += 1;
        }
      }
    }
    uint8_t* dst = out.Pixels.data() + size_t(y) * size_t(w) * 4;
    for (int32_t x = 0; x < w; ++x) {
      const uint64_t* s = &sums[size_t(x) * 5];
      for (int c = 0; c < 3; ++c) dst[4 * x + c] = s[3] == 0 ? 0 : uint8_t((s[c] + s[3] / 2) / s[3]);
      dst[4 * x + 3] = uint8_t((s[3] + s[4] / 2) / s[4]);
    }
  }
  return out;
}

}  // namespace

frames::RgbaImage FitThumbnail(const frames::RgbaImage& in, int32_t size, bool nearest, int32_t maxFactor) {
  if (in.Width <= 0 || in.Height <= 0 || size <= 0) throw std::runtime_error("nothing to scale");
  const int32_t longer = std::max(in.Width, in.Height);
  if (longer <= size) {
    const int32_t factor = maxFactor > 0 ? std::min(size / longer, maxFactor) : size / longer;
    if (factor == 1) return in;
    return Nearest(in, in.Width * factor, in.Height * factor);
  }
  // Reduced: the longer side becomes size, the other keeps the aspect.
  const int32_t w = in.Width >= in.Height ? size : std::max<int32_t>(1, int32_t(int64_t(in.Width) * size / in.Height));
  const int32_t h = in.Height >= in.Width ? size : std::max<int32_t>(1, int32_t(int64_t(in.Height) * size / in.Width));
  return nearest ? Nearest(in, w, h) : Average(in, w, h);
}

}  // namespace dorv::tools

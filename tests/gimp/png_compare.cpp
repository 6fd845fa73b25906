// dorv_png_compare A.png B.png [--tolerance N | --mean-tolerance N]: whether two PNG files show the
// same pixels, whatever their colour types: both are expanded to RGBA, and
// fully clear pixels are equal whatever colour they hold. With a tolerance,
// colour channels may differ by up to N; with a mean tolerance, their mean
// difference may be up to N (lossy frames, whose sharp colour edges blur).
// Alpha never may differ. Prints the first difference
// and exits 1 when they differ, 2 on a usage or read error.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/png_io.h"

namespace {

using dorv::tools::PngColor;
using dorv::tools::PngImage;

std::vector<uint8_t> ToRgba(const PngImage& image) {
  if (image.bitDepth != 8) throw std::runtime_error("only 8-bit pictures are compared");
  const size_t count = size_t{image.width} * image.height;
  std::vector<uint8_t> out(count * 4);
  const uint8_t* in = image.rows.data();
  for (size_t i = 0; i < count; ++i) {
    uint8_t* px = &out[i * 4];
    switch (image.color) {
      case PngColor::Palette: {
        const uint8_t index = in[i];
        if (index >= image.palette.size()) throw std::runtime_error("index past the palette");
        for (int c = 0; c < 4; ++c) px[c] = image.palette[index][c];
        break;
      }
      case PngColor::Grey: px[0] = px[1] = px[2] = in[i]; px[3] = 255; break;
      case PngColor::GreyAlpha: px[0] = px[1] = px[2] = in[i * 2]; px[3] = in[i * 2 + 1]; break;
      case PngColor::RGB: for (int c = 0; c < 3; ++c) px[c] = in[i * 3 + c]; px[3] = 255; break;
      case PngColor::RGBA: for (int c = 0; c < 4; ++c) px[c] = in[i * 4 + c]; break;
    }
    if (px[3] == 0) px[0] = px[1] = px[2] = 0;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc == 5 ? argv[3] : "";
  if (argc != 3 && !(argc == 5 && (mode == "--tolerance" || mode == "--mean-tolerance"))) {
    std::fputs("usage: dorv_png_compare A.png B.png [--tolerance N | --mean-tolerance N]\n", stderr);
    return 2;
  }
  const bool mean = mode == "--mean-tolerance";
  const int tolerance = argc == 5 && !mean ? std::atoi(argv[4]) : 0;
  const double meanTolerance = mean ? std::atof(argv[4]) : 0.0;
  try {
    const PngImage a = dorv::tools::ReadPng(argv[1]);
    const PngImage b = dorv::tools::ReadPng(argv[2]);
    if (a.width != b.width || a.height != b.height) {
      std::printf("size %ux%u against %ux%u\n", a.width, a.height, b.width, b.height);
      return 1;
    }
    const std::vector<uint8_t> pa = ToRgba(a), pb = ToRgba(b);
    int worst = 0;
    double total = 0;
    for (size_t i = 0; i < pa.size(); ++i) {
      const int diff = std::abs(int{pa[i]} - int{pb[i]});
      if (diff > worst) worst = diff;
      if (i % 4 != 3) total += diff;
      if (diff > (i % 4 == 3 ? 0 : mean ? 255 : tolerance)) {
        const size_t px = i / 4;
        std::printf("pixel (%zu, %zu) channel %zu: %d against %d\n", px % a.width, px / a.width, i % 4,
                    int{pa[i]}, int{pb[i]});
        return 1;
      }
    }
    const double average = pa.empty() ? 0.0 : total / static_cast<double>(pa.size() / 4 * 3);
    if (average > meanTolerance && mean) {
      std::printf("mean colour difference %.2f, above %.2f\n", average, meanTolerance);
      return 1;
    }
    std::printf("same pixels (largest difference %d, mean %.2f)\n", worst, average);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "dorv_png_compare: %s\n", e.what());
    return 2;
  }
}

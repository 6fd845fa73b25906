// What a saved image becomes: one frame per layer (bottom layer first), or
// one frame of the visible composite. Each layer is placed on the canvas
// with its offsets and opacity; its name's "(Dms)" gives the frame's delay.
// Indexed images keep their colour map where the frame's pixels allow it,
// grey images are saved as grey where they are opaque, the rest as RGB
// (opaque) or RGBA.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gimp/flatten.h"
#include "gimp/frame_picture.h"

namespace dorv::gimp {

enum class ImageBase { Rgb, Grey, Indexed };

struct SaveLayer {
  std::string name;
  // RGBA for RGB and grey images; indices (+ alpha) for indexed ones.
  LayerPixels pixels;
};

struct SaveSource {
  ImageBase base = ImageBase::Rgb;
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> colormap;  // RGB triplets, indexed images
  std::vector<SaveLayer> layers;  // frame order: bottom layer first
};

// The delay of a frame whose layer name states none.
inline constexpr int32_t kDefaultDelayMilliseconds = 100;

std::vector<FramePicture> PlanFrames(const SaveSource& source);

// The bits a pixel of the saved picture, as the save dialog is told them:
// 8 for indexed and grey images, 24 for RGB ones, 32 when a layer has alpha.
int32_t DialogBitsPerPixel(ImageBase base, bool anyAlpha);

}  // namespace dorv::gimp

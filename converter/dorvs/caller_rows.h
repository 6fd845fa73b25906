// The caller's side of the first frame's rows, handed down in the read or
// save context. A read may decode the bottom layer straight into the
// caller's memory (the host's block). A save may take the picture's rows
// from the caller's layout; the surface's stores are then left unfilled
// where a plane is made from them. Every part is optional.
#pragma once

#include <cstdint>
#include <functional>

namespace dorv {

struct TJpegRows;

// Fills stored row y of a plane (its RowBytes bytes, padding included).
using TStoredRow = std::function<void(int32_t y, uint8_t* row)>;

struct TCallerRows {
  // Read: asked for the bottom layer's memory once its size and depth are
  // known. It returns zero-filled rows laid out as a surface of that size
  // and depth lays them out, or null for the layer's own. The rows must
  // outlive the document; the frame's composite may come to share them.
  std::function<uint8_t*(int32_t width, int32_t height, int32_t depth)> LayerPixels;
  // Save: a JPEG colour plane is coded from these.
  const TJpegRows* Jpeg = nullptr;
  // Save: when set, the alpha plane beside the JPEG rows is not filled yet.
  // Its coder calls FillAlpha(rows) before it reads rows [0, rows), from one
  // thread (which may not be the JPEG coder's), with counts that never
  // fall. The JPEG rows do not touch the plane.
  std::function<void(int32_t rows)> FillAlpha;
  // Save: raw planes stored in order are made from these as the file is
  // written.
  TStoredRow Colour, Alpha;
};

}  // namespace dorv

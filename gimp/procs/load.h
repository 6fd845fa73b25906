// file-dov-load and file-dov-load-thumb: a document opened as a GIMP image.
#pragma once

#include <libgimp/gimp.h>

#include <string>

namespace dorv::gimp {

struct LoadResult {
  gint32 image = -1;
  gint32 width = 0;   // of the document (its largest frame)
  gint32 height = 0;
  gint32 frames = 0;  // frames read
  bool indexed = false;
};

// Opens every frame as a layer (frameLimit 1: the first only). A damaged
// document that still gave frames opens with them and a warning. Raises
// std::runtime_error with the reason when nothing can be read.
LoadResult LoadDocument(const std::string& filename, size_t frameLimit);

}  // namespace dorv::gimp

#include "libdov/document/layer_coding.h"

namespace dorv::frames {

std::string LayerCoding(const THeaderInfo& h, bool current) {
  if (!current) return "legacy";
  if (h.Version < kVersionCurrentCoding) return "old rows";
  if (h.CompType == kCompJpeg) return "jpeg";
  std::string text = h.CompType == kCompZlib ? "zlib" : "raw";
  if (UsesBlocks(h)) text += " blocks " + std::to_string(h.BlockWidth) + "x" + std::to_string(h.BlockHeight);
  else text += " rows";
  if (h.Randomized != 0) text += " scrambled";
  return text;
}

}  // namespace dorv::frames

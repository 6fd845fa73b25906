// Host documents to and from PNG pictures, for the command line.
#pragma once

#include "tools/host/host_document.h"
#include "tools/png_io.h"

namespace dorv::host {

// Indexed documents become palette pictures (the transparent index fully
// transparent), RGB documents RGB or RGBA, greyscale grey or grey with
// alpha, and bitmaps 1-bit grey (black where the bitmap is set).
tools::PngImage ToPng(const HostDocument& document);

// The reverse. A palette picture keeps its indices when at most one entry
// is transparent and none is partly so; otherwise it becomes an RGB
// document with transparency, so that no alpha value is lost.
HostDocument FromPng(const tools::PngImage& image);

}  // namespace dorv::host

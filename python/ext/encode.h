// dov._dov.encode: frames written as one document.
#pragma once

#include "pyref.h"

namespace dovpy {

// encode(frames, delays, compression, quality, threads, target)
//   frames: (format, width, height, pixels, stride, palette or None,
//            transparent index) each; delays: milliseconds, one per frame;
//   target: None (the bytes are returned), a path, or a file object.
PyObject* Encode(PyObject* module, PyObject* args);

}  // namespace dovpy

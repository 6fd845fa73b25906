// dov._dov.Decoder: one libdov decoder and the document it read.
#pragma once

#include "pyref.h"

namespace dovpy {

// Adds the Decoder type to the module.
bool AddDecoderType(PyObject* module);

}  // namespace dovpy

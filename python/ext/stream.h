// libdov's read and write callbacks over Python file objects. They are
// called while the interpreter is released and take it back for each call.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gil.h"

namespace dovpy {

struct StreamContext {
  PyObject* file;        // borrowed from the caller, who keeps it alive
  PendingError error;    // what the file raised, raised again afterwards
};

// dov_read_fn: fills the buffer from file.read().
size_t ReadFromFile(void* context, uint8_t* buffer, size_t size);
// dov_write_fn: hands the bytes to file.write() until all are taken.
int WriteToFile(void* context, const uint8_t* data, size_t size);

}  // namespace dovpy

// How planes are stored: the compression type that a save is asked for
// (ConvertWrite, ConfigWrite) and that a file's header records. A header may
// hold other values, which are read as uncompressed planes.
#pragma once

#include <cstdint>

namespace dorv {

enum TCompType : uint8_t { kCompZlib = 0, kCompNone = 1, kCompJpeg = 2 };

}  // namespace dorv

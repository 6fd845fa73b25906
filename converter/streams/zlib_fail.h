// zlib's failure codes as the converter's errors.
#pragma once

namespace dorv {

// Throws EOutOfMemory for Z_MEM_ERROR, else EZlibError with zlib's text.
[[noreturn]] void FailZlib(int code);

}  // namespace dorv

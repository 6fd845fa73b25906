// Version, error texts, limits and memory handed over: what both handles share.
#include <cstdlib>

#include "dov/dov.h"
#include "converter/core/limits.h"

extern "C" {

uint32_t dov_version(void) {
  return (uint32_t{DOV_VERSION_MAJOR} << 16) | (uint32_t{DOV_VERSION_MINOR} << 8) | DOV_VERSION_PATCH;
}

const char* dov_version_string(void) { return DOV_VERSION_STRING; }

const char* dov_error_string(dov_error error) {
  switch (error) {
    case DOV_OK: return "no error";
    case DOV_ERROR_INVALID_ARGUMENT: return "invalid argument";
    case DOV_ERROR_NOT_A_DOCUMENT: return "not a DorvStudio document";
    case DOV_ERROR_CORRUPT: return "damaged document: no frame could be read";
    case DOV_ERROR_LIMIT: return "the document passes a limit set on the decoder";
    case DOV_ERROR_OUT_OF_MEMORY: return "out of memory";
    case DOV_ERROR_IO: return "input or output failed";
    case DOV_ERROR_RANGE: return "frame or layer index out of range";
    case DOV_ERROR_BUFFER_TOO_SMALL: return "buffer or stride too small for the picture";
    case DOV_ERROR_NOT_INDEXED: return "the picture has no palette";
    case DOV_ERROR_NO_DOCUMENT: return "no document has been read";
    case DOV_ERROR_END_OF_FRAMES: return "every frame has been handed out";
    case DOV_ERROR_NO_FRAMES: return "no frame to write";
  }
  return "unknown error";
}

void dov_free(void* pointer) { std::free(pointer); }

void dov_default_limits(dov_limits* limits) {
  if (limits == nullptr) return;
  limits->max_frame_pixels = dorv::limits::kMaxSurfacePixels;
  // A 32-bit process has 2 GiB for everything; half of it for one document.
  limits->max_memory = sizeof(void*) >= 8 ? uint64_t{4} << 30 : uint64_t{1} << 30;
  limits->max_frames = 65536;
}

}  // extern "C"

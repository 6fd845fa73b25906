// Whole inputs read into memory, never past a cap.
#pragma once

#include <cstdint>
#include <vector>

#include "dov/dov.h"

namespace dov {

// Raise ApiError: DOV_ERROR_IO when the input cannot be read,
// DOV_ERROR_LIMIT when it is longer than cap bytes.
std::vector<uint8_t> ReadWholeFile(const char* path, uint64_t cap);
std::vector<uint8_t> ReadWholeStream(dov_read_fn read, void* user, uint64_t cap);

}  // namespace dov

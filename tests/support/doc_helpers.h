// Loading and inspecting documents in tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "converter/dorvs/framelist.h"

namespace dorv::testing {

// Loads a whole file from memory; errors propagate.
std::unique_ptr<TDorvFrameList> LoadDov(const std::vector<uint8_t>& bytes, int32_t code = 0);
// Loads and returns the error message ("" when the load succeeded).
std::string LoadError(const std::vector<uint8_t>& bytes, int32_t code = 0);
// Writes the document and returns the bytes.
std::vector<uint8_t> SaveDov(const TDorvFrameList& doc, int32_t compType, int32_t compLevel);
// Every pixel value of a surface, row by row (padding left out).
std::vector<uint32_t> Pixels(const TDIBSurface& s);
// The decompressed header text of a current-format file.
std::string HeaderTextOf(const std::vector<uint8_t>& file);

}  // namespace dorv::testing

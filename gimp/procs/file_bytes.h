// Whole files in and out of memory for the plug-in's procedures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace dorv::gimp {

// The largest file opened as a document (2 GiB - 1): no document that can be
// opened is larger than the one allocation the converter allows.
inline constexpr size_t kMaxDocumentBytes = (size_t{1} << 31) - 1;

// Raises std::runtime_error naming the file and the reason.
std::vector<uint8_t> ReadWholeFile(const std::string& path);
// Replaces the file only once all of it is written.
void WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace dorv::gimp

#include "libdov/api/input.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "libdov/api/guard.h"

namespace dov {
namespace {

constexpr size_t kChunk = size_t{1} << 20;

[[noreturn]] void TooLong(uint64_t cap) {
  throw ApiError{DOV_ERROR_LIMIT, "the input is longer than the limit of " + std::to_string(cap) + " bytes"};
}

}  // namespace

std::vector<uint8_t> ReadWholeFile(const char* path, uint64_t cap) {
  // The path is UTF-8 on every system.
  const std::u8string name(reinterpret_cast<const char8_t*>(path));
  const std::filesystem::path file(name);
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec)) throw ApiError{DOV_ERROR_IO, std::string(path) + ": is a folder"};
  std::ifstream in(file, std::ios::binary);
  if (!in) throw ApiError{DOV_ERROR_IO, std::string(path) + ": " + std::strerror(errno)};
  std::vector<uint8_t> bytes;
  // Read in chunks rather than trusting a size that may change or lie
  // (devices, pipes).
  while (in) {
    const size_t at = bytes.size();
    if (at > cap) TooLong(cap);
    bytes.resize(at + kChunk);
    in.read(reinterpret_cast<char*>(bytes.data() + at), static_cast<std::streamsize>(kChunk));
    bytes.resize(at + static_cast<size_t>(in.gcount()));
  }
  if (in.bad()) throw ApiError{DOV_ERROR_IO, std::string(path) + ": cannot be read"};
  if (bytes.size() > cap) TooLong(cap);
  return bytes;
}

std::vector<uint8_t> ReadWholeStream(dov_read_fn read, void* user, uint64_t cap) {
  std::vector<uint8_t> bytes;
  for (;;) {
    const size_t at = bytes.size();
    if (at > cap) TooLong(cap);
    bytes.resize(at + kChunk);
    const size_t got = read(user, bytes.data() + at, kChunk);
    if (got == static_cast<size_t>(-1)) throw ApiError{DOV_ERROR_IO, "the read callback failed"};
    if (got > kChunk) throw ApiError{DOV_ERROR_IO, "the read callback returned more than it was asked for"};
    bytes.resize(at + got);
    if (got == 0) break;
  }
  if (bytes.size() > cap) TooLong(cap);
  return bytes;
}

}  // namespace dov

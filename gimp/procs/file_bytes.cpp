#include "gimp/procs/file_bytes.h"

#include <glib.h>
#include <glib/gstdio.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace dorv::gimp {
namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

std::string Reason(const std::string& what, const std::string& path) {
  return what + " '" + path + "': " + std::strerror(errno);
}

}  // namespace

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::unique_ptr<FILE, FileCloser> file(g_fopen(path.c_str(), "rb"));
  if (!file) throw std::runtime_error(Reason("Could not open", path));
  std::vector<uint8_t> bytes;
  uint8_t chunk[1 << 16];
  for (;;) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
    if (got == 0) break;
    if (got > kMaxDocumentBytes - bytes.size())
      throw std::runtime_error("'" + path + "' is too large to be a document");
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  if (std::ferror(file.get())) throw std::runtime_error(Reason("Could not read", path));
  return bytes;
}

void WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes) {
  GError* error = nullptr;
  if (!g_file_set_contents(path.c_str(), reinterpret_cast<const gchar*>(bytes.data()),
                           static_cast<gssize>(bytes.size()), &error)) {
    std::string message = error ? error->message : "Could not write '" + path + "'";
    if (error) g_error_free(error);
    throw std::runtime_error(message);
  }
}

}  // namespace dorv::gimp

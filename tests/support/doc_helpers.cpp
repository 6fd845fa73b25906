#include "support/doc_helpers.h"

#include <zlib.h>

#include <exception>
#include <stdexcept>

#include "converter/streams/stream.h"

namespace dorv::testing {

std::unique_ptr<TDorvFrameList> LoadDov(const std::vector<uint8_t>& bytes, int32_t code) {
  auto doc = std::make_unique<TDorvFrameList>(code);
  TSpanStream s(bytes.data(), bytes.size());
  doc->LoadFromStream(s, true);
  return doc;
}

std::string LoadError(const std::vector<uint8_t>& bytes, int32_t code) {
  try {
    LoadDov(bytes, code);
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

std::vector<uint8_t> SaveDov(const TDorvFrameList& doc, int32_t compType, int32_t compLevel) {
  TMemoryStream s;
  doc.SaveToStream(s, compType, compLevel);
  return s.TakeBytes();
}

std::vector<uint32_t> Pixels(const TDIBSurface& s) {
  std::vector<uint32_t> v;
  v.reserve(static_cast<size_t>(s.Width()) * static_cast<size_t>(s.Height()));
  for (int32_t y = 0; y < s.Height(); ++y)
    for (int32_t x = 0; x < s.Width(); ++x) v.push_back(s.ReadPixel(x, y));
  return v;
}

std::string HeaderTextOf(const std::vector<uint8_t>& file) {
  if (file.size() < 12) throw std::runtime_error("short file");
  const uint32_t len = file[8] | file[9] << 8 | file[10] << 16 | static_cast<uint32_t>(file[11]) << 24;
  std::string out(1 << 20, '\0');
  uLongf n = out.size();
  if (uncompress(reinterpret_cast<Bytef*>(out.data()), &n, file.data() + 12, len) != Z_OK)
    throw std::runtime_error("header");
  out.resize(n);
  return out;
}

}  // namespace dorv::testing

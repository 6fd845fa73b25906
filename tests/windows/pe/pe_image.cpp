#include "pe_image.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace pe {
namespace {

constexpr uint32_t kExecutableSection = 0x20000000;  // IMAGE_SCN_MEM_EXECUTE

struct Section {
  uint32_t virtualAddress, virtualSize, rawOffset, rawSize, characteristics;
};

class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  void Need(uint64_t at, uint64_t n) const {
    if (at > bytes_.size() || n > bytes_.size() - at) throw std::runtime_error("truncated module file");
  }
  uint8_t U8(uint64_t at) const {
    Need(at, 1);
    return bytes_[at];
  }
  uint16_t U16(uint64_t at) const { return static_cast<uint16_t>(U8(at) | U8(at + 1) << 8); }
  uint32_t U32(uint64_t at) const { return U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16; }

  std::vector<Section> sections;

  // File offset of `n` bytes at a relative virtual address.
  uint64_t Offset(uint32_t rva, uint32_t n = 1) const {
    for (const Section& s : sections) {
      const uint32_t span = std::max(s.virtualSize, s.rawSize);
      if (rva >= s.virtualAddress && rva - s.virtualAddress < span) {
        const uint64_t inside = rva - s.virtualAddress;
        if (inside + n > s.rawSize) break;
        Need(s.rawOffset + inside, n);
        return s.rawOffset + inside;
      }
    }
    throw std::runtime_error("address outside the file's sections");
  }

  const Section* SectionOf(uint32_t rva) const {
    for (const Section& s : sections)
      if (rva >= s.virtualAddress && rva - s.virtualAddress < std::max(s.virtualSize, s.rawSize))
        return &s;
    return nullptr;
  }

  std::string CString(uint32_t rva) const {
    uint64_t at = Offset(rva);
    std::string out;
    for (;; ++at) {
      const uint8_t c = U8(at);
      if (c == 0) return out;
      out += static_cast<char>(c);
      if (out.size() > 4096) throw std::runtime_error("unterminated name");
    }
  }

  std::vector<uint8_t> Bytes(uint32_t rva, uint32_t n) const {
    if (n == 0) return {};
    const uint64_t at = Offset(rva, n);
    return {bytes_.begin() + static_cast<std::ptrdiff_t>(at),
            bytes_.begin() + static_cast<std::ptrdiff_t>(at + n)};
  }

 private:
  const std::vector<uint8_t>& bytes_;
};

// A resource directory entry's name: a length-prefixed UTF-16 string (kept
// as its low bytes, which is all these names use) or a number.
std::string EntryName(const Reader& r, uint64_t resourceBase, uint32_t nameField) {
  if ((nameField & 0x80000000u) == 0) return "#" + std::to_string(nameField);
  const uint64_t at = resourceBase + (nameField & 0x7FFFFFFFu);
  const uint16_t length = r.U16(at);
  std::string out;
  for (uint16_t i = 0; i < length; ++i) out += static_cast<char>(r.U16(at + 2 + 2u * i) & 0xFF);
  return out;
}

void ReadResources(const Reader& r, uint32_t rva, uint32_t size, Image& image) {
  if (rva == 0 || size == 0) return;
  const uint64_t base = r.Offset(rva, 16);
  auto entries = [&](uint64_t directory) {
    std::vector<std::pair<uint32_t, uint32_t>> list;  // name field, offset field
    const uint32_t count = uint32_t{r.U16(directory + 12)} + r.U16(directory + 14);
    if (count > 4096) throw std::runtime_error("resource directory too large");
    for (uint32_t i = 0; i < count; ++i)
      list.emplace_back(r.U32(directory + 16 + 8 * i), r.U32(directory + 20 + 8 * i));
    return list;
  };
  auto subdirectory = [&](uint32_t field) {
    if ((field & 0x80000000u) == 0) throw std::runtime_error("resource leaf where a directory belongs");
    return base + (field & 0x7FFFFFFFu);
  };
  for (const auto& [typeName, typeAt] : entries(base)) {
    for (const auto& [name, nameAt] : entries(subdirectory(typeAt))) {
      for (const auto& [language, dataAt] : entries(subdirectory(nameAt))) {
        if ((dataAt & 0x80000000u) != 0) throw std::runtime_error("resource tree deeper than three levels");
        const uint64_t entry = base + dataAt;
        Resource resource;
        resource.type = EntryName(r, base, typeName);
        resource.name = EntryName(r, base, name);
        resource.language = language;
        resource.bytes = r.Bytes(r.U32(entry), r.U32(entry + 4));
        image.resources.push_back(std::move(resource));
      }
    }
  }
}

void ReadExports(const Reader& r, uint32_t rva, uint32_t size, Image& image) {
  if (rva == 0 || size == 0) return;
  const uint64_t d = r.Offset(rva, 40);
  image.exportedModuleName = r.CString(r.U32(d + 12));
  const uint32_t base = r.U32(d + 16);
  const uint32_t functions = r.U32(d + 20);
  const uint32_t names = r.U32(d + 24);
  if (functions > 65536 || names > functions) throw std::runtime_error("export table too large");
  const uint32_t addressTable = r.U32(d + 28);
  const uint32_t nameTable = r.U32(d + 32);
  const uint32_t ordinalTable = r.U32(d + 36);
  for (uint32_t i = 0; i < names; ++i) {
    Export e;
    e.name = r.CString(r.U32(r.Offset(nameTable + 4 * i, 4)));
    const uint16_t index = r.U16(r.Offset(ordinalTable + 2 * i, 2));
    if (index >= functions) throw std::runtime_error("export ordinal outside the address table");
    e.ordinal = base + index;
    e.rva = r.U32(r.Offset(addressTable + 4 * index, 4));
    e.forwarded = e.rva >= rva && e.rva - rva < size;
    const Section* section = r.SectionOf(e.rva);
    e.inCode = section != nullptr && (section->characteristics & kExecutableSection) != 0;
    image.exports.push_back(std::move(e));
  }
}

void ReadImports(const Reader& r, uint32_t rva, uint32_t size, Image& image) {
  if (rva == 0 || size == 0) return;
  for (uint32_t i = 0;; ++i) {
    if (i > 1024) throw std::runtime_error("import table too large");
    const uint64_t d = r.Offset(rva + 20 * i, 20);
    if (r.U32(d + 12) == 0 && r.U32(d + 16) == 0) return;  // the closing entry
    image.imports.push_back(r.CString(r.U32(d + 12)));
  }
}

}  // namespace

Image ReadImage(const std::vector<uint8_t>& file) {
  Reader r(file);
  if (r.U16(0) != 0x5A4D) throw std::runtime_error("no MZ header");
  const uint32_t header = r.U32(0x3C);
  if (r.U32(header) != 0x00004550) throw std::runtime_error("no PE signature");
  Image image;
  const uint64_t coff = header + 4;
  image.machine = r.U16(coff);
  const uint16_t sectionCount = r.U16(coff + 2);
  const uint16_t optionalSize = r.U16(coff + 16);
  image.isDll = (r.U16(coff + 18) & 0x2000) != 0;
  const uint64_t optional = coff + 20;
  const uint16_t magic = r.U16(optional);
  uint64_t directories = 0;
  uint32_t directoryCount = 0;
  if (magic == 0x10B) {
    directoryCount = r.U32(optional + 92);
    directories = optional + 96;
  } else if (magic == 0x20B) {
    directoryCount = r.U32(optional + 108);
    directories = optional + 112;
  } else {
    throw std::runtime_error("unknown optional header");
  }
  if (directoryCount > 16 || directories + 8 * directoryCount > optional + optionalSize)
    throw std::runtime_error("bad data directories");
  const uint64_t sections = optional + optionalSize;
  for (uint16_t i = 0; i < sectionCount; ++i) {
    const uint64_t s = sections + 40u * i;
    r.sections.push_back({r.U32(s + 12), r.U32(s + 8), r.U32(s + 20), r.U32(s + 16), r.U32(s + 36)});
  }
  auto directory = [&](uint32_t index, uint32_t* rva, uint32_t* size) {
    *rva = index < directoryCount ? r.U32(directories + 8 * index) : 0;
    *size = index < directoryCount ? r.U32(directories + 8 * index + 4) : 0;
  };
  uint32_t rva = 0, size = 0;
  directory(0, &rva, &size);
  ReadExports(r, rva, size, image);
  directory(1, &rva, &size);
  ReadImports(r, rva, size, image);
  directory(2, &rva, &size);
  ReadResources(r, rva, size, image);
  return image;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace pe

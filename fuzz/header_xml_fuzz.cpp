// The header text parser, the header values taken from it, and the writer
// of the tree it builds.
#include <string>

#include "converter/dorvs/header_info.h"
#include "converter/xml/xmltree.h"
#include "fuzz_check.h"

namespace {

bool Ascii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

int dorv::fuzz::RunHeaderXml(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  dorv::TXmlElement root;
  root.LoadFromString(text);
  (void)dorv::HeaderInfoFromXml(root);
  for (int i = 0; i < 4; ++i) {
    const dorv::TXmlElement* child = root.Child(i);
    if (child == nullptr) break;
    (void)child->FindChild("Layers");
    (void)child->GetIntAttr("TransColor", -1);
  }
  const std::string saved = root.SaveToString();
  dorv::TXmlElement again;
  again.LoadFromString(saved);
  (void)again.SaveToString();

  // Escaping is undone exactly for text without double-byte characters.
  if (Ascii(text) && dorv::XmlUnescape(dorv::XmlEscape(text)) != text) dorv::fuzz::Fail("header_xml");
  return 0;
}

DORV_FUZZ_ENTRY(dorv::fuzz::RunHeaderXml)

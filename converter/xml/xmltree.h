// The header element tree: nested elements with attributes and text, its
// byte-exact serialisation and the tolerant line-based parser. Text is a
// sequence of Shift_JIS bytes; names are compared without regard to ASCII case.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dorv {

class TStream;

struct TXmlAttribute {
  std::string Name;
  std::string Value;
};

class TXmlElement {
 public:
  explicit TXmlElement(std::string name = {}, TXmlElement* parent = nullptr);
  ~TXmlElement();
  TXmlElement(const TXmlElement&) = delete;
  TXmlElement& operator=(const TXmlElement&) = delete;

  std::string Name;
  std::string Text;
  const std::vector<TXmlAttribute>& Attributes() const { return attributes_; }
  TXmlElement* Parent() const { return parent_; }
  int Depth() const;

  TXmlElement* AddChild(const std::string& name);
  TXmlElement* AddTextChild(const std::string& name, const std::string& text);

  void SetAttr(const std::string& name, const std::string& value);
  void SetIntAttr(const std::string& name, int64_t n);
  void SetBoolAttr(const std::string& name, bool b);
  std::string GetAttr(const std::string& name, const std::string& def) const;
  int32_t GetIntAttr(const std::string& name, int32_t def) const;
  bool GetBoolAttr(const std::string& name, bool def) const;

  int IndexOfChild(const std::string& name) const;
  TXmlElement* FindChild(const std::string& name) const;
  std::string ChildText(const std::string& name, const std::string& def) const;
  TXmlElement* Child(int i) const;
  int ChildCount() const { return static_cast<int>(children_.size()); }

  // Serialises the element and its subtree.
  void SaveToStream(TStream& stream) const;
  std::string SaveToString() const;
  // Destroys the content, reads the whole stream as text and builds the
  // element from its first tag.
  void LoadFromStream(TStream& stream);
  void LoadFromString(const std::string& text);
  void Clear();

 private:
  std::vector<TXmlAttribute> attributes_;
  std::vector<std::unique_ptr<TXmlElement>> children_;
  TXmlElement* parent_;
};

// Case-insensitive ASCII comparison used by every lookup.
bool SameName(const std::string& a, const std::string& b);

// Escaping of attribute values and text, and its inverse.
std::string XmlEscape(const std::string& s);
std::string XmlUnescape(const std::string& s);

// Decimal integer conversion as the runtime does it: optional sign, digits,
// nothing else; false when the text is not such a number or out of range.
bool TryStrToInt(const std::string& s, int32_t& out);

}  // namespace dorv

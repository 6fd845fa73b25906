#include "converter/xml/xmltree.h"

#include <string_view>
#include <utility>

#include "converter/core/checked.h"
#include "converter/streams/stream.h"
#include "converter/xml/xmltokens.h"

namespace dorv {
namespace {

constexpr std::string_view kLineBreak = "\r\n";

void TakeAttributes(TXmlElement& element, const TXmlTag& tag) {
  for (const auto& [name, value] : tag.Attributes) element.SetAttr(name, XmlUnescape(value));
}

}  // namespace

TXmlElement::TXmlElement(std::string name, TXmlElement* parent) : Name(std::move(name)), parent_(parent) {}

TXmlElement::~TXmlElement() { Clear(); }

void TXmlElement::Clear() {
  Name.clear();
  Text.clear();
  attributes_.clear();
  // Subtrees are taken apart one element at a time, so that a deeply nested
  // tree does not recurse once per level.
  std::vector<std::unique_ptr<TXmlElement>> work = std::move(children_);
  children_.clear();
  while (!work.empty()) {
    std::unique_ptr<TXmlElement> e = std::move(work.back());
    work.pop_back();
    for (auto& c : e->children_) work.push_back(std::move(c));
    e->children_.clear();
  }
}

int TXmlElement::Depth() const {
  int d = 0;
  for (const TXmlElement* p = parent_; p != nullptr; p = p->parent_) ++d;
  return d;
}

TXmlElement* TXmlElement::AddChild(const std::string& name) {
  children_.push_back(std::make_unique<TXmlElement>(name, this));
  return children_.back().get();
}

TXmlElement* TXmlElement::AddTextChild(const std::string& name, const std::string& text) {
  TXmlElement* child = AddChild(name);
  child->Text = text;
  return child;
}

void TXmlElement::SetAttr(const std::string& name, const std::string& value) {
  attributes_.push_back(TXmlAttribute{name, value});
}

void TXmlElement::SetIntAttr(const std::string& name, int64_t n) { SetAttr(name, std::to_string(n)); }

void TXmlElement::SetBoolAttr(const std::string& name, bool b) { SetAttr(name, b ? "1" : "0"); }

std::string TXmlElement::GetAttr(const std::string& name, const std::string& def) const {
  for (const auto& a : attributes_)
    if (SameName(a.Name, name)) return a.Value;
  return def;
}

int32_t TXmlElement::GetIntAttr(const std::string& name, int32_t def) const {
  for (const auto& a : attributes_) {
    if (!SameName(a.Name, name)) continue;
    int32_t v;
    return TryStrToInt(a.Value, v) ? v : def;
  }
  return def;
}

bool TXmlElement::GetBoolAttr(const std::string& name, bool def) const {
  for (const auto& a : attributes_)
    if (SameName(a.Name, name)) return a.Value == "1";
  return def;
}

int TXmlElement::IndexOfChild(const std::string& name) const {
  for (size_t i = 0; i < children_.size(); ++i)
    if (SameName(children_[i]->Name, name)) return static_cast<int>(i);
  return -1;
}

TXmlElement* TXmlElement::FindChild(const std::string& name) const { return Child(IndexOfChild(name)); }

std::string TXmlElement::ChildText(const std::string& name, const std::string& def) const {
  const TXmlElement* c = FindChild(name);
  return c != nullptr ? c->Text : def;
}

TXmlElement* TXmlElement::Child(int i) const {
  if (i < 0 || static_cast<size_t>(i) >= children_.size()) return nullptr;
  return children_[static_cast<size_t>(i)].get();
}

std::string TXmlElement::SaveToString() const {
  std::string out;
  struct Open {
    const TXmlElement* element;
    size_t next;
    size_t indent;
  };
  std::vector<Open> stack;
  const auto endTag = [&](const TXmlElement& e) {
    out.append("</").append(e.Name).append(">").append(kLineBreak);
  };

  // Writes the start of an element; returns true when its children follow.
  auto start = [&](const TXmlElement& e, size_t indent) -> bool {
    const bool hasText = !e.Text.empty();
    const bool hasChildren = !e.children_.empty();
    if (e.attributes_.empty() && !hasText && !hasChildren) return false;  // left out entirely
    out.append(indent, ' ');
    out += '<';
    out += e.Name;
    for (const auto& a : e.attributes_) {
      out += ' ';
      out += a.Name;
      out += "=\"";
      out += XmlEscape(a.Value);
      out += '"';
    }
    if (!hasText && !hasChildren) {
      out += " />";
      out += kLineBreak;
      return false;
    }
    out += '>';
    out += XmlEscape(e.Text);
    if (hasChildren) {
      out += kLineBreak;
      return true;
    }
    endTag(e);
    return false;
  };

  const size_t base = 2 * static_cast<size_t>(Depth());
  if (start(*this, base)) stack.push_back({this, 0, base});
  while (!stack.empty()) {
    Open& top = stack.back();
    if (top.next < top.element->children_.size()) {
      const TXmlElement& child = *top.element->children_[top.next++];
      const size_t indent = top.indent + 2;
      if (start(child, indent)) stack.push_back({&child, 0, indent});
      continue;
    }
    out.append(top.indent, ' ');
    endTag(*top.element);
    stack.pop_back();
  }
  return out;
}

void TXmlElement::SaveToStream(TStream& stream) const {
  const std::string text = SaveToString();
  stream.WriteBuffer(text.data(), text.size());
}

void TXmlElement::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  const uint64_t size = CheckedSize(stream.Size());
  std::string text(static_cast<size_t>(size), '\0');
  stream.ReadBuffer(text.data(), text.size());
  LoadFromString(text);
}

void TXmlElement::LoadFromString(const std::string& text) {
  Clear();
  TXmlTokenizer tokenizer(text);
  TXmlTag tag;
  // The element is built from the first tag that is not text or an instruction.
  do {
    if (!tokenizer.Next(tag)) return;
  } while (tag.Kind == TXmlTagKind::Text || tag.Kind == TXmlTagKind::Instruction);
  Name = tag.Name;
  TakeAttributes(*this, tag);
  if (tag.Kind == TXmlTagKind::Empty) return;

  // The open elements, innermost last; kept on the heap so that nesting depth
  // costs no stack.
  std::vector<TXmlElement*> open{this};
  while (!open.empty() && tokenizer.Next(tag)) {
    TXmlElement* current = open.back();
    switch (tag.Kind) {
      case TXmlTagKind::End:
      case TXmlTagKind::Empty:
        if (SameName(tag.Name, current->Name)) {
          open.pop_back();
          break;
        }
        [[fallthrough]];
      case TXmlTagKind::Start: {
        TXmlElement* child = current->AddChild(tag.Name);
        TakeAttributes(*child, tag);
        if (tag.Kind == TXmlTagKind::Start) open.push_back(child);
        break;
      }
      case TXmlTagKind::Text:
      case TXmlTagKind::Instruction:
        current->Text += XmlUnescape(tag.Token);
        break;
    }
  }
}

}  // namespace dorv

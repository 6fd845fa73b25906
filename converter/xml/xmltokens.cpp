#include "converter/xml/xmltokens.h"

namespace dorv {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string Trimmed(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

void SetText(TXmlTag& tag, std::string_view text) {
  tag.Token.assign(text);
  tag.Kind = TXmlTagKind::Text;
  tag.Name.clear();
  tag.Attributes.clear();
}

}  // namespace

void ParseXmlTag(std::string_view token, TXmlTag& tag) {
  SetText(tag, token);
  const size_t n = token.size();
  if (n >= 2 && token[1] == '?')
    tag.Kind = TXmlTagKind::Instruction;
  else if (n >= 2 && token[1] == '/')
    tag.Kind = TXmlTagKind::End;
  else if (n >= 2 && token[n - 2] == '/')
    tag.Kind = TXmlTagKind::Empty;
  else
    tag.Kind = TXmlTagKind::Start;

  // Everything up to the closing '>' (a token from the tokenizer always has one).
  const size_t close = (n > 0 && token[n - 1] == '>') ? n - 1 : n;
  size_t p = tag.Kind == TXmlTagKind::End ? 2 : 1;
  if (p > close) return;
  size_t e = p;
  while (e < close && token[e] != '/' && token[e] != '>' && token[e] != ' ') ++e;
  tag.Name = Trimmed(token.substr(p, e - p));
  if (e >= close || token[e] != ' ') return;

  // Attributes: name = "value", separated by spaces; values may hold anything
  // but a double quote.
  p = e;
  for (;;) {
    while (p < close && token[p] == ' ') ++p;
    if (p >= close) return;
    size_t eq = token.find('=', p);
    if (eq == std::string_view::npos || eq >= close) return;
    size_t q1 = token.find('"', eq + 1);
    if (q1 == std::string_view::npos || q1 >= close) return;
    size_t q2 = token.find('"', q1 + 1);
    if (q2 == std::string_view::npos || q2 >= close) return;
    tag.Attributes.emplace_back(Trimmed(token.substr(p, eq - p)),
                                std::string(token.substr(q1 + 1, q2 - q1 - 1)));
    p = q2 + 1;
  }
}

bool TXmlTokenizer::NextLine() {
  if (next_ >= text_.size()) return false;
  size_t e = next_;
  while (e < text_.size() && text_[e] != '\r' && text_[e] != '\n') ++e;
  line_ = text_.substr(next_, e - next_);
  if (e < text_.size()) {
    // CR LF, CR or LF ends the line.
    if (text_[e] == '\r' && e + 1 < text_.size() && text_[e + 1] == '\n') ++e;
    ++e;
  }
  next_ = e;
  at_ = 0;
  pending_ = false;
  inLine_ = true;
  return true;
}

bool TXmlTokenizer::Next(TXmlTag& tag) {
  for (;;) {
    if (!inLine_ && !NextLine()) return false;
    const size_t n = line_.size();
    size_t i = at_;
    while (i < n && line_[i] != '<') ++i;
    if (i >= n) {
      // End of the line: text after the last '>' is a token, even when empty.
      inLine_ = false;
      if (pending_) {
        SetText(tag, line_.substr(pendingStart_));
        return true;
      }
      continue;
    }
    if (pending_ && i > pendingStart_) {
      SetText(tag, line_.substr(pendingStart_, i - pendingStart_));
      pending_ = false;
      at_ = i;
      return true;
    }
    pending_ = false;
    // Inside a tag only '>' and quoted values matter.
    size_t j = i + 1;
    bool quoted = false;
    for (; j < n; ++j) {
      const char c = line_[j];
      if (quoted) {
        if (c == '"') quoted = false;
      } else if (c == '"') {
        quoted = true;
      } else if (c == '>') {
        break;
      }
    }
    if (j >= n) {
      // An unterminated tag is dropped together with the rest of the line.
      inLine_ = false;
      continue;
    }
    ParseXmlTag(line_.substr(i, j - i + 1), tag);
    pending_ = true;
    pendingStart_ = j + 1;
    at_ = j + 1;
    return true;
  }
}

TXmlTagList TokenizeXml(const std::string& text) {
  TXmlTagList list;
  TXmlTokenizer tokenizer(text);
  TXmlTag tag;
  while (tokenizer.Next(tag)) list.push_back(std::move(tag));
  return list;
}

}  // namespace dorv

// Tokens of a header text: the line-based tokenizer behind TXmlElement.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dorv {

enum class TXmlTagKind { Text, Start, End, Empty, Instruction };

struct TXmlTag {
  std::string Token;  // the token as it stands in the text
  TXmlTagKind Kind = TXmlTagKind::Text;
  std::string Name;   // tags only
  std::vector<std::pair<std::string, std::string>> Attributes;  // raw (escaped) pairs
};

using TXmlTagList = std::vector<TXmlTag>;

TXmlTagList TokenizeXml(const std::string& text);

// Hands out the tokens of a text one at a time, so that a large text can be
// turned into a tree without holding every token at once. Each line is
// tokenised on its own; line breaks (CR LF, CR or LF) never reach a token.
// The text must outlive the tokenizer.
class TXmlTokenizer {
 public:
  explicit TXmlTokenizer(std::string_view text) : text_(text) {}
  // Fills tag with the next token; false when the text is exhausted.
  bool Next(TXmlTag& tag);

 private:
  bool NextLine();

  std::string_view text_;
  size_t next_ = 0;  // start of the line after the current one
  std::string_view line_;
  size_t at_ = 0;    // scan position within line_
  bool inLine_ = false;
  bool pending_ = false;  // text since the last '>' of this line is kept
  size_t pendingStart_ = 0;
};

// Classifies a tag token ("<...>") and parses its name and raw attributes.
void ParseXmlTag(std::string_view token, TXmlTag& tag);

}  // namespace dorv

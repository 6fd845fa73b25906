// Tokens of a header text: the line-based tokenizer behind TXmlElement.
#pragma once

#include <string>
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

}  // namespace dorv

// Escaping, unescaping, integer conversion and tokenizing of header text.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "converter/xml/xmltokens.h"
#include "converter/xml/xmltree.h"

namespace dorv {
namespace {

// "レイヤー" in Shift_JIS.
const std::string kLayerSjis = "\x83\x8C\x83\x43\x83\x84\x81\x5B";

struct EscapeCase {
  const char* what;
  std::string plain;
  std::string escaped;
};

class XmlEscapeTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(XmlEscapeTest, EscapesAndReadsBack) {
  const auto& c = GetParam();
  EXPECT_EQ(XmlEscape(c.plain), c.escaped);
  EXPECT_EQ(XmlUnescape(c.escaped), c.plain);
}

INSTANTIATE_TEST_SUITE_P(
    Table, XmlEscapeTest,
    ::testing::Values(
        EscapeCase{"markup", "a<b&c>\"d'", "a&lt;b&amp;c&gt;&quot;d'"},
        EscapeCase{"controls", "x\ty\nz\r\x01\x1F", "x&#9;y&#10;z&#13;&#1;&#31;"},
        EscapeCase{"shift_jis then amp", kLayerSjis + "&", kLayerSjis + "&amp;"},
        // 0x83 0x5C is a double-byte character whose second byte is a backslash.
        EscapeCase{"trail byte 0x5C", "\x83\x5C<", "\x83\x5C&lt;"},
        // A lead byte whose next byte cannot be a second byte stands alone: the
        // quote after it must not leak into an attribute value.
        EscapeCase{"stray lead byte", "\x81\"\x81\n", "\x81&quot;\x81&#10;"},
        EscapeCase{"lead byte at the end", "ab\x9F", "ab\x9F"},
        EscapeCase{"literal entity text", "&lt;&#9;", "&amp;lt;&amp;#9;"},
        EscapeCase{"high bytes and DEL", "\x7F\xA0\xDF", "\x7F\xA0\xDF"}),
    [](const auto& info) {
      std::string n;
      for (char ch : std::string(info.param.what)) n += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return n;
    });

struct UnescapeCase {
  std::string escaped;
  std::string plain;
};

class XmlUnescapeTest : public ::testing::TestWithParam<UnescapeCase> {};

TEST_P(XmlUnescapeTest, Decodes) { EXPECT_EQ(XmlUnescape(GetParam().escaped), GetParam().plain); }

INSTANTIATE_TEST_SUITE_P(
    Table, XmlUnescapeTest,
    ::testing::Values(UnescapeCase{"&#65;&#255;", "A\xFF"},
                      UnescapeCase{"&#33600;", "\x83\x40"},       // two bytes, high first
                      UnescapeCase{"&#65535;", "\xFF\xFF"},
                      UnescapeCase{"&#0;&#65536;&#-1;", "&#0;&#65536;&#-1;"},
                      UnescapeCase{"&#x41;&#;&#12", "&#x41;&#;&#12"},
                      UnescapeCase{"&#38;lt;", "<"},             // references first, then entities
                      UnescapeCase{"&#&#65;", "&#A"},
                      UnescapeCase{"&AMP;&amp;amp;", "&AMP;&amp;"}));

struct IntCase {
  std::string text;
  bool ok;
  int32_t value;
};

class TryStrToIntTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(TryStrToIntTest, Converts) {
  int32_t v = 12345;
  EXPECT_EQ(TryStrToInt(GetParam().text, v), GetParam().ok) << GetParam().text;
  if (GetParam().ok) {
    EXPECT_EQ(v, GetParam().value);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, TryStrToIntTest,
                         ::testing::Values(IntCase{"0", true, 0}, IntCase{"-17", true, -17},
                                           IntCase{"+8", true, 8}, IntCase{"007", true, 7},
                                           IntCase{"2147483647", true, INT32_MAX},
                                           IntCase{"-2147483648", true, INT32_MIN},
                                           IntCase{"2147483648", false, 0},
                                           IntCase{"-2147483649", false, 0},
                                           IntCase{"99999999999999999999", false, 0},
                                           IntCase{"12a", false, 0}, IntCase{"", false, 0},
                                           IntCase{"-", false, 0}, IntCase{" 1", false, 0},
                                           IntCase{"1 ", false, 0}, IntCase{"0x10", false, 0},
                                           IntCase{"$10", false, 0}, IntCase{"--1", false, 0}));

// Tokens written as kind letter + token: T text, S start, E end, M empty, I instruction.
std::string Describe(const TXmlTagList& tags) {
  std::string s;
  for (const auto& t : tags) {
    const char* k = "TSEMI";
    s += k[static_cast<int>(t.Kind)];
    s += '[' + t.Token + ']';
  }
  return s;
}

struct TokenCase {
  const char* what;
  std::string text;
  std::string tokens;
};

class TokenizeTest : public ::testing::TestWithParam<TokenCase> {};

TEST_P(TokenizeTest, Splits) { EXPECT_EQ(Describe(TokenizeXml(GetParam().text)), GetParam().tokens); }

INSTANTIATE_TEST_SUITE_P(
    Table, TokenizeTest,
    ::testing::Values(
        TokenCase{"start tag then empty text", "<a x=\"1\">", "S[<a x=\"1\">]T[]"},
        TokenCase{"text between tags", "<a>hi</a>", "S[<a>]T[hi]E[</a>]T[]"},
        TokenCase{"text before first tag dropped", "lost<a/>", "M[<a/>]T[]"},
        TokenCase{"gt inside quotes", "<a v=\"1>2\">", "S[<a v=\"1>2\">]T[]"},
        TokenCase{"unterminated tag dropped", "<a>x<b y=\"", "S[<a>]T[x]"},
        TokenCase{"line breaks of every kind", "<a>\r\n<b>\r<c>\n<d>",
                  "S[<a>]T[]S[<b>]T[]S[<c>]T[]S[<d>]T[]"},
        TokenCase{"empty lines yield nothing", "\r\n\r\n\n", ""},
        TokenCase{"declaration", "<?xml version=\"1.0\"?><r/>", "I[<?xml version=\"1.0\"?>]M[<r/>]T[]"},
        TokenCase{"second line text before tag", "<a>one\r\ntwo</a>", "S[<a>]T[one]E[</a>]T[]"}),
    [](const auto& info) {
      std::string n;
      for (char ch : std::string(info.param.what)) n += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return n;
    });

TEST(TokenizeXml, ParsesNamesAndRawAttributes) {
  const auto tags = TokenizeXml("<Layer  Name=\"a&amp;b\" Odd x=\"1\"y = \" sp \" />");
  ASSERT_EQ(tags.size(), 2u);
  EXPECT_EQ(tags[0].Kind, TXmlTagKind::Empty);
  EXPECT_EQ(tags[0].Name, "Layer");
  using P = std::pair<std::string, std::string>;
  // "Odd x" runs up to its "=": a name without "=" is not an attribute of its own.
  EXPECT_EQ(tags[0].Attributes, (std::vector<P>{{"Name", "a&amp;b"}, {"Odd x", "1"}, {"y", " sp "}}));

  const auto end = TokenizeXml("</Frames>");
  EXPECT_EQ(end[0].Kind, TXmlTagKind::End);
  EXPECT_EQ(end[0].Name, "Frames");
  EXPECT_TRUE(end[0].Attributes.empty());
}

}  // namespace
}  // namespace dorv

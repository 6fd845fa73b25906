// The header element tree: exact output, tolerant reading, attribute lookups.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "converter/streams/stream.h"
#include "converter/xml/xmltree.h"

namespace dorv {
namespace {

// The tree a one-frame 24-bit 640 x 480 document writes, built by hand.
void BuildDocumentHeader(TXmlElement& root) {
  root.Name = "Frames";
  root.SetIntAttr("Version", 200);
  root.SetIntAttr("Width", 640);
  root.SetIntAttr("Height", 480);
  root.SetIntAttr("Bpp", 24);
  root.SetIntAttr("Count", 1);
  root.SetBoolAttr("SyncPal", true);
  root.SetBoolAttr("Randomized", false);
  root.SetIntAttr("CompType", 0);
  root.SetIntAttr("CompLevel", 70);
  root.SetIntAttr("BGColor", 0);
  root.SetIntAttr("BlockWidth", 0);
  root.SetIntAttr("BlockHeight", 0);
  root.SetBoolAttr("NotFillBG", false);
  TXmlElement* frame = root.AddChild("Frame");
  frame->SetAttr("Name", "");
  frame->SetIntAttr("TransColor", -1);
  frame->SetIntAttr("Delay", 100);
  frame->SetIntAttr("Disposal", 0);
  TXmlElement* layers = frame->AddChild("Layers");
  layers->SetIntAttr("Count", 1);
  layers->SetIntAttr("Width", 640);
  layers->SetIntAttr("Height", 480);
  layers->SetIntAttr("Bpp", 24);
  TXmlElement* layer = layers->AddChild("Layer");
  layer->SetIntAttr("Left", 0);
  layer->SetIntAttr("Top", 0);
  layer->SetBoolAttr("Visible", true);
  layer->SetIntAttr("TransColor", -1);
  layer->SetIntAttr("Alpha", 255);
  layer->SetBoolAttr("AlphaOn", false);
  layer->SetAttr("Name", "Layer");
  layer->SetBoolAttr("Lock", false);
}

const char* const kDocumentHeader =
    "<Frames Version=\"200\" Width=\"640\" Height=\"480\" Bpp=\"24\" Count=\"1\" SyncPal=\"1\" "
    "Randomized=\"0\" CompType=\"0\" CompLevel=\"70\" BGColor=\"0\" BlockWidth=\"0\" BlockHeight=\"0\" "
    "NotFillBG=\"0\">\r\n"
    "  <Frame Name=\"\" TransColor=\"-1\" Delay=\"100\" Disposal=\"0\">\r\n"
    "    <Layers Count=\"1\" Width=\"640\" Height=\"480\" Bpp=\"24\">\r\n"
    "      <Layer Left=\"0\" Top=\"0\" Visible=\"1\" TransColor=\"-1\" Alpha=\"255\" AlphaOn=\"0\" "
    "Name=\"Layer\" Lock=\"0\" />\r\n"
    "    </Layers>\r\n"
    "  </Frame>\r\n"
    "</Frames>\r\n";

void ExpectSameTree(const TXmlElement& a, const TXmlElement& b) {
  EXPECT_EQ(a.Name, b.Name);
  EXPECT_EQ(a.Text, b.Text);
  ASSERT_EQ(a.Attributes().size(), b.Attributes().size()) << a.Name;
  for (size_t i = 0; i < a.Attributes().size(); ++i) {
    EXPECT_EQ(a.Attributes()[i].Name, b.Attributes()[i].Name);
    EXPECT_EQ(a.Attributes()[i].Value, b.Attributes()[i].Value);
  }
  ASSERT_EQ(a.ChildCount(), b.ChildCount()) << a.Name;
  for (int i = 0; i < a.ChildCount(); ++i) {
    EXPECT_EQ(b.Child(i)->Parent(), &b);
    ExpectSameTree(*a.Child(i), *b.Child(i));
  }
}

TEST(XmlTree, WritesTheDocumentHeaderByteForByteAndReadsItBack) {
  TXmlElement root;
  BuildDocumentHeader(root);
  TMemoryStream out;
  root.SaveToStream(out);
  const std::string text(reinterpret_cast<const char*>(out.Data()), out.Length());
  EXPECT_EQ(text, kDocumentHeader);

  TXmlElement back;
  back.LoadFromStream(out);
  ExpectSameTree(root, back);
  EXPECT_EQ(back.Child(0)->Child(0)->Child(0)->Depth(), 3);
}

struct SaveCase {
  const char* what;
  void (*build)(TXmlElement&);
  std::string text;
};

class XmlSaveTest : public ::testing::TestWithParam<SaveCase> {};

TEST_P(XmlSaveTest, Writes) {
  TXmlElement e;
  GetParam().build(e);
  EXPECT_EQ(e.SaveToString(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, XmlSaveTest,
    ::testing::Values(
        SaveCase{"nothing at all", [](TXmlElement& e) { e.Name = "A"; }, ""},
        SaveCase{"attributes only",
                 [](TXmlElement& e) {
                   e.Name = "A";
                   e.SetAttr("v", "<&\t");
                 },
                 "<A v=\"&lt;&amp;&#9;\" />\r\n"},
        SaveCase{"text only", [](TXmlElement& e) {
                   e.Name = "RGB";
                   e.Text = "00FF\"";
                 },
                 "<RGB>00FF&quot;</RGB>\r\n"},
        SaveCase{"empty child left out",
                 [](TXmlElement& e) {
                   e.Name = "A";
                   e.AddChild("Gone");
                   e.AddTextChild("B", "t")->AddChild("C")->SetIntAttr("n", -5);
                 },
                 "<A>\r\n  <B>t\r\n    <C n=\"-5\" />\r\n  </B>\r\n</A>\r\n"},
        SaveCase{"only empty children",
                 [](TXmlElement& e) {
                   e.Name = "A";
                   e.AddChild("Gone");
                 },
                 "<A>\r\n</A>\r\n"},
        SaveCase{"duplicate attribute kept", [](TXmlElement& e) {
                   e.Name = "A";
                   e.SetAttr("x", "1");
                   e.SetAttr("X", "2");
                 },
                 "<A x=\"1\" X=\"2\" />\r\n"}),
    [](const auto& info) {
      std::string n;
      for (char ch : std::string(info.param.what)) n += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return n;
    });

TEST(XmlTree, ChildWritesAtItsOwnDepth) {
  TXmlElement root("R");
  TXmlElement* child = root.AddChild("C");
  child->SetAttr("a", "1");
  EXPECT_EQ(child->SaveToString(), "  <C a=\"1\" />\r\n");
}

// Reading: the text, then what the tree looks like, written as
// name{attr=value,...}"text"(children...).
std::string Shape(const TXmlElement& e) {
  std::string s = e.Name;
  if (!e.Attributes().empty()) {
    s += '{';
    for (size_t i = 0; i < e.Attributes().size(); ++i)
      s += (i ? "," : "") + e.Attributes()[i].Name + "=" + e.Attributes()[i].Value;
    s += '}';
  }
  if (!e.Text.empty()) s += '"' + e.Text + '"';
  if (e.ChildCount() > 0) {
    s += '(';
    for (int i = 0; i < e.ChildCount(); ++i) s += (i ? " " : "") + Shape(*e.Child(i));
    s += ')';
  }
  return s;
}

struct LoadCase {
  const char* what;
  std::string text;
  std::string shape;
};

class XmlLoadTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(XmlLoadTest, Builds) {
  TXmlElement e;
  e.LoadFromString(GetParam().text);
  EXPECT_EQ(Shape(e), GetParam().shape);
}

INSTANTIATE_TEST_SUITE_P(
    Table, XmlLoadTest,
    ::testing::Values(
        LoadCase{"empty text", "", ""},
        LoadCase{"declaration skipped", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<A x=\"1\" />",
                 "A{x=1}"},
        LoadCase{"values unescaped", "<A v=\"&lt;&amp;&#9;\"/>", "A{v=<&\t}"},
        LoadCase{"text split over two lines", "<A>first\r\nsecond<B/>third\r\n</A>", "A\"firstthird\"(B)"},
        LoadCase{"end tag case-insensitive", "<A>\r\n<b>x</B>\r\n</a>", "A(b\"x\")"},
        LoadCase{"stray end tag becomes a child", "<A>\r\n</Z>\r\n<B/>\r\n</A>", "A(Z B)"},
        LoadCase{"unclosed elements end with the text", "<A>\r\n<B>\r\n<C k=\"v\">", "A(B(C{k=v}))"},
        LoadCase{"tokens after the root ignored", "<A/>\r\n<B/>", "A"},
        LoadCase{"instruction inside is text", "<A><?p?></A>", "A\"<?p?>\""},
        LoadCase{"text before the root skipped", "junk\r\n<A>t</A>", "A\"t\""},
        LoadCase{"shift_jis text", "<A N=\"\x83\x8C\x83\x43&amp;\">\x83\x84\x81\x5B</A>",
                 "A{N=\x83\x8C\x83\x43&}\"\x83\x84\x81\x5B\""}),
    [](const auto& info) {
      std::string n;
      for (char ch : std::string(info.param.what)) n += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return n;
    });

TEST(XmlTree, LoadReplacesTheWholeContent) {
  TXmlElement e("Old");
  e.SetAttr("a", "1");
  e.Text = "t";
  e.AddChild("C")->SetAttr("b", "2");
  e.LoadFromString("<New/>");
  EXPECT_EQ(Shape(e), "New");
}

TEST(XmlTree, DeepNestingNeitherOverflowsNorRecurses) {
  // Far deeper than any stack could take one frame per level.
  const int depth = 200000;
  std::string text;
  for (int i = 0; i < depth; ++i) text += "<a>";
  TXmlElement root;
  root.LoadFromString(text);
  const TXmlElement* e = &root;
  int levels = 1;
  while (e->ChildCount() == 1) {
    e = e->Child(0);
    ++levels;
  }
  EXPECT_EQ(levels, depth);
}  // and the tree is destroyed without one call per level

struct AttrCase {
  std::string value;
  bool boolean;   // GetBoolAttr with default true
  int32_t integer;  // GetIntAttr with default 7
};

class XmlAttrTest : public ::testing::TestWithParam<AttrCase> {};

TEST_P(XmlAttrTest, Converts) {
  TXmlElement e("E");
  e.SetAttr("V", GetParam().value);
  e.SetAttr("v", "1");  // a later duplicate is never consulted
  EXPECT_EQ(e.GetBoolAttr("v", true), GetParam().boolean);
  EXPECT_EQ(e.GetIntAttr("V", 7), GetParam().integer);
  EXPECT_EQ(e.GetAttr("v", "d"), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Table, XmlAttrTest,
                         ::testing::Values(AttrCase{"1", true, 1}, AttrCase{"0", false, 0},
                                           AttrCase{"true", false, 7}, AttrCase{"01", false, 1},
                                           AttrCase{" 1", false, 7}, AttrCase{"1 ", false, 7},
                                           AttrCase{"12a", false, 7}, AttrCase{"-300", false, -300},
                                           AttrCase{"", false, 7}));

TEST(XmlTree, LookupsFallBackAndIgnoreCase) {
  TXmlElement e("E");
  EXPECT_EQ(e.GetAttr("x", "def"), "def");
  EXPECT_EQ(e.GetIntAttr("x", -4), -4);
  EXPECT_FALSE(e.GetBoolAttr("x", false));
  EXPECT_TRUE(e.GetBoolAttr("x", true));
  e.AddChild("One");
  e.AddTextChild("Two", "second");
  e.AddTextChild("two", "third");
  EXPECT_EQ(e.IndexOfChild("TWO"), 1);
  EXPECT_EQ(e.IndexOfChild("Three"), -1);
  EXPECT_EQ(e.FindChild("three"), nullptr);
  EXPECT_EQ(e.ChildText("tWo", "d"), "second");
  EXPECT_EQ(e.ChildText("none", "d"), "d");
  EXPECT_EQ(e.Child(-1), nullptr);
  EXPECT_EQ(e.Child(3), nullptr);
  EXPECT_EQ(e.Child(2)->Parent(), &e);
  EXPECT_FALSE(SameName("Layer", "Layers"));
  EXPECT_TRUE(SameName("\x83\x8C" "a", "\x83\x8C" "A"));
  EXPECT_FALSE(SameName("\x83\x8C", "\x83\xAC"));  // only ASCII letters fold
}

}  // namespace
}  // namespace dorv

#include "platform/xml/xml_document.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace vantrel {
namespace {

class XmlDocumentTest : public testing::Test {
 protected:
  void TearDown() override {
    for (const std::string& path : files_) std::remove(path.c_str());
  }

  // Writes bytes to a temp file named after the test and the slot; the same
  // slot is overwritten, so loops don't pile up files.
  std::string Write(const std::string& bytes, int slot = 0) {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    const std::string path = testing::TempDir() + "vantrel_" + info->test_suite_name() + "_" +
                             info->name() + "_" + std::to_string(slot) + ".xml";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    files_.push_back(path);
    return path;
  }

  XmlDocument Parse(const std::string& xml) {
    XmlDocument doc;
    EXPECT_TRUE(doc.Load(Write(xml, 100))) << doc.LastError();
    return doc;
  }

  std::vector<std::string> files_;
};

// What the importer reads: each match's first attribute value.
std::vector<std::string> Names(const XmlDocument& doc, const std::string& tag) {
  std::vector<std::string> names;
  for (const XmlNode& e : doc.ElementsByTagName(tag)) names.push_back(e.AttributeValue(0));
  return names;
}

// Text of the first direct child with that name, "<none>" without one.
std::string ChildText(const XmlNode& element, const std::string& name) {
  for (const XmlNode& child : element.ChildNodes())
    if (child.NodeName() == name) return child.Text();
  return "<none>";
}

std::vector<std::string> ChildNames(const XmlNode& node) {
  std::vector<std::string> names;
  for (const XmlNode& child : node.ChildNodes()) names.push_back(child.NodeName());
  return names;
}

TEST_F(XmlDocumentTest, RecordsAreFoundAtAnyDepthInDocumentOrder) {
  const XmlDocument doc = Parse(
      "<?xml version=\"1.0\"?>\n"
      "<ENVELOPE><BODY><DATA>\n"
      " <GROUP NAME=\"Assets\"><PARENT></PARENT>\n"
      "  <GROUP NAME=\"Current Assets\"><PARENT>Assets</PARENT></GROUP>\n"
      " </GROUP>\n"
      " <MESSAGE><LEDGER RESERVED=\"\" NAME=\"Cash\"><PARENT>Current Assets</PARENT></LEDGER>"
      "</MESSAGE>\n"
      " <GROUP ACTION=\"Create\" NAME=\"Fixed\"/>\n"
      " <group NAME=\"lower\"/><GROUPS NAME=\"plural\"/>\n"
      "</DATA></BODY></ENVELOPE>\n");
  EXPECT_EQ(Names(doc, "GROUP"), (std::vector<std::string>{"Assets", "Current Assets", "Create"}));
  EXPECT_EQ(Names(doc, "LEDGER"), (std::vector<std::string>{""}));
  EXPECT_EQ(Names(doc, "group"), (std::vector<std::string>{"lower"}));
  EXPECT_TRUE(doc.ElementsByTagName("STOCKITEM").empty());
  EXPECT_EQ(doc.ElementsByTagName("*").size(), 13u);
  EXPECT_EQ(doc.DocumentElement().NodeName(), "ENVELOPE");

  const XmlNode outer = doc.ElementsByTagName("GROUP")[0];
  EXPECT_EQ(ChildNames(outer), (std::vector<std::string>{"PARENT", "GROUP"}));
  EXPECT_EQ(ChildText(outer, "PARENT"), "");
  EXPECT_EQ(outer.AttributeName(0), "NAME");
  const XmlNode ledger = doc.ElementsByTagName("LEDGER")[0];
  EXPECT_EQ(ledger.AttributeCount(), 2u);
  EXPECT_EQ(ledger.AttributeValue(1), "Cash");
  EXPECT_EQ(ledger.AttributeValue(2), "");
  EXPECT_EQ(ChildText(ledger, "PARENT"), "Current Assets");
  EXPECT_EQ(ChildText(ledger, "Parent"), "<none>");
}

TEST_F(XmlDocumentTest, TextIsKeptAsWritten) {
  const XmlDocument doc = Parse("<GROUP NAME=\"x\">\n  <PARENT>y</PARENT>\n</GROUP>");
  const XmlNode group = doc.ElementsByTagName("GROUP")[0];
  EXPECT_EQ(ChildText(group, "PARENT"), "y");
  EXPECT_EQ(group.Text(), "y");

  const XmlDocument spaced = Parse(
      "<R><A>  Sundry Debtors \t</A><B>   </B><C/><D>a\r\nb</D>"
      "<E>Pen<!-- note -->cil <![CDATA[<b>&amp;</b>]]><SUB>s<X>!</X></SUB></E></R>");
  const XmlNode r = spaced.DocumentElement();
  EXPECT_EQ(ChildText(r, "A"), "  Sundry Debtors \t");
  EXPECT_EQ(ChildText(r, "B"), "   ");
  EXPECT_EQ(ChildText(r, "C"), "");
  EXPECT_EQ(ChildText(r, "D"), "a\nb");
  EXPECT_EQ(ChildText(r, "E"), "Pencil <b>&amp;</b>s!");
  const XmlNode e = spaced.ElementsByTagName("E")[0];
  EXPECT_EQ(ChildNames(e),
            (std::vector<std::string>{"#text", "#comment", "#text", "#cdata-section", "SUB"}));
  EXPECT_EQ(e.ChildNodes()[1].Text(), " note ");
  EXPECT_TRUE(e.ChildNodes()[0].ChildNodes().empty());
  EXPECT_FALSE(e.ChildNodes()[0].IsElement());
}

TEST_F(XmlDocumentTest, EntitiesAreDecodedInAttributesAndText) {
  const XmlDocument doc = Parse(
      "<LEDGER NAME='A &amp; B &apos;q&apos; &quot;d&quot; &lt;x&gt;' RATE=\"a\tb\">"
      "<PARENT>&lt;Sundry&gt; &amp; &quot;Co&quot; &apos;s &#8377;&#x20B9;</PARENT></LEDGER>");
  const XmlNode ledger = doc.ElementsByTagName("LEDGER")[0];
  EXPECT_EQ(ledger.AttributeValue(0), "A & B 'q' \"d\" <x>");
  EXPECT_EQ(ledger.AttributeValue(1), "a b");
  EXPECT_EQ(ChildText(ledger, "PARENT"), "<Sundry> & \"Co\" 's ₹₹");
}

TEST_F(XmlDocumentTest, ControlCharacterReferencesDoNotStopTheLoad) {
  const XmlDocument doc = Parse(
      "<STOCKITEM NAME=\"Bolt&#4;s&#0;\"><PARENT>Hard&#x1F;ware&#0; &amp; "
      "more&#xD800;&#x110000;&#99999999999;&#x0;!</PARENT>"
      "<NOTE><![CDATA[&#0;]]><!--&#0;--></NOTE></STOCKITEM>");
  const XmlNode item = doc.ElementsByTagName("STOCKITEM")[0];
  EXPECT_EQ(item.AttributeValue(0), "Bolt\x04s");
  EXPECT_EQ(ChildText(item, "PARENT"), "Hard\x1Fware & more!");
  EXPECT_EQ(ChildText(item, "NOTE"), "&#0;");
  EXPECT_EQ(item.ChildNodes()[1].ChildNodes()[1].Text(), "&#0;");
}

TEST_F(XmlDocumentTest, LoadFailuresLeaveAnEmptyDocument) {
  XmlDocument doc;
  ASSERT_TRUE(doc.Load(Write("<A><GROUP NAME=\"kept\"/></A>", 0)));
  const XmlNode kept = doc.ElementsByTagName("GROUP")[0];

  struct Case {
    std::string path;
    std::string expected;  // part of LastError besides the path
  };
  const std::vector<Case> cases = {
      {testing::TempDir() + "vantrel_no_such_file.xml", "No such file"},
      {testing::TempDir(), "Cannot read"},
      {Write("", 1), "empty"},
      {Write("\xEF\xBB\xBF", 2), "line 1, column 1 (offset 0)"},
      {Write("just some words\nand more", 3), "No document element"},
      {Write("<A>\n<B>x</A>", 4), "</A> does not close <B> at line 2, column 7 (offset 10)"},
      {Write("<A><GROUP NAME=\"x\">", 5), "<GROUP> is not closed"},
      {Write("<A x=\"1></A>", 6), "attribute x is not closed"},
      {Write("<A x=\"1\"y=\"2\"/>", 8), "unexpected character in the tag <A>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_FALSE(doc.Load(c.path));
    EXPECT_NE(doc.LastError().find("\"" + c.path + "\""), std::string::npos) << doc.LastError();
    EXPECT_NE(doc.LastError().find(c.expected), std::string::npos) << doc.LastError();
    EXPECT_TRUE(doc.IsEmpty());
    EXPECT_TRUE(doc.ElementsByTagName("*").empty());
    EXPECT_TRUE(doc.DocumentElement().IsEmpty());
  }
  // Nodes handed out earlier keep their own copy of the document.
  EXPECT_EQ(kept.AttributeValue(0), "kept");
  ASSERT_TRUE(doc.Load(Write("<B/>", 7)));
  EXPECT_TRUE(doc.LastError().empty());
}

TEST_F(XmlDocumentTest, CountsBeyondSixteenBits) {
  constexpr int kItems = 70000;
  std::string xml = "<DATA>";
  for (int i = 0; i < kItems; ++i)
    xml += "<STOCKITEM NAME=\"I" + std::to_string(i) + "\"><PARENT>P</PARENT></STOCKITEM>";
  xml += "<WIDE";
  for (int i = 0; i < kItems; ++i)
    xml += " A" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
  xml += "/></DATA>";
  const XmlDocument doc = Parse(xml);
  const std::vector<XmlNode> items = doc.ElementsByTagName("STOCKITEM");
  ASSERT_EQ(items.size(), size_t{kItems});
  EXPECT_EQ(items.back().AttributeValue(0), "I69999");
  EXPECT_EQ(doc.DocumentElement().ChildNodes().size(), size_t{kItems} + 1);
  const XmlNode wide = doc.ElementsByTagName("WIDE")[0];
  EXPECT_EQ(wide.AttributeCount(), size_t{kItems});
  EXPECT_EQ(wide.AttributeValue(kItems - 1), "69999");
}

class XmlDocumentEncodingTest : public XmlDocumentTest {
 protected:
  // The fixture export, whatever its encoding, reads back the same UTF-8.
  static void ExpectSampleExport(const XmlDocument& doc) {
    const std::vector<XmlNode> groups = doc.ElementsByTagName("STOCKGROUP");
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].AttributeValue(0), "Café & Bar");
    EXPECT_EQ(ChildText(groups[0], "PARENT"), "₹ Goods 𝄞");
    const std::vector<XmlNode> items = doc.ElementsByTagName("STOCKITEM");
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(ChildText(items[0], "PARENT"), "Café & Bar");
    EXPECT_EQ(ChildText(items[0], "OPENINGVALUE"), "12.50");
  }
};

TEST_F(XmlDocumentEncodingTest, Utf16AndUtf32WithBomInBothByteOrders) {
  for (const char* name :
       {"xml_utf16le_bom.xml", "xml_utf16be_bom.xml", "xml_utf16le_bom_nodecl.xml",
        "xml_utf32le_bom.xml", "xml_utf32be_bom.xml"}) {
    SCOPED_TRACE(name);
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(std::string(VANTREL_TEST_DATA) + "/" + name)) << doc.LastError();
    ExpectSampleExport(doc);
  }
}

TEST_F(XmlDocumentEncodingTest, Utf8WithOrWithoutBomOrDeclaration) {
  const std::string body =
      "<ENVELOPE><STOCKGROUP NAME=\"Café &amp; Bar\"><PARENT>₹ Goods 𝄞</PARENT></STOCKGROUP>"
      "<STOCKITEM NAME=\"Tea\"><PARENT>Café &amp; Bar</PARENT><OPENINGVALUE>12.50</OPENINGVALUE>"
      "</STOCKITEM></ENVELOPE>";
  const std::string bom = "\xEF\xBB\xBF";
  const std::vector<std::string> variants = {
      body,
      bom + body,
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n" + body,
      bom + "<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + body,
      bom + "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + body,
      "<?xml version=\"1.0\" encoding=\"windows-1252\"?>" + body,
  };
  for (size_t i = 0; i < variants.size(); ++i) {
    SCOPED_TRACE(i);
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(Write(variants[i], static_cast<int>(i)))) << doc.LastError();
    ExpectSampleExport(doc);
  }
}

TEST_F(XmlDocumentEncodingTest, EightBitBytesAreReadAsWindows1252) {
  // An undeclared or mislabelled code-page export, and one stray byte in an
  // otherwise UTF-8 file: the rest of the UTF-8 text is left alone.
  const XmlDocument doc = Parse(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><R><A N=\"Caf\xE9\">\x80 5 \x93q\x94</A>"
      "<B>Caf\xC3\xA9 \xE9\xC3</B></R>");
  const XmlNode a = doc.ElementsByTagName("A")[0];
  EXPECT_EQ(a.AttributeValue(0), "Café");
  EXPECT_EQ(a.Text(), "€ 5 “q”");
  EXPECT_EQ(ChildText(doc.DocumentElement(), "B"), "Café éÃ");
}

class XmlDocumentRobustnessTest : public XmlDocumentTest {};

TEST_F(XmlDocumentRobustnessTest, DeepNestingDoesNotExhaustTheStack) {
  constexpr int kDepth = 200000;
  std::string xml;
  for (int i = 0; i < kDepth; ++i) xml += "<GROUP N=\"g\">";
  xml += "leaf";
  for (int i = 0; i < kDepth; ++i) xml += "</GROUP>";
  const XmlDocument doc = Parse(xml);
  EXPECT_EQ(doc.ElementsByTagName("GROUP").size(), size_t{kDepth});
  EXPECT_EQ(doc.DocumentElement().Text(), "leaf");
}

}  // namespace
}  // namespace vantrel

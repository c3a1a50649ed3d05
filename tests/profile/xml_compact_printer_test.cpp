#include "profile/xml_compact_printer.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>

namespace vexlo {

namespace {

std::string escaped(std::string_view text)
{
    std::string out;
    vexlo::appendXmlEscaped(out, text);
    return out;
}

TEST(XmlEscapeTest, EscapesTheFiveMarkupCharacters)
{
    EXPECT_EQ(escaped("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&apos;f");
    EXPECT_EQ(escaped("plain text 123"), "plain text 123");
    EXPECT_EQ(escaped(""), "");
}

TEST(XmlEscapeTest, WritesControlBytesAsUppercaseHexReferences)
{
    EXPECT_EQ(escaped(std::string("\x01\t\n\r\x1f", 5)), "&#x01;&#x09;&#x0A;&#x0D;&#x1F;");
    EXPECT_EQ(escaped("\x1b[0m"), "&#x1B;[0m");
}

TEST(XmlEscapeTest, CopiesSpaceDeleteAndHighBytesUnchanged)
{
    // GBK "设置" and a byte of each high range.
    const std::string gbk = "\xC9\xE8\xD6\xC3 \x7F\x80\xFF";
    EXPECT_EQ(escaped(gbk), gbk);
}

TEST(XmlEscapeTest, PassesOnlyWellFormedHexReferences)
{
    EXPECT_EQ(escaped("&#x41;"), "&#x41;");
    EXPECT_EQ(escaped("x&#x4e2d;y&#xABCDEF;"), "x&#x4e2d;y&#xABCDEF;");
    // Anything short of "&#x", hex digits, ";" is an ordinary ampersand.
    EXPECT_EQ(escaped("a&#xZZ"), "a&amp;#xZZ");
    EXPECT_EQ(escaped("a&#xZZ;b"), "a&amp;#xZZ;b");
    EXPECT_EQ(escaped("&#x;"), "&amp;#x;");
    EXPECT_EQ(escaped("&#x41"), "&amp;#x41");
    EXPECT_EQ(escaped("&#x4G;"), "&amp;#x4G;");
    EXPECT_EQ(escaped("&#X41;"), "&amp;#X41;");
    EXPECT_EQ(escaped("&#65;"), "&amp;#65;");
    EXPECT_EQ(escaped("&amp;"), "&amp;amp;");
    EXPECT_EQ(escaped("&"), "&amp;");
    EXPECT_EQ(escaped("&#"), "&amp;#");
    // A reference directly after a broken one still passes.
    EXPECT_EQ(escaped("&#x&#x41;"), "&amp;#x&#x41;");
}

TEST(CompactXmlPrinterTest, PrintsWithoutDeclarationOrWhitespace)
{
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
    auto* root = new TiXmlElement("Root");
    document.LinkEndChild(root);
    root->SetAttribute("B", "2");
    root->SetAttribute("A", "1");
    auto* empty = new TiXmlElement("Empty");
    root->LinkEndChild(empty);
    auto* child = new TiXmlElement("Child");
    child->SetAttribute("V", "x");
    root->LinkEndChild(child);
    child->LinkEndChild(new TiXmlElement("Leaf"));

    EXPECT_EQ(vexlo::printCompact(document),
              "<Root B=\"2\" A=\"1\"><Empty /><Child V=\"x\"><Leaf /></Child></Root>");
}

TEST(CompactXmlPrinterTest, QuotesEveryValueWithDoubleQuotes)
{
    // TinyXML's own printer would switch to apostrophes here.
    TiXmlElement element("E");
    element.SetAttribute("Q", "say \"hi\" & 'bye'");
    EXPECT_EQ(vexlo::printCompact(element), "<E Q=\"say &quot;hi&quot; &amp; &apos;bye&apos;\" />");
}

} // namespace

} // namespace vexlo

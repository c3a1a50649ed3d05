#include "onvif/xml_reader.h"
#include "onvif/xml_writer.h"

#include <gtest/gtest.h>

#include <string>

using namespace vexlo::onvif;

namespace {

std::string nested(int depth)
{
    std::string xml;
    for (int i = 0; i < depth; ++i)
        xml += "<a>";
    for (int i = 0; i < depth; ++i)
        xml += "</a>";
    return xml;
}

TEST(XmlLimits, DepthIsCountedFromTheRootAndRefusedPastSixtyFour)
{
    EXPECT_TRUE(XmlDocument(nested(kMaxXmlDepth)).ok());
    EXPECT_EQ(XmlDocument(nested(kMaxXmlDepth + 1)).error(), XmlError::TooDeep);
    // Deep nesting after a text node and a shallow sibling is still found.
    const std::string late = "<r>text<b/><c>" + nested(kMaxXmlDepth) + "</c></r>";
    EXPECT_EQ(XmlDocument(late).error(), XmlError::TooDeep);
}

TEST(XmlLimits, OversizedAndBrokenDocumentsAreRefused)
{
    std::string big = "<a>" + std::string(kMaxXmlBytes, 'x') + "</a>";
    EXPECT_EQ(XmlDocument(big).error(), XmlError::TooLarge);
    EXPECT_EQ(XmlDocument("<a><b></a>").error(), XmlError::Malformed);
    EXPECT_EQ(XmlDocument("").error(), XmlError::NoRoot);
    EXPECT_FALSE(XmlDocument("<a><b></a>").root());
}

TEST(XmlLimits, DoctypeIsRefusedSoNoEntityCanExpand)
{
    const char* laughs = R"(<?xml version="1.0"?><!DOCTYPE l [<!ENTITY a "aaaaaaaaaa">
        <!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;">]><l>&b;</l>)";
    EXPECT_EQ(XmlDocument(laughs).error(), XmlError::Doctype);
    // Built-in entities and character references still read as characters.
    XmlDocument doc("<v>&lt;&amp;&#65;&#x42;</v>");
    EXPECT_EQ(text(doc.root()), "<&AB");
}

TEST(XmlNavigation, LocalNamesMatchWhateverPrefixTheCameraUses)
{
    for (
        const char* xml :
        {R"(<s:Envelope xmlns:s="u"><s:Body><m:Model xmlns:m="x">A</m:Model></s:Body></s:Envelope>)",
         R"(<SOAP-ENV:Envelope xmlns:SOAP-ENV="u"><SOAP-ENV:Body><Model>A</Model></SOAP-ENV:Body></SOAP-ENV:Envelope>)",
         R"(<Envelope xmlns="u"><Body><Model>A</Model></Body></Envelope>)"}) {
        XmlDocument doc(xml);
        EXPECT_EQ(text(find(doc.root(), {"Body", "Model"})), "A") << xml;
        EXPECT_EQ(text(descendant(doc.root(), "Model")), "A") << xml;
    }
}

TEST(XmlNavigation, PrettyPrintedValuesAreTrimmedAndSplitTextIsJoined)
{
    XmlDocument doc("<r>\n  <v>\n    5.4.1\n  </v>\n  <w>ab<!-- c --><![CDATA[<d>]]>e</w>\n</r>");
    EXPECT_EQ(text(child(doc.root(), "v")), "5.4.1");
    EXPECT_EQ(text(child(doc.root(), "w")), "ab<d>e");
}

TEST(XmlNavigation, ChildrenSkipOtherElementsAndAttributesIgnoreXmlns)
{
    XmlDocument doc(R"(<r xmlns:token="t"><tt:Profiles xmlns:tt="o" tt:token="p1"/><x/>
        <Profiles token="p2"/><tt:ProfilesExtra xmlns:tt="o"/></r>)");
    const auto profiles = children(doc.root(), "Profiles");
    ASSERT_EQ(profiles.size(), 2u);
    EXPECT_EQ(attribute(profiles[0], "token"), "p1");
    EXPECT_EQ(attribute(profiles[1], "token"), "p2");
    EXPECT_EQ(attribute(doc.root(), "token"), ""); // xmlns:token is a declaration, not an attribute
    EXPECT_FALSE(find(doc.root(), {"Profiles", "Missing", "Deeper"}));
}

TEST(XmlWriter, EscapedValuesReadBackExactlyAndOutputIsCompact)
{
    const std::string tricky = "a&b<c>d\"e'f\tg\nh\ri";
    XmlWriter writer;
    writer.open("r").attribute("v", tricky).text(tricky).close();
    XmlDocument doc(writer.finish());
    ASSERT_TRUE(doc.ok());
    EXPECT_EQ(std::string(doc.root().attribute("v").value()), tricky);
    EXPECT_EQ(std::string(doc.root().child_value()), tricky);

    // Compact, and characters XML cannot carry are dropped, not written.
    XmlWriter compact;
    compact.open("a").open("b").close().element("c", std::string("p\x01q\0r", 5));
    EXPECT_EQ(compact.finish(), "<a><b/><c>pqr</c></a>");
}

} // namespace

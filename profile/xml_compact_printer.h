#pragma once

#include <tinyxml.h>

#include <string>
#include <string_view>

// Prints a TinyXML tree the way the cameras expect a request body: no
// declaration, no whitespace, attributes as name="value" separated by single
// blanks, a childless element closed as " />". The packaged TinyXML printer
// differs in two ways that matter on the wire (it escapes the "&" of a
// character reference, and it quotes a value holding a double quote with
// apostrophes), so the bodies are printed here instead.
namespace vexlo {

// Appends `text` with the characters XML does not allow escaped: "&" as "&amp;"
// unless it opens a well-formed hexadecimal character reference ("&#x", one or
// more hexadecimal digits, ";"), which is copied unchanged; "<", ">", the double
// quote and the apostrophe as entities; every byte below 0x20 as "&#xHH;".
// Every other byte, GBK included, is copied unchanged.
void appendXmlEscaped(std::string& out, std::string_view text);

class CompactXmlPrinter : public TiXmlVisitor
{
public:
    bool VisitEnter(const TiXmlElement& element, const TiXmlAttribute* firstAttribute) override;
    bool VisitExit(const TiXmlElement& element) override;
    bool Visit(const TiXmlText& text) override;

    // Declarations, comments and unknown nodes are never part of a request.
    bool Visit(const TiXmlDeclaration&) override { return true; }
    bool Visit(const TiXmlComment&) override { return true; }
    bool Visit(const TiXmlUnknown&) override { return true; }

    const std::string& text() const { return m_text; }

private:
    std::string m_text;
};

// The compact text of `node` and everything below it.
std::string printCompact(const TiXmlNode& node);

} // namespace vexlo

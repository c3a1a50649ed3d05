#pragma once

#include <string>
#include <string_view>
#include <vector>

// Writes our own XML: compact (no whitespace between elements), deterministic
// (attributes in the order given), every text and attribute value escaped.
// Names come from our code, never from a peer, so they are written as given.
namespace vexlo::onvif {

// & < > " ' become references; tab, LF and CR become character references so
// they survive a parser's normalisation. Characters XML 1.0 cannot carry at all
// (other C0 controls) are dropped rather than written into a document no
// parser would accept.
std::string escapeXml(std::string_view value);

class XmlWriter
{
public:
    // Starts <name ...>; attributes may follow until content or close().
    XmlWriter& open(std::string_view name);
    XmlWriter& attribute(std::string_view name, std::string_view value);
    XmlWriter& text(std::string_view value);
    // A fragment we built ourselves (another XmlWriter's result), inserted as is.
    XmlWriter& raw(std::string_view xml);
    XmlWriter& close();
    // open + text + close.
    XmlWriter& element(std::string_view name, std::string_view value);

    // Closes whatever is still open and hands over the text.
    std::string finish();

private:
    void endStartTag();

    std::string m_out;
    std::vector<std::string> m_open;
    bool m_inStartTag = false;
};

} // namespace vexlo::onvif

#include "onvif/settings_messages.h"

#include "onvif/xml_writer.h"

#include <algorithm>
#include <cctype>

namespace vexlo::onvif {

namespace {

XmlWriter openSettingsRequest(std::string_view operation)
{
    return openServiceRequest("tds", kOnvifDeviceNamespace, operation);
}

// One tt:NetworkHost, as the IPv4 address or the host name it is.
void writeHost(XmlWriter& writer, std::string_view element, std::string_view host)
{
    writer.open(element);
    if (isIPv4Address(host)) {
        writer.element("tt:Type", "IPv4").element("tt:IPv4Address", host);
    } else {
        writer.element("tt:Type", "DNS").element("tt:DNSname", host);
    }
    writer.close();
}

bool printableWithoutControls(std::string_view text)
{
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

} // namespace

bool isHostName(std::string_view text)
{
    if (text.empty() || text.size() > 253 || text.front() == '.' || text.back() == '.' ||
        text.front() == '-')
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.';
    });
}

std::optional<std::string> buildSetNTP(const std::vector<std::string>& servers)
{
    if (servers.empty())
        return std::nullopt;
    XmlWriter writer = openSettingsRequest("SetNTP");
    writer.element("tds:FromDHCP", "false");
    for (const std::string& server : servers) {
        if (!isIPv4Address(server) && !isHostName(server))
            return std::nullopt;
        writeHost(writer, "tds:NTPManual", server);
    }
    return writer.finish();
}

std::optional<std::string> buildSetDNS(const std::vector<std::string>& servers)
{
    XmlWriter writer = openSettingsRequest("SetDNS");
    writer.element("tds:FromDHCP", "false");
    for (const std::string& server : servers) {
        if (!isIPv4Address(server))
            return std::nullopt;
        writer.open("tds:DNSManual")
            .element("tt:Type", "IPv4")
            .element("tt:IPv4Address", server)
            .close();
    }
    return writer.finish();
}

std::optional<std::string> buildSetUser(std::string_view user, std::string_view password,
                                        std::string_view level)
{
    if (user.empty() || !printableWithoutControls(user) || !printableWithoutControls(password) ||
        (level != "Administrator" && level != "Operator" && level != "User"))
        return std::nullopt;
    XmlWriter writer = openSettingsRequest("SetUser");
    writer.open("tds:User")
        .element("tt:Username", user)
        .element("tt:Password", password)
        .element("tt:UserLevel", level)
        .close();
    return writer.finish();
}

std::optional<std::string> buildSetNetworkProtocols(const std::vector<ProtocolPort>& protocols)
{
    if (protocols.empty())
        return std::nullopt;
    XmlWriter writer = openSettingsRequest("SetNetworkProtocols");
    for (const ProtocolPort& protocol : protocols) {
        if ((protocol.name != "HTTP" && protocol.name != "RTSP" && protocol.name != "HTTPS") ||
            protocol.port < 1 || protocol.port > 65535)
            return std::nullopt;
        writer.open("tds:NetworkProtocols")
            .element("tt:Name", protocol.name)
            .element("tt:Enabled", "true")
            .element("tt:Port", std::to_string(protocol.port))
            .close();
    }
    return writer.finish();
}

Reply<Accepted> parseEmptyResponse(std::string_view bytes, std::string_view responseName)
{
    return readResponse<Accepted>(
        bytes, responseName, [](pugi::xml_node) { return std::optional<Accepted>(Accepted{}); });
}

} // namespace vexlo::onvif

#include "onvif/discovered_device.h"

#include "onvif/address_rule.h"
#include "onvif/device_messages.h"
#include "onvif/encoding.h"

#include <algorithm>
#include <array>
#include <optional>

namespace vexlo::onvif {

namespace {

constexpr std::string_view kScopeBase = "onvif://www.onvif.org/";

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// %XX escapes decoded; nothing when an escape is broken or the result holds a
// control character, which a device list must never display.
std::optional<std::string> decodeScopeValue(std::string_view value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '%') {
            if (i + 2 >= value.size())
                return std::nullopt;
            const int high = hexValue(value[i + 1]);
            const int low = hexValue(value[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            c = static_cast<char>(high * 16 + low);
            i += 2;
        }
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            return std::nullopt;
        out += c;
    }
    if (out.empty() || out.size() > kMaxGuessLength)
        return std::nullopt;
    return out;
}

bool isPrintableWord(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c > 0x20 && c < 0x7f; });
}

// Twelve hex digits, with or without ':', '-' or '.' between them, as
// "00:1A:2B:3C:4D:5E"; nothing for anything else or an all-zero address.
std::optional<std::string> normaliseMac(std::string_view text)
{
    std::string digits;
    for (const char c : text) {
        if (c == ':' || c == '-' || c == '.')
            continue;
        if (hexValue(c) < 0 || digits.size() == 12)
            return std::nullopt;
        digits += static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
    }
    if (digits.size() != 12 || digits == std::string(12, '0'))
        return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < 12; i += 2)
        out += (out.empty() ? "" : ":") + digits.substr(i, 2);
    return out;
}

// A time-based (version 1) UUID carries the MAC of the interface that made it
// in its node field, unless the multicast bit says the node is random.
std::optional<std::string> macFromEndpoint(std::string_view endpoint)
{
    for (const std::string_view prefix : {"urn:uuid:", "uuid:"}) {
        if (startsWithIgnoringCase(endpoint, prefix)) {
            endpoint.remove_prefix(prefix.size());
            break;
        }
    }
    if (endpoint.size() != 36)
        return std::nullopt;
    for (std::size_t i = 0; i < endpoint.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? endpoint[i] != '-' : hexValue(endpoint[i]) < 0)
            return std::nullopt;
    }
    const int variant = hexValue(endpoint[19]);
    if (endpoint[14] != '1' || variant < 8 || variant > 11)
        return std::nullopt;
    const std::string_view node = endpoint.substr(24);
    if (hexValue(node[1]) & 1)
        return std::nullopt;
    return normaliseMac(node);
}

} // namespace

bool isRecorderType(const std::vector<QualifiedName>& types)
{
    return std::any_of(types.begin(), types.end(), [](const QualifiedName& type) {
        return type.localName == "NetworkVideoStorage" &&
               (type.namespaceUri.empty() || type.namespaceUri == kOnvifNetworkNamespace);
    });
}

DeviceIdentity guessIdentity(const DiscoveryTarget& target)
{
    DeviceIdentity out;
    std::string nameSerial;
    for (const std::string& scope : target.scopes) {
        if (!startsWithIgnoringCase(scope, kScopeBase))
            continue;
        const std::string_view path = std::string_view(scope).substr(kScopeBase.size());
        const std::size_t slash = path.find('/');
        if (slash == std::string_view::npos)
            continue;
        const std::string_view category = path.substr(0, slash);
        std::string_view raw = path.substr(slash + 1);
        while (!raw.empty() && raw.back() == '/')
            raw.remove_suffix(1);
        const std::optional<std::string> value = decodeScopeValue(raw);
        if (!value)
            continue;
        const auto is = [category](std::string_view name) {
            return equalsIgnoringCase(category, name);
        };
        if ((is("SerialNumber") || is("Serial")) && out.serialNo.empty() &&
            isPrintableWord(*value)) {
            out.serialNo = *value;
            out.serialClue = Clue::SerialScope;
        } else if ((is("MacAddress") || is("Mac")) && out.macAddress.empty()) {
            if (const auto mac = normaliseMac(*value)) {
                out.macAddress = *mac;
                out.macClue = Clue::MacScope;
            }
        } else if (is("name") && out.name.empty()) {
            out.name = *value;
        } else if (is("hardware") && out.hardware.empty()) {
            out.hardware = *value;
        }
    }
    if (out.serialNo.empty() && !out.name.empty() && isPrintableWord(out.name)) {
        out.serialNo = out.name;
        out.serialClue = Clue::NameScope;
    }
    if (out.macAddress.empty()) {
        if (const auto mac = macFromEndpoint(target.address)) {
            out.macAddress = *mac;
            out.macClue = Clue::EndpointReference;
        }
    }
    return out;
}

std::string xaddrIpv4Host(std::string_view url)
{
    std::string_view rest;
    for (const std::string_view scheme : {"http://", "https://"}) {
        if (startsWithIgnoringCase(url, scheme)) {
            rest = url.substr(scheme.size());
            break;
        }
    }
    const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
    // User information could put a harmless-looking address in front of the
    // real host; no camera needs it in a discovery answer.
    if (authority.empty() || authority.find('@') != std::string_view::npos)
        return {};
    const std::size_t colon = authority.find(':');
    const std::string_view host = authority.substr(0, colon);
    if (colon != std::string_view::npos) {
        const std::string_view port = authority.substr(colon + 1);
        if (port.empty() || port.size() > 5 ||
            !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return {};
    }
    return isIPv4Address(host) ? std::string(host) : std::string();
}

DiscoveredDevice describeDevice(const DiscoveryTarget& target, const std::string& sender,
                                bool loopbackOnly)
{
    DiscoveredDevice out;
    out.endpoint = target.address;
    out.types = target.types;
    out.scopes = target.scopes;
    out.xaddrs = target.xaddrs;
    out.metadataVersion = target.metadataVersion;
    out.sender = sender;
    out.isRecorder = isRecorderType(target.types);
    out.identity = guessIdentity(target);
    for (const std::string& xaddr : target.xaddrs) {
        const std::string host = xaddrIpv4Host(xaddr);
        if (host.empty())
            continue;
        if (out.ipAddress.empty())
            out.ipAddress = host;
        const bool allowed = mayReach(host, !loopbackOnly);
        if (allowed && out.serviceAddress.empty())
            out.serviceAddress = xaddr;
    }
    if (out.ipAddress.empty())
        out.ipAddress = sender;
    out.contactAllowed = !out.serviceAddress.empty();
    return out;
}

} // namespace vexlo::onvif

#include "ipcsim/rtsp/transport_header.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace vexlo::ipcsim::rtsp {

namespace {

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::optional<std::uint8_t> channelNumber(std::string_view text)
{
    if (text.empty() || text.size() > 3 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const int value = std::stoi(std::string(text));
    if (value > 255) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

// "a" or "a-b"; a lone number means a and a + 1.
std::optional<InterleavedChannels> parseChannels(std::string_view text)
{
    const auto dash = text.find('-');
    const auto first = channelNumber(trim(text.substr(0, dash)));
    if (!first) {
        return std::nullopt;
    }
    if (dash == std::string_view::npos) {
        if (*first == 255) {
            return std::nullopt;
        }
        return InterleavedChannels{*first, static_cast<std::uint8_t>(*first + 1)};
    }
    const auto second = channelNumber(trim(text.substr(dash + 1)));
    if (!second) {
        return std::nullopt;
    }
    return InterleavedChannels{*first, *second};
}

std::optional<TcpTransportOffer> parseAlternative(std::string_view alternative)
{
    TcpTransportOffer offer;
    bool tcp = false;
    bool firstField = true;
    while (!alternative.empty()) {
        const auto semicolon = alternative.find(';');
        const auto field = trim(alternative.substr(0, semicolon));
        alternative = semicolon == std::string_view::npos ? std::string_view()
                                                          : alternative.substr(semicolon + 1);
        if (firstField) {
            tcp = equalsIgnoreCase(field, "RTP/AVP/TCP");
            if (!tcp) {
                return std::nullopt;
            }
            firstField = false;
            continue;
        }
        const auto equals = field.find('=');
        if (equalsIgnoreCase(trim(field.substr(0, equals)), "interleaved")) {
            if (equals == std::string_view::npos) {
                return std::nullopt;
            }
            offer.channels = parseChannels(field.substr(equals + 1));
            if (!offer.channels) {
                return std::nullopt;
            }
        }
    }
    if (!tcp) {
        return std::nullopt;
    }
    return offer;
}

} // namespace

std::optional<TcpTransportOffer> findTcpTransport(std::string_view header)
{
    while (!header.empty()) {
        const auto comma = header.find(',');
        if (auto offer = parseAlternative(header.substr(0, comma))) {
            return offer;
        }
        if (comma == std::string_view::npos) {
            break;
        }
        header.remove_prefix(comma + 1);
    }
    return std::nullopt;
}

} // namespace vexlo::ipcsim::rtsp

#include "ipcsim/onvif/http_syntax.h"

#include <algorithm>
#include <cstring>

namespace vexlo::ipcsim::onvif::syntax {

bool isTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c)) {
        return true;
    }
    return c != '\0' && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

bool isToken(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), isTokenChar);
}

bool isValueChar(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte == '\t' || (byte >= 0x20 && byte != 0x7F);
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::string_view> splitList(std::string_view text)
{
    std::vector<std::string_view> elements;
    while (!text.empty()) {
        const auto comma = text.find(',');
        const auto element = trim(text.substr(0, comma));
        if (!element.empty()) {
            elements.push_back(element);
        }
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    return elements;
}

} // namespace vexlo::ipcsim::onvif::syntax

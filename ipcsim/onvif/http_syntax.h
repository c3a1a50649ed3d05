#pragma once

#include <string_view>
#include <vector>

// The character classes and list rules of HTTP/1.1 (RFC 9110 section 5.6),
// shared by the request parser and the response builder.
namespace vexlo::ipcsim::onvif::syntax {

inline char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
inline bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}
inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A token character: letters, digits and !#$%&'*+-.^_`|~.
bool isTokenChar(char c);
// A non-empty run of token characters (a method, a header name, a coding).
bool isToken(std::string_view text);
// A byte a field value may hold: visible ASCII, space, tab, or above 0x7F.
bool isValueChar(char c);
// Without leading and trailing spaces and tabs.
std::string_view trim(std::string_view text);
// The non-empty elements of a comma-separated list, trimmed.
std::vector<std::string_view> splitList(std::string_view text);

} // namespace vexlo::ipcsim::onvif::syntax

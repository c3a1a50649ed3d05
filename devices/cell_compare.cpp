#include "devices/cell_compare.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace vexlo {
namespace {

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

int hexDigitValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

std::size_t skipBlanks(std::u16string_view text, std::size_t at)
{
    while (at < text.size() && isBlank(text[at]))
        ++at;
    return at;
}

// Reads exactly `count` decimal digits at `at`; advances past them.
std::optional<int> fixedDigits(std::u16string_view text, std::size_t& at, std::size_t count)
{
    if (at + count > text.size())
        return std::nullopt;
    int value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char16_t c = text[at + i];
        if (!isDigit(c))
            return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    at += count;
    return value;
}

// One or two decimal digits at `at`.
std::optional<int> shortNumber(std::u16string_view text, std::size_t& at)
{
    if (at >= text.size() || !isDigit(text[at]))
        return std::nullopt;
    int value = text[at++] - u'0';
    if (at < text.size() && isDigit(text[at]))
        value = value * 10 + (text[at++] - u'0');
    return value;
}

int daysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

} // namespace

std::optional<std::uint32_t> parseHexCell(std::u16string_view text)
{
    std::size_t at = skipBlanks(text, 0);
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) {
        negative = text[at] == u'-';
        ++at;
    }
    // "0x" counts as a prefix only when a digit follows; "0x" alone stops
    // after the "0" and so is not a whole number.
    if (at + 2 < text.size() && text[at] == u'0' &&
        (text[at + 1] == u'x' || text[at + 1] == u'X') && hexDigitValue(text[at + 2]) >= 0) {
        at += 2;
    }
    if (at >= text.size())
        return std::nullopt;
    std::uint64_t value = 0;
    bool saturated = false;
    for (; at < text.size(); ++at) {
        const int digit = hexDigitValue(text[at]);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFu) {
            saturated = true;
            value = 0xFFFFFFFFu;
        }
    }
    auto result = static_cast<std::uint32_t>(value);
    if (negative && !saturated)
        result = static_cast<std::uint32_t>(0u - result);
    return result;
}

std::optional<double> parseNumberCell(std::u16string_view text)
{
    std::size_t at = skipBlanks(text, 0);
    std::string ascii;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-'))
        ascii += static_cast<char>(text[at++]);
    std::size_t digits = 0;
    while (at < text.size() && isDigit(text[at])) {
        ascii += static_cast<char>(text[at++]);
        ++digits;
    }
    if (at < text.size() && text[at] == u'.') {
        ascii += '.';
        ++at;
        while (at < text.size() && isDigit(text[at])) {
            ascii += static_cast<char>(text[at++]);
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (at < text.size() && (text[at] == u'e' || text[at] == u'E')) {
        std::size_t exponentAt = at + 1;
        std::string exponent = "e";
        if (exponentAt < text.size() && (text[exponentAt] == u'+' || text[exponentAt] == u'-'))
            exponent += static_cast<char>(text[exponentAt++]);
        std::size_t exponentDigits = 0;
        while (exponentAt < text.size() && isDigit(text[exponentAt])) {
            exponent += static_cast<char>(text[exponentAt++]);
            ++exponentDigits;
        }
        // An "e" without digits is not part of the number, so what follows it
        // is left over and the text is not a number.
        if (exponentDigits > 0) {
            ascii += exponent;
            at = exponentAt;
        }
    }
    if (at < text.size() && text[at] == u'%')
        ++at;
    if (at != text.size())
        return std::nullopt;
    const double value = std::strtod(ascii.c_str(), nullptr);
    if (std::isnan(value))
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> parseDateCell(std::u16string_view text)
{
    std::size_t at = skipBlanks(text, 0);
    const auto year = fixedDigits(text, at, 4);
    if (!year || at >= text.size() || (text[at] != u'-' && text[at] != u'/'))
        return std::nullopt;
    const char16_t separator = text[at++];
    const auto month = shortNumber(text, at);
    if (!month || at >= text.size() || text[at] != separator)
        return std::nullopt;
    ++at;
    const auto day = shortNumber(text, at);
    if (!day || *month < 1 || *month > 12 || *day < 1 || *day > daysInMonth(*year, *month))
        return std::nullopt;

    int hour = 0;
    int minute = 0;
    int second = 0;
    const std::size_t afterDate = skipBlanks(text, at);
    if (afterDate < text.size() && afterDate > at) {
        at = afterDate;
        const auto h = shortNumber(text, at);
        if (!h || at >= text.size() || text[at] != u':')
            return std::nullopt;
        ++at;
        const auto m = fixedDigits(text, at, 2);
        if (!m)
            return std::nullopt;
        std::optional<int> s = 0;
        if (at < text.size() && text[at] == u':') {
            ++at;
            s = fixedDigits(text, at, 2);
            if (!s)
                return std::nullopt;
        }
        if (*h > 23 || *m > 59 || *s > 59)
            return std::nullopt;
        hour = *h;
        minute = *m;
        second = *s;
    }
    if (skipBlanks(text, at) != text.size())
        return std::nullopt;
    const std::int64_t date = (static_cast<std::int64_t>(*year) * 100 + *month) * 100 + *day;
    return (date * 100 + hour) * 10000 + minute * 100 + second;
}

CellSortKey sortKeyOf(std::u16string_view text)
{
    return {parseHexCell(text), parseNumberCell(text), parseDateCell(text)};
}

int compareKeyedCells(std::u16string_view a, const CellSortKey& keyA, std::u16string_view b,
                      const CellSortKey& keyB)
{
    const auto order = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
    if (!a.empty() && !b.empty()) {
        if (keyA.hex && keyB.hex)
            return order(*keyA.hex, *keyB.hex);
        if (keyA.number && keyB.number)
            return order(*keyA.number, *keyB.number);
    }
    if (keyA.date && keyB.date)
        return order(*keyA.date, *keyB.date);
    const int result = a.compare(b);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

} // namespace vexlo

#include "settings/decimal_text.h"

#include <limits>

namespace vexlo {

namespace {

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

} // namespace

std::int32_t parseDecimal(std::u16string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
        negative = text[pos] == u'-';
        ++pos;
    }
    // Accumulate as a magnitude with one step of headroom past the limit.
    const std::int64_t limit =
        negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                 : std::numeric_limits<std::int32_t>::max();
    std::int64_t magnitude = 0;
    for (; pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9'; ++pos) {
        magnitude = magnitude * 10 + (text[pos] - u'0');
        if (magnitude > limit)
            magnitude = limit + 1;
    }
    if (magnitude > limit)
        magnitude = limit;
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

} // namespace vexlo

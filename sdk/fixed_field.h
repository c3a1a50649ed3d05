#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

// The fixed character fields of the contract's structures (_IPCINFO and the
// like) hold bytes as the device sent them. A copy into one clears the whole
// field, cuts the text to fit and always terminates it; a read stops at the
// first NUL or at the field's end, whichever comes first.
namespace vexlo::sdk {

template <std::size_t N> void copyToFixedField(char (&field)[N], std::string_view text)
{
    static_assert(N > 0);
    const std::size_t count = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), count);
    std::memset(field + count, 0, N - count);
}

template <std::size_t N> std::string readFixedField(const char (&field)[N])
{
    const char* end = std::find(field, field + N, '\0');
    return std::string(field, end);
}

} // namespace vexlo::sdk

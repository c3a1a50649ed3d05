#include "netsdk/address_guard.h"

namespace vexlo::netsdk {

std::optional<std::uint32_t> parseIpv4(std::string_view text)
{
    std::uint32_t result = 0;
    int parts = 0;
    std::size_t pos = 0;
    while (parts < 4) {
        std::uint32_t part = 0;
        std::size_t digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            part = part * 10 + static_cast<std::uint32_t>(text[pos] - '0');
            if (++digits > 3 || part > 255)
                return std::nullopt;
            ++pos;
        }
        if (digits == 0)
            return std::nullopt;
        result = (result << 8) | part;
        ++parts;
        if (parts < 4) {
            if (pos >= text.size() || text[pos] != '.')
                return std::nullopt;
            ++pos;
        }
    }
    if (pos != text.size())
        return std::nullopt;
    return result;
}

bool isLoopbackIpv4(std::string_view text)
{
    const auto address = parseIpv4(text);
    return address && (*address >> 24) == 127;
}

bool AddressGuard::allows(std::string_view address) const
{
    if (!parseIpv4(address))
        return false;
    return !m_loopbackOnly || isLoopbackIpv4(address);
}

std::string AddressGuard::scanProblem(const std::vector<AddressRange>& ranges) const
{
    if (!m_loopbackOnly)
        return {};
    for (const AddressRange& range : ranges) {
        if ((range.first >> 24) != 127 || (range.last >> 24) != 127)
            return range.text + " is outside 127.0.0.0/8: without --lan only loopback addresses "
                                "are scanned";
    }
    return {};
}

} // namespace vexlo::netsdk

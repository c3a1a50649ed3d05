#include "devices/next_free_address.h"

namespace vexlo {
namespace {

constexpr int kFirstHostNumber = 3;
constexpr int kLastHostNumber = 255;

// The decimal number after the last dot. Nothing without a dot or when the
// part after it is not all digits: handing out "0", "1", ... built from a
// malformed address would send devices somewhere nobody asked for.
std::optional<int> lastNumber(std::string_view address)
{
    const std::size_t dot = address.rfind('.');
    if (dot == std::string_view::npos)
        return std::nullopt;
    const std::string_view digits = address.substr(dot + 1);
    if (digits.empty() || digits.size() > 9)
        return std::nullopt;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::string addressPrefix(std::string_view address)
{
    const std::size_t dot = address.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(address.substr(0, dot + 1));
}

std::optional<std::string> nextFreeAddress(const AddressPlan& plan, const AddressInUse& inUse)
{
    const std::optional<int> own = lastNumber(plan.pcAddress);
    if (!own)
        return std::nullopt;
    std::string prefix = addressPrefix(plan.pcAddress);
    int number = kFirstHostNumber;
    if (plan.useStartAddress) {
        const std::optional<int> start = lastNumber(plan.startAddress);
        if (!start || *start > kLastHostNumber)
            return std::nullopt;
        prefix = addressPrefix(plan.startAddress);
        number = *start;
    }
    for (;;) {
        if (number == *own) {
            ++number;
            if (number > kLastHostNumber)
                return std::nullopt;
        }
        std::string candidate = prefix + std::to_string(number);
        if (!inUse || !inUse(candidate))
            return candidate;
        ++number;
        if (number > kLastHostNumber)
            return std::nullopt;
    }
}

} // namespace vexlo

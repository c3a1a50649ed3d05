#include "platform/address_ranges.h"

#include "platform/tick.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

namespace vexlo {

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Exactly four decimal parts 0..255 separated by dots; host order.
std::optional<std::uint32_t> readIpv4(std::string_view text)
{
    std::uint32_t result = 0;
    std::size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.')
                return std::nullopt;
            ++pos;
        }
        std::uint32_t value = 0;
        std::size_t digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            value = value * 10 + static_cast<std::uint32_t>(text[pos] - '0');
            if (++digits > 3 || value > 255)
                return std::nullopt;
            ++pos;
        }
        if (digits == 0)
            return std::nullopt;
        result = (result << 8) | value;
    }
    if (pos != text.size())
        return std::nullopt;
    return result;
}

std::string notAnAddress(std::string_view text)
{
    return std::string(text) + " is not an IPv4 address";
}

std::string tooMany(std::string_view what, std::uint64_t count, std::string_view verb = "has")
{
    return "a scan holds at most " + std::to_string(kMaxScanAddresses) + " addresses; " +
           std::string(what) + " " + std::string(verb) + " " + std::to_string(count);
}

// One range; `size` is what it stands for (a whole block, even where its
// first and last address are left out).
std::optional<AddressRange> readRange(std::string_view text, std::uint64_t& size,
                                      std::string& error)
{
    AddressRange range;
    range.text = std::string(text);
    if (const auto slash = text.find('/'); slash != std::string_view::npos) {
        const std::string_view base = trimmed(text.substr(0, slash));
        const std::string_view prefixText = trimmed(text.substr(slash + 1));
        const auto address = readIpv4(base);
        if (!address) {
            error = notAnAddress(base);
            return std::nullopt;
        }
        int prefix = 0;
        const bool digits = !prefixText.empty() && prefixText.size() <= 2 &&
                            std::all_of(prefixText.begin(), prefixText.end(),
                                        [](char c) { return c >= '0' && c <= '9'; });
        if (digits)
            prefix = std::stoi(std::string(prefixText));
        if (!digits || prefix > 32) {
            error = "in " + std::string(text) + ", /" + std::string(prefixText) +
                    " is not a prefix length (0 to 32)";
            return std::nullopt;
        }
        const std::uint32_t mask = prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
        range.first = *address & mask;
        range.last = range.first | ~mask;
        size = std::uint64_t{range.last} - range.first + 1;
        if (prefix <= 30) {
            // A block's first and last address are its network and broadcast
            // addresses: a datagram to the last one would reach every host of
            // that network.
            ++range.first;
            --range.last;
        }
        return range;
    }
    const auto dash = text.find('-');
    const std::string_view firstText = trimmed(text.substr(0, dash));
    const auto first = readIpv4(firstText);
    if (!first) {
        error = notAnAddress(firstText);
        return std::nullopt;
    }
    range.first = *first;
    range.last = *first;
    if (dash != std::string_view::npos) {
        const std::string_view lastText = trimmed(text.substr(dash + 1));
        const auto last = readIpv4(lastText);
        if (!last) {
            error = notAnAddress(lastText);
            return std::nullopt;
        }
        if (*last < *first) {
            error = "the range " + std::string(text) + " ends before it starts";
            return std::nullopt;
        }
        range.last = *last;
    }
    size = std::uint64_t{range.last} - range.first + 1;
    return range;
}

} // namespace

AddressRangeList parseAddressRanges(std::string_view text)
{
    AddressRangeList list;
    if (trimmed(text).empty())
        return list;
    std::uint64_t total = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view item = trimmed(text.substr(start, comma - start));
        start = comma + 1;
        if (item.empty()) {
            list.error = "an empty range between commas";
            break;
        }
        std::uint64_t size = 0;
        auto range = readRange(item, size, list.error);
        if (!range)
            break;
        if (size > kMaxScanAddresses) {
            list.error = tooMany(item, size);
            break;
        }
        total += size;
        list.ranges.push_back(std::move(*range));
    }
    if (list.ok() && total > kMaxScanAddresses)
        list.error = tooMany("the ranges together", total, "have");
    if (!list.ok())
        list.ranges.clear();
    return list;
}

std::uint64_t addressCount(const std::vector<AddressRange>& ranges)
{
    std::uint64_t total = 0;
    for (const AddressRange& range : ranges)
        total += range.last >= range.first ? std::uint64_t{range.last} - range.first + 1 : 0;
    return total;
}

std::string formatIpv4Address(std::uint32_t address)
{
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

void ScanTargets::set(std::vector<AddressRange> ranges)
{
    std::lock_guard lock(m_mutex);
    m_ranges = std::move(ranges);
}

std::vector<AddressRange> ScanTargets::ranges() const
{
    std::lock_guard lock(m_mutex);
    return m_ranges;
}

std::vector<std::uint32_t> ScanTargets::addresses() const
{
    const std::vector<AddressRange> ranges = this->ranges();
    std::vector<std::uint32_t> result;
    std::unordered_set<std::uint32_t> seen;
    for (const AddressRange& range : ranges) {
        // Bounded by the parser; a hand-made range is cut at the same bound.
        for (std::uint64_t a = range.first; a <= range.last; ++a) {
            if (result.size() >= kMaxScanAddresses)
                return result;
            if (seen.insert(static_cast<std::uint32_t>(a)).second)
                result.push_back(static_cast<std::uint32_t>(a));
        }
    }
    return result;
}

ScanSchedule::ScanSchedule(std::vector<std::uint32_t> addresses, std::size_t datagramsPerAddress)
    : m_addresses(std::move(addresses)),
      m_perBurst(std::max<std::size_t>(1, kScanBurstDatagrams /
                                              std::max<std::size_t>(1, datagramsPerAddress)))
{
}

std::vector<std::uint32_t> ScanSchedule::nextBurst()
{
    const std::size_t end = std::min(m_addresses.size(), m_next + m_perBurst);
    std::vector<std::uint32_t> burst(m_addresses.begin() + static_cast<std::ptrdiff_t>(m_next),
                                     m_addresses.begin() + static_cast<std::ptrdiff_t>(end));
    m_next = end >= m_addresses.size() ? 0 : end;
    return burst;
}

std::chrono::nanoseconds ScanSchedule::pauseAfterBurst() const
{
    if (passEnded())
        return scaledDuration(kScanRepeatMs);
    return kScanBurstPause;
}

} // namespace vexlo

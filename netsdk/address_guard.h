#pragma once

#include "platform/address_ranges.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The network-safety check every outgoing address passes before anything is
// sent: in loopback mode only 127.0.0.0/8 is allowed. Addresses are dotted
// IPv4 texts and are never resolved, so a host name cannot lead anywhere.
namespace vexlo::netsdk {

// The address as a host-order number, or nothing when the text is not exactly
// four decimal parts 0..255 separated by dots.
std::optional<std::uint32_t> parseIpv4(std::string_view text);

bool isLoopbackIpv4(std::string_view text);

class AddressGuard
{
public:
    explicit AddressGuard(bool loopbackOnly) : m_loopbackOnly(loopbackOnly) {}

    // True when the library may send to this address.
    bool allows(std::string_view address) const;
    // Why a scan of these ranges may not run in this mode (a range that
    // leaves 127.0.0.0/8 in loopback mode); empty when it may.
    std::string scanProblem(const std::vector<AddressRange>& ranges) const;
    bool loopbackOnly() const { return m_loopbackOnly; }

private:
    bool m_loopbackOnly;
};

} // namespace vexlo::netsdk

#include "gui/lan_address.h"

#include <arpa/inet.h>
#include <array>
#include <ifaddrs.h>
#include <netinet/in.h>

namespace vexlo {

std::optional<std::string> interfaceIPv4Address(const std::string& interfaceName)
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return std::nullopt;
    std::optional<std::string> found;
    for (const ifaddrs* entry = list; entry && !found; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET || !entry->ifa_name ||
            interfaceName != entry->ifa_name)
            continue;
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        std::array<char, INET_ADDRSTRLEN> text{};
        if (inet_ntop(AF_INET, &address->sin_addr, text.data(), text.size()))
            found = std::string(text.data());
    }
    freeifaddrs(list);
    return found;
}

} // namespace vexlo

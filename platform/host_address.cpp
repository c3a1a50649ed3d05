#include "platform/host_address.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vexlo {
namespace {

bool isDottedIPv4(const char* text)
{
    in_addr address{};
    return inet_pton(AF_INET, text, &address) == 1;
}

std::optional<std::string> firstIPv4OfHostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) {
        return std::nullopt;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> result;
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET || entry->ai_addr == nullptr) {
            continue;
        }
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        char text[INET_ADDRSTRLEN] = {};
        if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) != nullptr) {
            result = text;
            break;
        }
    }
    freeaddrinfo(found);
    return result;
}

} // namespace

std::optional<std::string> hostIPv4Address()
{
    const char* override = std::getenv("VEXLO_HOST_ADDRESS");
    if (override != nullptr && *override != '\0') {
        // A set override is never bypassed, even when it is not an address:
        // falling back to the host name could hand a real interface to a test.
        if (isDottedIPv4(override)) {
            return std::string(override);
        }
        return std::nullopt;
    }
    return firstIPv4OfHostName();
}

} // namespace vexlo

#include "onvif/loopback_multicast.h"

#include <arpa/inet.h>
#include <bit>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <net/if.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vexlo::onvif {

namespace {

bool loopbackTakesMulticast()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ifreq lo{};
    std::strncpy(lo.ifr_name, "lo", sizeof lo.ifr_name - 1);
    const bool on = ::ioctl(fd, SIOCGIFFLAGS, &lo) == 0 && (lo.ifr_flags & IFF_MULTICAST) != 0;
    ::close(fd);
    return on;
}

// The interface of the most specific route to `group` in the main table, as
// /proc/net/route lists it (addresses and masks in network byte order).
std::string routeInterface(std::uint32_t group)
{
    std::ifstream table("/proc/net/route");
    std::string line, device, best, skip;
    int bestLength = -1;
    std::getline(table, line); // the column titles
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::uint32_t destination = 0, mask = 0;
        fields >> device >> std::hex >> destination >> skip >> skip >> skip >> skip >> skip >> mask;
        if (fields && (group & mask) == destination && std::popcount(mask) > bestLength) {
            best = device;
            bestLength = std::popcount(mask);
        }
    }
    return best;
}

} // namespace

std::string loopbackMulticastProblem(std::string_view group)
{
    in_addr address{};
    if (::inet_pton(AF_INET, std::string(group).c_str(), &address) != 1)
        return "the discovery group " + std::string(group) + " is not an IPv4 address";
    if (!loopbackTakesMulticast())
        return "the loopback interface does not take multicast here "
               "('ip link set lo multicast on' switches it on)";
    const std::string device = routeInterface(address.s_addr);
    if (device != "lo")
        return "the route to " + std::string(group) + " leads to " +
               (device.empty() ? std::string("no interface") : "'" + device + "'") +
               ", not to the loopback interface ('ip route add 224.0.0.0/4 dev lo' in a private "
               "network namespace changes that)";
    return {};
}

} // namespace vexlo::onvif

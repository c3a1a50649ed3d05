#include "loopback_site.h"

#include "ipcsim/address.h"

#include <arpa/inet.h>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace vexlo::test {
namespace {

constexpr int kAttempts = 8;
constexpr int kStride = 7; // coprime with the spans in use, so every A is tried
constexpr std::size_t kCamerasPerThirdOctet = 200;
constexpr int kClaimHost = 254; // above every camera of a block
constexpr std::uint16_t kClaimPort = 47999;

// Claims the block 127.A.B.* for this process by binding a UDP socket on
// 127.A.B.254, kept until the process ends. A camera that reboots lets its own
// address go for a while; without the claim another test process could start
// a camera on that address meanwhile, and the reboot would come back to the
// wrong camera. A process may reuse a block it claimed for an earlier site.
bool claimBlock(int secondOctet, int thirdOctet)
{
    static std::mutex mutex;
    static std::map<std::pair<int, int>, int> claimed;
    std::lock_guard lock(mutex);
    if (claimed.count({secondOctet, thirdOctet}))
        return true;
    const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(kClaimPort);
    address.sin_addr.s_addr = htonl((127u << 24) | (static_cast<unsigned>(secondOctet) << 16) |
                                    (static_cast<unsigned>(thirdOctet) << 8) | kClaimHost);
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(socket);
        return false;
    }
    claimed.emplace(std::pair{secondOctet, thirdOctet}, socket);
    return true;
}

void assignAddresses(ipcsim::Scenario& scenario, int secondOctet, const LoopbackBlock& block,
                     const MacForCamera& macFor)
{
    for (std::size_t i = 0; i < scenario.cameras.size(); ++i) {
        auto& camera = scenario.cameras[i];
        const int third = block.thirdOctet + static_cast<int>(i / kCamerasPerThirdOctet);
        const int host = static_cast<int>(i % kCamerasPerThirdOctet) + 1;
        camera.address = "127." + std::to_string(secondOctet) + "." + std::to_string(third) + "." +
                         std::to_string(host);
        camera.mac = macFor ? macFor(camera.address, i)
                            : ipcsim::macForAddress(*ipcsim::parseIpv4(camera.address));
    }
}

} // namespace

std::string LoopbackSite::address(int host, int thirdOctet) const
{
    return "127." + std::to_string(secondOctet) + "." + std::to_string(thirdOctet) + "." +
           std::to_string(host);
}

LoopbackSite startLoopbackSite(ipcsim::Scenario scenario, const LoopbackBlock& block,
                               ipcsim::SiteOptions options, const MacForCamera& macFor)
{
    for (int attempt = 0;; ++attempt) {
        const int secondOctet =
            block.firstOctet + static_cast<int>((::getpid() + attempt * kStride) % block.span);
        const int blocks = (static_cast<int>(scenario.cameras.size()) - 1) /
                               static_cast<int>(kCamerasPerThirdOctet) +
                           1;
        bool claimed = true;
        for (int b = 0; b < blocks && claimed; ++b)
            claimed = claimBlock(secondOctet, block.thirdOctet + b);
        if (!claimed) {
            if (attempt + 1 < kAttempts)
                continue;
            throw ipcsim::SiteError("no free loopback block for a simulated site");
        }
        assignAddresses(scenario, secondOctet, block, macFor);
        auto site = std::make_unique<ipcsim::Site>(scenario, options);
        try {
            site->start();
        } catch (const ipcsim::SiteError&) {
            if (attempt + 1 < kAttempts)
                continue;
            throw;
        }
        return LoopbackSite{std::move(site), std::move(scenario), secondOctet};
    }
}

} // namespace vexlo::test

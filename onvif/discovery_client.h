#pragma once

#include "onvif/discovered_device.h"
#include "onvif/discovery_messages.h"
#include "platform/address_ranges.h"

#include <asio.hpp>

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// The ONVIF search: WS-Discovery Probes and the devices that answer them, on
// one UDP socket. Results are pulled by index; nothing here calls back.
//
// Each probe round sends three Probes, one per type, each with a MessageID of
// its own: dn:NetworkVideoTransmitter (cameras, including makes that list
// nothing else), dn:NetworkVideoStorage (recorders, which may not call
// themselves transmitters) and tds:Device (what every current ONVIF device
// lists, whatever its role). A device that matches several answers several
// times and is listed once. A probe without types is not used: on a real site
// it draws answers from every WS-Discovery speaker (printers, PCs), none of
// them a camera.
//
// Network safety: in loopback mode (the default) the socket is bound to
// 127.0.0.1, multicast leaves only by lo with TTL 1, nothing multicast is sent
// unless the route to the group leads to lo (the probes go to 127.0.0.1 by
// unicast then), and unicast probes go to 127.0.0.0/8 only. Devices whose XAddrs lead elsewhere are
// listed with contactAllowed false. LAN mode needs an interface name and stays on it.
//
// Thread safety: every public call may come from any thread; the socket and
// timer live on a strand of the io_context the caller runs; results are
// guarded by a mutex. Create with std::make_shared (handlers hold a reference).
namespace vexlo::onvif {

struct DiscoveryClientOptions
{
    // Loopback mode; false only for an explicit --lan INTERFACE.
    bool loopbackOnly = true;
    // The interface that carries the probes in LAN mode (required there).
    std::string lanInterface;
    // The group port probes go to, and the port of unicast probes.
    std::uint16_t port = kDiscoveryGroupPort;
    // Ranges whose every address gets the probes by unicast while a search
    // runs (paced, again after each pass), for cameras the group does not
    // reach; read at each start(). Null: none.
    std::shared_ptr<ScanTargets> scanTargets;
};

class DiscoveryClient : public std::enable_shared_from_this<DiscoveryClient>
{
public:
    DiscoveryClient(asio::io_context& io, DiscoveryClientOptions options);

    // Opens the socket and starts receiving; false (see problem()) when it cannot.
    bool open();
    // Ends receiving and probing; later calls fail.
    void shutdown();

    // Empties the results and probes at once and then every 1000 ms (scaled
    // time) until stop(), and scans the options' ranges meanwhile. In loopback mode, while the host
    // routes the group elsewhere than lo, each round goes to 127.0.0.1 by unicast instead (a
    // simulated site answers there). False, with nothing sent, when the
    // client is not open.
    bool start();
    // Ends probing; answers that arrive later are dropped, the list stays.
    void stop();
    bool running() const;

    // Sends the probes to one address only (for scanning a range where
    // multicast does not reach); its answers join the running search. False,
    // with nothing sent, when no search runs or the address is not a dotted
    // IPv4 unicast address allowed in this mode (127.0.0.0/8 in loopback mode).
    bool probeAddress(const std::string& ipAddress);

    // The devices that answered this search, in the order they first did.
    int count() const;
    std::optional<DiscoveredDevice> result(int index) const;

    // Why the last open(), start() or probe round sent nothing; empty when it did.
    std::string problem() const;

private:
    struct Target
    {
        asio::ip::udp::endpoint endpoint;
        bool multicast = false;
    };
    Target roundTarget() const;
    void setProblem(std::string text);
    void sendRound(std::uint32_t searchId, const asio::ip::udp::endpoint& to, bool multicast);
    void armProbeTimer(std::uint32_t searchId);
    // Where a unicast probe may go; the reason when it may not.
    std::optional<asio::ip::address_v4> probeTarget(const std::string& ipAddress,
                                                    std::string& refusal) const;
    void sendScanBurst(std::uint32_t searchId, std::shared_ptr<ScanSchedule> schedule);
    void receiveNext();
    void onDatagram(std::string_view bytes, const asio::ip::udp::endpoint& sender);
    bool configureLoopback(asio::error_code& error);
    bool configureLan(asio::error_code& error);

    const DiscoveryClientOptions m_options;
    asio::strand<asio::io_context::executor_type> m_strand;
    asio::ip::udp::socket m_socket;
    asio::steady_timer m_probeTimer;
    asio::steady_timer m_scanTimer;
    const asio::ip::udp::endpoint m_group;
    // Strand state.
    std::vector<char> m_receiveBuffer;
    asio::ip::udp::endpoint m_sender;

    mutable std::mutex m_mutex;
    bool m_open = false;
    bool m_running = false;
    std::uint32_t m_searchId = 0;
    std::string m_problem;
    // The MessageIDs of this search's latest probes (oldest first, bounded):
    // only answers that relate to one of them are listed.
    std::deque<std::string> m_probeIds;
    std::unordered_set<std::string> m_probeIdSet;
    std::vector<DiscoveredDevice> m_results;
    std::unordered_map<std::string, std::size_t> m_indexByKey;
};

} // namespace vexlo::onvif

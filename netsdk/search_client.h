#pragma once

#include "netsdk/address_guard.h"
#include "netsdk/options.h"
#include "protocol/search_datagrams.h"
#include "protocol/search_record.h"

#include <asio.hpp>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// The search channel: probes, the accumulated results and modify-IP requests,
// on one UDP socket. Results are pulled by the program; nothing here calls back.
namespace vexlo::netsdk {

class SearchClient : public std::enable_shared_from_this<SearchClient>
{
public:
    SearchClient(asio::io_context& io, const NetSdkOptions& options);

    // Opens the socket and starts receiving; false when it cannot.
    bool open();
    // Ends receiving and every wait; later calls fail.
    void shutdown();

    // Empties the results and probes until stop(); false (nothing sent) when the
    // search endpoint is not allowed. Besides the probe to the search endpoint,
    // the same probe goes to every address of the options' scan ranges (paced,
    // and again after each pass); their answers count like any other.
    bool start();
    void stop();
    int count() const;
    std::optional<protocol::SearchRecord> result(int index) const;

    // Sends a modify-IP request to the camera with this serial and MAC and
    // waits (bounded) for its answer; true only when the camera accepted it.
    // Nothing is sent when the new address or the search endpoint is not allowed.
    bool modifyAddress(const std::string& serialNo, const std::string& macAddress,
                       const std::string& ipAddress, const std::string& netmask,
                       const std::string& gateway);

private:
    struct PendingModify
    {
        std::string serialNo;
        std::optional<protocol::ModifyIpStatus> status;
    };

    void sendDatagram(std::vector<std::uint8_t> datagram);
    void sendScanBurst(std::uint32_t searchId, std::shared_ptr<ScanSchedule> schedule);
    void receiveNext();
    void onDatagram(std::span<const std::uint8_t> bytes);
    void armProbeTimer(std::uint32_t searchId);

    const NetSdkOptions m_options;
    const AddressGuard m_guard;
    asio::strand<asio::io_context::executor_type> m_strand;
    asio::ip::udp::socket m_socket;
    asio::steady_timer m_probeTimer;
    asio::steady_timer m_scanTimer;
    asio::ip::udp::endpoint m_endpoint;
    // Strand state.
    std::array<std::uint8_t, 2048> m_receiveBuffer{};
    asio::ip::udp::endpoint m_sender;

    mutable std::mutex m_mutex;
    std::condition_variable m_modifyAnswered;
    bool m_open = false;
    bool m_running = false;
    std::uint32_t m_searchId = 0;
    std::uint32_t m_requestId = 0;
    std::vector<protocol::SearchRecord> m_results;
    std::map<std::uint32_t, PendingModify> m_pendingModify;
};

} // namespace vexlo::netsdk

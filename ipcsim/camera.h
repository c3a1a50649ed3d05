#pragma once

#include "ipcsim/address_book.h"
#include "ipcsim/command_reply.h"
#include "ipcsim/firmware.h"
#include "ipcsim/onvif/onvif_face.h"
#include "ipcsim/scenario.h"
#include "ipcsim/stream_loop.h"
#include "protocol/search_datagrams.h"
#include "protocol/session_messages.h"

#include <asio.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// One simulated camera: its listener on its own 127.x.y.z address, its search
// answers, its sessions, and its life cycle (up, down for a reboot, back with
// a new version or at its factory address, or gone for good).
//
// Everything but snapshot() and matches() runs on the camera's strand; the
// site posts search and modify-IP requests onto it.
namespace vexlo::ipcsim {

class RequestLog;
class Session;

enum class CameraState
{
    Up,
    Down,    // rebooting, restoring or installing firmware; back after its reboot time
    Gone,    // down for good (neverBackAfterReboot)
    Stopped, // the site has shut down
};

// What tests may look at from any thread.
struct CameraSnapshot
{
    CameraState state = CameraState::Up;
    std::string address; // where it believes it is; may be a factory address off loopback
    std::string netmask;
    std::string gateway;
    std::string version;         // the firmware it runs
    bool listening = false;      // a session can be opened at address:port
    bool onvifListening = false; // the SOAP and RTSP servers run at address
    std::string timeSet;         // the Time="..." of the last set-time request it took
    int sessions = 0;
};

struct CameraServices
{
    AddressBook& addresses;
    RequestLog* log = nullptr; // null: nothing is logged
    // Where an ONVIF camera says Hello and Bye.
    onvif::Announcer announcer;
};

class Camera
{
public:
    using Strand = asio::strand<asio::io_context::executor_type>;

    Camera(asio::io_context& io, CameraSetup setup, CameraServices services);
    ~Camera();
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;

    // Binds the listener and the search socket (at the camera's address and
    // the site's search port, for probes sent to it alone) and starts
    // accepting. Call before the site's threads run. Throws std::system_error
    // when the address and port cannot be bound.
    void open(std::uint16_t searchPort);
    // Closes everything for good (sessions get Close Shutdown).
    void shutdown();

    Strand& strand() { return m_strand; }
    const CameraSetup& setup() const { return m_setup; }
    // Addressed by this modify-IP request: serial and MAC both match. Any thread.
    bool matches(const protocol::ModifyIp& request) const;
    CameraSnapshot snapshot() const;
    // RTSP clients of its ONVIF face connected now (0 without one); any thread.
    std::size_t rtspConnections() const;
    // What discovery reports for this camera; nothing unless its ONVIF face
    // is open. Any thread.
    std::optional<onvif::DiscoveryEntry> discoveryEntry() const;

    // Search channel, on the strand.
    // `direct`: sent to this camera's address, not to the site's search
    // endpoint (which stands for the broadcast).
    void answerProbe(std::uint32_t searchId, asio::ip::udp::endpoint client, bool direct = false);
    void modifyIp(const protocol::ModifyIp& request, asio::ip::udp::endpoint client);

    // For the sessions and the ONVIF face, on the strand.
    CameraState state() const { return m_state; }
    std::string_view runningVersion() const { return m_version; }
    const std::string& currentAddress() const { return m_address; }
    const std::string& currentNetmask() const { return m_netmask; }
    const std::string& currentGateway() const { return m_gateway; }
    // `address`: where the request arrived; empty for the current address.
    void log(std::string_view kind, std::uint32_t code, std::string body, std::string note,
             std::string_view address = {});
    // True once: for the first confirmed session, when the scenario drops it.
    bool takeSessionDrop();
    ConfigStore& config() { return m_config; }
    void recordTime(std::string time);
    bool claimUpload();
    void releaseUpload();
    // Called with the verdict after the check time: accepted or refused, or
    // nothing when the scenario withholds it. An accepted camera then goes down.
    using FirmwareAnswer = std::function<void(std::optional<bool> accepted)>;
    void checkFirmware(FirmwareVerdict verdict, FirmwareAnswer answer);
    void goDown(protocol::CloseReason reason);
    // A factory default asked for through ONVIF: a hard one is a factory
    // restore (back at factoryAddress), a soft one keeps the address.
    void factoryDefault(bool hard);
    // Moves the camera as modify IP does: sessions closed, listening at the
    // new address. Accepted or BadAddress (unusable, taken, unreadable).
    protocol::ModifyIpStatus relocate(const std::string& address, const std::string& netmask,
                                      const std::string& gateway);
    void setGateway(std::string gateway);
    void forget(const Session* session);
    // Hands `ready` the encoded test card for live play, on the strand: at
    // once when it is at hand, else once encoded. It is encoded at the first
    // stream on a thread of its own (so the site's threads keep serving the
    // other cameras meanwhile), kept for the next streams, and encoded again
    // once the address it shows has changed. Null when it cannot be encoded.
    using StreamLoopReady = std::function<void(std::shared_ptr<const StreamLoop>)>;
    void withStreamLoop(StreamLoopReady ready);

private:
    void openListener();
    void closeListener();
    void acceptNext(std::shared_ptr<asio::ip::tcp::acceptor> acceptor);
    std::shared_ptr<asio::ip::udp::socket> openSearchSocket(const asio::ip::address_v4& address);
    void receiveDirect(const std::shared_ptr<asio::ip::udp::socket>& socket);
    void sendDatagram(std::vector<std::uint8_t> datagram, const asio::ip::udp::endpoint& to);
    void closeSessions(protocol::CloseReason reason);
    void comeBack(bool restored);
    protocol::ModifyIpStatus moveTo(const std::string& address, const std::string& netmask,
                                    const std::string& gateway,
                                    std::shared_ptr<asio::ip::udp::socket>& oldSocket);
    void openFace();
    void setLocation(std::string address, std::string netmask, std::string gateway);
    void publish();
    void startEncoding();
    void onLoopEncoded(std::shared_ptr<const StreamLoop> loop);

    Strand m_strand;
    const CameraSetup m_setup;
    const std::string m_serialGbk;
    CameraServices m_services;

    CameraState m_state = CameraState::Up;
    std::string m_address;
    std::uint32_t m_addressValue = 0;
    std::string m_netmask;
    std::string m_gateway;
    std::string m_version;
    std::optional<std::string> m_installedVersion; // takes effect at the next start
    std::string m_timeSet;
    ConfigStore m_config;
    bool m_sessionDropUsed = false;
    bool m_uploadBusy = false;
    std::optional<std::pair<std::uint32_t, protocol::ModifyIpStatus>> m_lastModify;
    std::shared_ptr<const StreamLoop> m_streamLoop;
    std::vector<StreamLoopReady> m_loopWaiters;
    bool m_encoding = false;
    std::thread m_encoder; // joined before the next encoding and by the destructor

    std::shared_ptr<asio::ip::tcp::acceptor> m_acceptor;
    std::shared_ptr<asio::ip::udp::socket> m_searchSocket;
    std::uint16_t m_searchPort = 0;
    std::set<std::shared_ptr<Session>> m_sessions;
    asio::steady_timer m_downTimer;
    asio::steady_timer m_checkTimer;

    mutable std::mutex m_snapshotMutex;
    CameraSnapshot m_snapshot;

    // Last: it posts onto m_strand and must go before it. Null for a camera
    // that speaks only the home protocol.
    std::unique_ptr<onvif::OnvifFace> m_face;
};

} // namespace vexlo::ipcsim

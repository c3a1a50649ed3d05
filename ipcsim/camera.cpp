#include "ipcsim/camera.h"

#include "ipcsim/address.h"
#include "ipcsim/request_log.h"
#include "ipcsim/search_record.h"
#include "ipcsim/session.h"
#include "ipcsim/sim_time.h"
#include "protocol/wire.h"

#include <array>
#include <iostream>
#include <system_error>

namespace vexlo::ipcsim {

using asio::ip::tcp;
using asio::ip::udp;
using protocol::CloseReason;
using protocol::ModifyIpStatus;

namespace {

asio::ip::address_v4 addressOf(std::uint32_t value)
{
    return asio::ip::address_v4(value);
}

// The netmask and gateway a camera reports after a factory restore: its
// factory network, with the gateway at .1 of it.
std::pair<std::string, std::string> factoryNetwork(std::uint32_t factoryAddress)
{
    if (isLoopback(factoryAddress)) {
        return {"255.0.0.0", "127.0.0.1"};
    }
    return {"255.255.255.0", formatIpv4((factoryAddress & 0xFFFFFF00u) | 1u)};
}

} // namespace

Camera::Camera(asio::io_context& io, CameraSetup setup, CameraServices services)
    : m_strand(asio::make_strand(io)), m_setup(std::move(setup)),
      m_serialGbk(toGbk(m_setup.serial)), m_services(services), m_version(m_setup.firmwareVersion),
      m_downTimer(m_strand), m_checkTimer(m_strand)
{
    setLocation(m_setup.address, m_setup.netmask, m_setup.gateway);
    if (m_setup.speaksOnvif()) {
        m_face = std::make_unique<onvif::OnvifFace>(io, *this, m_services.announcer);
    }
}

Camera::~Camera()
{
    if (m_encoder.joinable()) {
        m_encoder.join();
    }
    // Runs only once no thread serves the site any more. Closing here, not
    // only in shutdown(), frees the address and port at once when a site that
    // failed to start is thrown away.
    closeListener();
    if (m_searchSocket) {
        asio::error_code ignored;
        m_searchSocket->close(ignored);
    }
    m_services.addresses.release(m_addressValue, this);
}

void Camera::open(std::uint16_t searchPort)
{
    m_searchPort = searchPort;
    if (!isUsableCameraAddress(m_addressValue)) {
        // validateScenario refuses such a camera; never bind off loopback.
        throw std::system_error(std::make_error_code(std::errc::address_not_available),
                                "camera " + m_setup.serial + ": address " + m_address +
                                    " is not a loopback address");
    }
    if (!m_services.addresses.claim(m_addressValue, this)) {
        throw std::system_error(std::make_error_code(std::errc::address_in_use),
                                "camera " + m_setup.serial + ": address " + m_address +
                                    " belongs to another camera");
    }
    m_searchSocket = openSearchSocket(addressOf(m_addressValue));
    openListener();
    if (m_setup.speaksVexlo() && !m_acceptor) {
        throw std::system_error(std::make_error_code(std::errc::address_in_use),
                                "camera " + m_setup.serial + ": cannot listen on " + m_address +
                                    ":" + std::to_string(m_setup.port));
    }
    if (m_face) {
        try {
            m_face->open();
        } catch (const std::system_error& error) {
            closeListener();
            throw std::system_error(error.code(),
                                    "camera " + m_setup.serial + ": cannot serve ONVIF on " +
                                        m_address + " (ports " + std::to_string(m_setup.onvifPort) +
                                        ", " + std::to_string(m_setup.rtspPort) + ")");
        }
    }
    publish();
}

void Camera::shutdown()
{
    m_state = CameraState::Stopped;
    m_downTimer.cancel();
    m_checkTimer.cancel();
    closeSessions(CloseReason::Shutdown);
    closeListener();
    if (m_face) {
        m_face->shutdown();
    }
    if (m_searchSocket) {
        asio::error_code ignored;
        m_searchSocket->close(ignored);
    }
    publish();
}

bool Camera::matches(const protocol::ModifyIp& request) const
{
    if (request.serialNo != m_serialGbk) {
        return false;
    }
    const auto wanted = parseMac(request.macAddress);
    const auto own = parseMac(m_setup.mac);
    return wanted && own && *wanted == *own;
}

std::size_t Camera::rtspConnections() const
{
    return m_face ? m_face->rtspConnections() : 0;
}

CameraSnapshot Camera::snapshot() const
{
    std::lock_guard lock(m_snapshotMutex);
    return m_snapshot;
}

std::optional<onvif::DiscoveryEntry> Camera::discoveryEntry() const
{
    return m_face ? m_face->discoveryEntry() : std::nullopt;
}

void Camera::publish()
{
    CameraSnapshot snapshot;
    snapshot.state = m_state;
    snapshot.address = m_address;
    snapshot.netmask = m_netmask;
    snapshot.gateway = m_gateway;
    snapshot.version = m_version;
    snapshot.listening = m_acceptor != nullptr;
    snapshot.onvifListening = m_face && m_face->isOpen();
    snapshot.timeSet = m_timeSet;
    snapshot.sessions = static_cast<int>(m_sessions.size());
    std::lock_guard lock(m_snapshotMutex);
    m_snapshot = std::move(snapshot);
}

void Camera::setLocation(std::string address, std::string netmask, std::string gateway)
{
    m_address = std::move(address);
    m_addressValue = parseIpv4(m_address).value_or(0);
    m_netmask = std::move(netmask);
    m_gateway = std::move(gateway);
}

void Camera::log(std::string_view kind, std::uint32_t code, std::string body, std::string note,
                 std::string_view address)
{
    if (m_services.log == nullptr) {
        return;
    }
    RequestRecord record;
    record.serial = m_setup.serial;
    record.address = address.empty() ? m_address : std::string(address);
    record.kind = std::string(kind);
    record.code = code;
    record.body = std::move(body);
    record.note = std::move(note);
    m_services.log->append(std::move(record));
}

// --- listener -----------------------------------------------------------------

void Camera::openListener()
{
    closeListener();
    if (!m_setup.speaksVexlo() || !isUsableCameraAddress(m_addressValue)) {
        return; // no home protocol, or off loopback (a factory address): never bound
    }
    auto acceptor = std::make_shared<tcp::acceptor>(m_strand);
    asio::error_code error;
    const tcp::endpoint endpoint(addressOf(m_addressValue), m_setup.port);
    acceptor->open(endpoint.protocol(), error);
    if (!error) {
        acceptor->set_option(tcp::acceptor::reuse_address(true), error);
    }
    if (!error) {
        acceptor->bind(endpoint, error);
    }
    if (!error) {
        acceptor->listen(asio::socket_base::max_listen_connections, error);
    }
    if (error) {
        log("Listen", 0, {}, "cannot listen on " + m_address + ": " + error.message());
        return;
    }
    m_acceptor = acceptor;
    acceptNext(acceptor);
}

void Camera::closeListener()
{
    if (m_acceptor) {
        asio::error_code ignored;
        m_acceptor->close(ignored);
        m_acceptor.reset();
    }
}

void Camera::acceptNext(std::shared_ptr<tcp::acceptor> acceptor)
{
    acceptor->async_accept(m_strand, [this, acceptor](asio::error_code error, tcp::socket socket) {
        if (acceptor != m_acceptor) {
            return; // this listener was closed; a newer one may be running
        }
        if (!error && m_state == CameraState::Up) {
            auto session = std::make_shared<Session>(*this, std::move(socket));
            m_sessions.insert(session);
            session->start();
            publish();
        }
        if (error == asio::error::operation_aborted) {
            return;
        }
        acceptNext(acceptor);
    });
}

void Camera::forget(const Session* session)
{
    for (auto it = m_sessions.begin(); it != m_sessions.end(); ++it) {
        if (it->get() == session) {
            m_sessions.erase(it);
            publish();
            return;
        }
    }
}

void Camera::withStreamLoop(StreamLoopReady ready)
{
    if (m_streamLoop && m_streamLoop->address == m_address) {
        ready(m_streamLoop);
        return;
    }
    m_loopWaiters.push_back(std::move(ready));
    if (!m_encoding) {
        startEncoding();
    }
}

void Camera::startEncoding()
{
    m_encoding = true;
    if (m_encoder.joinable()) {
        m_encoder.join(); // it has posted its result already
    }
    m_encoder = std::thread([this, serial = m_setup.serial, address = m_address] {
        std::shared_ptr<const StreamLoop> loop;
        try {
            loop = encodeStreamLoop(serial, address);
        } catch (const EncoderError& error) {
            std::cerr << "camera " << serial << ": no live stream: " << error.what() << "\n";
        }
        // Runs only while the site's threads run; the destructor joins this
        // thread, so the camera outlives the post.
        asio::post(m_strand, [this, loop] { onLoopEncoded(loop); });
    });
}

void Camera::onLoopEncoded(std::shared_ptr<const StreamLoop> loop)
{
    m_encoding = false;
    if (loop && loop->address != m_address && m_state != CameraState::Stopped) {
        startEncoding(); // moved while it was drawn: the picture would show the old address
        return;
    }
    if (loop) {
        m_streamLoop = loop;
    }
    auto waiters = std::move(m_loopWaiters);
    m_loopWaiters.clear();
    for (auto& ready : waiters) {
        ready(loop);
    }
}

void Camera::closeSessions(CloseReason reason)
{
    // closeFor may finish a session at once, which erases it from the set.
    const auto sessions = m_sessions;
    for (const auto& session : sessions) {
        session->closeFor(reason);
    }
}

// --- search channel -------------------------------------------------------------

std::shared_ptr<udp::socket> Camera::openSearchSocket(const asio::ip::address_v4& address)
{
    auto socket = std::make_shared<udp::socket>(m_strand);
    socket->open(udp::v4());
    // At 127.0.0.1 the site's search endpoint has the port already.
    asio::error_code error;
    if (m_searchPort != 0 && address != asio::ip::address_v4::loopback()) {
        socket->bind(udp::endpoint(address, m_searchPort), error);
    }
    if (m_searchPort == 0 || address == asio::ip::address_v4::loopback() || error) {
        // Still answers through the site's endpoint, only not to a probe sent
        // to its own address.
        socket->bind(udp::endpoint(address, 0));
    }
    receiveDirect(socket);
    return socket;
}

void Camera::receiveDirect(const std::shared_ptr<udp::socket>& socket)
{
    struct Inbox
    {
        std::array<std::uint8_t, 2048> buffer{};
        udp::endpoint sender;
    };
    auto inbox = std::make_shared<Inbox>();
    // The receive keeps no socket alive: one replaced by a move or a restore
    // closes once its last answer has left, as before.
    std::weak_ptr<udp::socket> weak = socket;
    socket->async_receive_from(
        asio::buffer(inbox->buffer), inbox->sender,
        [this, weak, inbox](asio::error_code error, std::size_t size) {
            const auto alive = weak.lock();
            if (!alive || !alive->is_open() || error == asio::error::operation_aborted) {
                return;
            }
            const udp::endpoint& sender = inbox->sender;
            if (!error && sender.address().is_v4() &&
                isLoopback(sender.address().to_v4().to_uint()) &&
                size <= protocol::kMaxDatagramSize) {
                const auto datagram = protocol::decodeDatagram(
                    std::span<const std::uint8_t>(inbox->buffer.data(), size));
                if (datagram) {
                    if (const auto* probe = std::get_if<protocol::SearchProbe>(&*datagram)) {
                        answerProbe(probe->searchId, sender, true);
                    }
                }
            }
            receiveDirect(alive);
        });
}

void Camera::sendDatagram(std::vector<std::uint8_t> datagram, const udp::endpoint& to)
{
    // Answers go only back to the loopback client that asked.
    if (!m_searchSocket || !to.address().is_v4() || !isLoopback(to.address().to_v4().to_uint())) {
        return;
    }
    auto bytes = std::make_shared<std::vector<std::uint8_t>>(std::move(datagram));
    auto socket = m_searchSocket;
    socket->async_send_to(asio::buffer(*bytes), to,
                          [bytes, socket](asio::error_code, std::size_t) {});
}

void Camera::answerProbe(std::uint32_t searchId, udp::endpoint client, bool direct)
{
    if (m_state != CameraState::Up || !m_setup.speaksVexlo() ||
        (!direct && m_setup.faults.ignoreBroadcast)) {
        return;
    }
    log(request_kind::kSearch, 0, {},
        "search " + std::to_string(searchId) + (direct ? " sent to its own address" : ""));
    _IPCINFO info;
    fillSearchRecord(m_setup, CameraLocation{m_address, m_netmask, m_gateway}, info);
    protocol::SearchReply reply;
    reply.searchId = searchId;
    reply.record = protocol::SearchRecord::fromIpcInfo(info);
    sendDatagram(reply.encode(), client);
}

void Camera::modifyIp(const protocol::ModifyIp& request, udp::endpoint client)
{
    if (m_state != CameraState::Up || !m_setup.speaksVexlo()) {
        return;
    }
    ModifyIpStatus status = ModifyIpStatus::Refused;
    std::string note;
    auto replySocket = m_searchSocket;
    if (m_lastModify && m_lastModify->first == request.requestId) {
        status = m_lastModify->second;
        note = "repeated request, answered again";
    } else if (m_setup.faults.modifyIpRefused) {
        note = "refused by scenario";
    } else {
        status = moveTo(request.ipAddress, request.netmask, request.gateway, replySocket);
        note = status == ModifyIpStatus::Accepted ? "moved to " + request.ipAddress
                                                  : "refused: unusable or taken address";
    }
    m_lastModify = std::make_pair(request.requestId, status);
    log(request_kind::kModifyIp, 0, request.ipAddress,
        note + " (netmask " + request.netmask + ", gateway " + request.gateway + ")");

    protocol::ModifyIpReply reply;
    reply.requestId = request.requestId;
    reply.status = status;
    reply.serialNo = m_serialGbk;
    // The answer leaves from the old address, as a real camera answers before
    // it takes its new one.
    publish();
    auto newSocket = m_searchSocket;
    m_searchSocket = replySocket;
    sendDatagram(reply.encode(), client);
    m_searchSocket = newSocket;
}

ModifyIpStatus Camera::relocate(const std::string& address, const std::string& netmask,
                                const std::string& gateway)
{
    std::shared_ptr<udp::socket> oldSocket;
    const ModifyIpStatus status = moveTo(address, netmask, gateway, oldSocket);
    if (oldSocket) {
        asio::error_code ignored;
        oldSocket->close(ignored);
    }
    publish();
    return status;
}

void Camera::setGateway(std::string gateway)
{
    m_gateway = std::move(gateway);
    publish();
}

ModifyIpStatus Camera::moveTo(const std::string& newAddress, const std::string& netmask,
                              const std::string& gateway, std::shared_ptr<udp::socket>& oldSocket)
{
    const auto address = parseIpv4(newAddress);
    if (!address || !isUsableCameraAddress(*address) || !parseIpv4(netmask) ||
        !parseIpv4(gateway)) {
        return ModifyIpStatus::BadAddress;
    }
    if (*address == m_addressValue) {
        m_netmask = netmask;
        m_gateway = gateway;
        return ModifyIpStatus::Accepted;
    }
    if (!m_services.addresses.claim(*address, this)) {
        return ModifyIpStatus::BadAddress;
    }
    std::shared_ptr<udp::socket> newSocket;
    try {
        newSocket = openSearchSocket(addressOf(*address));
    } catch (const std::system_error&) {
        m_services.addresses.release(*address, this);
        return ModifyIpStatus::BadAddress;
    }
    const std::uint32_t previous = m_addressValue;
    closeSessions(CloseReason::Normal);
    if (m_face) {
        m_face->close(); // Bye from the old address
    }
    oldSocket = m_searchSocket;
    m_searchSocket = newSocket;
    setLocation(newAddress, netmask, gateway);
    m_services.addresses.release(previous, this);
    openListener();
    if (m_setup.speaksVexlo() && !m_acceptor) {
        log("Listen", 0, {}, "no listener at the new address");
    }
    openFace();
    return ModifyIpStatus::Accepted;
}

void Camera::openFace()
{
    if (!m_face) {
        return;
    }
    if (!isUsableCameraAddress(m_addressValue)) {
        // Off loopback nothing is ever bound; discovery still finds the
        // camera from the loopback address its search socket kept.
        asio::error_code error;
        const auto from = m_searchSocket ? m_searchSocket->local_endpoint(error) : udp::endpoint();
        if (m_searchSocket && !error) {
            m_face->announceFrom(from.address().to_string());
        }
        return;
    }
    try {
        m_face->open();
    } catch (const std::system_error& error) {
        log("Listen", 0, {}, "no ONVIF service at " + m_address + ": " + error.what());
    }
}

// --- life cycle ----------------------------------------------------------------

bool Camera::takeSessionDrop()
{
    if (m_sessionDropUsed) {
        return false;
    }
    m_sessionDropUsed = true;
    return true;
}

void Camera::recordTime(std::string time)
{
    m_timeSet = std::move(time);
    publish();
}

bool Camera::claimUpload()
{
    if (m_uploadBusy || m_state != CameraState::Up) {
        return false;
    }
    m_uploadBusy = true;
    return true;
}

void Camera::releaseUpload()
{
    m_uploadBusy = false;
}

void Camera::checkFirmware(FirmwareVerdict verdict, FirmwareAnswer answer)
{
    const CameraFaults& faults = m_setup.faults;
    const double seconds = m_setup.firmwareCheckSeconds + faults.answerDelay(kCodeFirmwareVerdict);
    m_checkTimer.expires_after(scaledSeconds(seconds));
    m_checkTimer.async_wait([this, verdict = std::move(verdict),
                             answer = std::move(answer)](asio::error_code error) {
        m_uploadBusy = false;
        if (error || m_state != CameraState::Up) {
            return;
        }
        const CameraFaults& cameraFaults = m_setup.faults;
        if (cameraFaults.ignores(kCodeFirmwareVerdict)) {
            log(request_kind::kUpgrade, 0, {}, "verdict withheld by scenario");
            if (answer) {
                answer(std::nullopt);
            }
            return;
        }
        const bool accepted = verdict.accepted && !cameraFaults.firmwareRefused &&
                              !cameraFaults.refuses(kCodeFirmwareVerdict);
        const std::string why = verdict.accepted ? "refused by scenario" : verdict.reason;
        log(request_kind::kUpgrade, kCodeFirmwareVerdict, {},
            accepted ? "firmware " + verdict.version + " accepted" : "firmware refused: " + why);
        if (answer) {
            answer(accepted);
        }
        if (accepted) {
            m_installedVersion = verdict.version;
            goDown(CloseReason::Reboot);
        }
    });
}

void Camera::goDown(CloseReason reason)
{
    if (m_state != CameraState::Up) {
        return;
    }
    const bool restore = reason == CloseReason::FactoryRestore;
    closeSessions(reason);
    closeListener();
    if (m_face) {
        m_face->close();
    }
    m_checkTimer.cancel();
    if (m_setup.faults.neverBackAfterReboot) {
        m_state = CameraState::Gone;
        publish();
        return;
    }
    m_state = CameraState::Down;
    publish();
    m_downTimer.expires_after(scaledSeconds(m_setup.rebootSeconds));
    m_downTimer.async_wait([this, restore](asio::error_code error) {
        if (!error && m_state == CameraState::Down) {
            comeBack(restore);
        }
    });
}

void Camera::comeBack(bool restored)
{
    if (m_installedVersion) {
        m_version = *m_installedVersion;
        m_installedVersion.reset();
    }
    if (restored) {
        m_config.clear();
        const std::uint32_t factory = parseIpv4(m_setup.factoryAddress).value_or(0);
        auto [netmask, gateway] = factoryNetwork(factory);
        if (factory != m_addressValue) {
            // A loopback factory address is this camera's only if no other
            // camera took it meanwhile; otherwise the camera stays unreachable.
            const bool mine = !isLoopback(factory) || m_services.addresses.claim(factory, this);
            if (mine) {
                m_services.addresses.release(m_addressValue, this);
                if (isUsableCameraAddress(factory)) {
                    try {
                        m_searchSocket = openSearchSocket(addressOf(factory));
                    } catch (const std::system_error&) {
                        // keep answering searches from the old socket
                    }
                }
                setLocation(m_setup.factoryAddress, netmask, gateway);
            }
        }
    }
    if (restored && m_face) {
        m_face->factoryReset(true);
    }
    m_state = CameraState::Up;
    openListener();
    openFace();
    publish();
}

void Camera::factoryDefault(bool hard)
{
    if (hard) {
        goDown(CloseReason::FactoryRestore);
        return;
    }
    m_config.clear();
    if (m_face) {
        m_face->factoryReset(false);
    }
    goDown(CloseReason::Reboot);
}

} // namespace vexlo::ipcsim

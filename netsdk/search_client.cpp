#include "netsdk/search_client.h"

#include "platform/receive_buffer.h"
#include "platform/tick.h"
#include "protocol/wire.h"

#include <net/if.h>
#include <random>
#include <sys/socket.h>

namespace vexlo::netsdk {

namespace {

namespace proto = vexlo::protocol;

// While a search runs the probe goes out again at this period: datagrams get
// lost, and cameras back from a reboot must be found again.
constexpr std::uint32_t kProbeRepeatMs = 1000;
// A modify-IP request goes out once more after this long without an answer.
constexpr std::uint32_t kModifyResendMs = 500;

std::uint32_t randomStart()
{
    std::random_device device;
    return device();
}

} // namespace

SearchClient::SearchClient(asio::io_context& io, const NetSdkOptions& options)
    : m_options(options), m_guard(options.loopbackOnly), m_strand(asio::make_strand(io)),
      m_socket(m_strand), m_probeTimer(m_strand), m_scanTimer(m_strand), m_searchId(randomStart()),
      m_requestId(randomStart())
{
}

bool SearchClient::open()
{
    std::lock_guard lock(m_mutex);
    if (m_open)
        return true;
    if (!m_guard.allows(m_options.searchAddress))
        return false;
    asio::error_code error;
    const auto address = asio::ip::make_address_v4(m_options.searchAddress, error);
    if (error)
        return false;
    m_endpoint = asio::ip::udp::endpoint(address, m_options.searchPort);

    m_socket.open(asio::ip::udp::v4(), error);
    if (error)
        return false;
    requestReceiveBuffer(m_socket.native_handle(), proto::kSearchReceiveBufferBytes,
                         "vexlo search");
    if (m_options.loopbackOnly) {
        // Bound to loopback, the socket cannot reach any other network.
        m_socket.bind(asio::ip::udp::endpoint(asio::ip::address_v4::loopback(), 0), error);
    } else {
        m_socket.set_option(asio::socket_base::broadcast(true), error);
        if (!error && !m_options.lanInterface.empty()) {
            const std::string& name = m_options.lanInterface;
            if (::setsockopt(m_socket.native_handle(), SOL_SOCKET, SO_BINDTODEVICE, name.c_str(),
                             static_cast<socklen_t>(name.size())) != 0)
                error = asio::error::invalid_argument;
        }
        if (!error)
            m_socket.bind(asio::ip::udp::endpoint(asio::ip::address_v4::any(), 0), error);
    }
    if (error) {
        asio::error_code ignored;
        m_socket.close(ignored);
        return false;
    }
    m_open = true;
    asio::post(m_strand, [self = shared_from_this()] { self->receiveNext(); });
    return true;
}

void SearchClient::shutdown()
{
    {
        std::lock_guard lock(m_mutex);
        m_open = false;
        m_running = false;
        m_pendingModify.clear();
    }
    m_modifyAnswered.notify_all();
    asio::post(m_strand, [self = shared_from_this()] {
        asio::error_code ignored;
        self->m_probeTimer.cancel();
        self->m_scanTimer.cancel();
        self->m_socket.close(ignored);
    });
}

bool SearchClient::start()
{
    std::uint32_t searchId = 0;
    {
        std::lock_guard lock(m_mutex);
        if (!m_open)
            return false;
        m_results.clear();
        if (++m_searchId == 0)
            ++m_searchId;
        searchId = m_searchId;
        m_running = true;
    }
    sendDatagram(proto::SearchProbe{searchId}.encode());
    asio::post(m_strand, [self = shared_from_this(), searchId] { self->armProbeTimer(searchId); });
    // Ranges the guard refuses are not scanned at all (the front ends refuse
    // them before they get here).
    if (m_options.scanTargets && m_guard.scanProblem(m_options.scanTargets->ranges()).empty()) {
        auto schedule = std::make_shared<ScanSchedule>(m_options.scanTargets->addresses(), 1);
        if (!schedule->empty())
            asio::post(m_strand, [self = shared_from_this(), searchId, schedule] {
                self->sendScanBurst(searchId, schedule);
            });
    }
    return true;
}

void SearchClient::sendScanBurst(std::uint32_t searchId, std::shared_ptr<ScanSchedule> schedule)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_running || m_searchId != searchId)
            return;
    }
    if (!m_socket.is_open())
        return;
    auto probe = std::make_shared<std::vector<std::uint8_t>>(proto::SearchProbe{searchId}.encode());
    for (const std::uint32_t address : schedule->nextBurst()) {
        if (!m_guard.allows(formatIpv4Address(address)))
            continue;
        const asio::ip::udp::endpoint to(asio::ip::address_v4(address), m_options.searchPort);
        m_socket.async_send_to(asio::buffer(*probe), to,
                               [probe](const asio::error_code&, std::size_t) {
                                   // The next pass asks again.
                               });
    }
    m_scanTimer.expires_after(schedule->pauseAfterBurst());
    m_scanTimer.async_wait(
        [self = shared_from_this(), searchId, schedule](const asio::error_code& e) {
            if (!e)
                self->sendScanBurst(searchId, schedule);
        });
}

void SearchClient::armProbeTimer(std::uint32_t searchId)
{
    m_probeTimer.expires_after(scaledDuration(kProbeRepeatMs));
    m_probeTimer.async_wait([self = shared_from_this(), searchId](const asio::error_code& e) {
        if (e)
            return;
        {
            std::lock_guard lock(self->m_mutex);
            if (!self->m_running || self->m_searchId != searchId)
                return;
        }
        self->sendDatagram(proto::SearchProbe{searchId}.encode());
        self->armProbeTimer(searchId);
    });
}

void SearchClient::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_running = false;
    }
    asio::post(m_strand, [self = shared_from_this()] {
        self->m_probeTimer.cancel();
        self->m_scanTimer.cancel();
    });
}

int SearchClient::count() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_results.size());
}

std::optional<proto::SearchRecord> SearchClient::result(int index) const
{
    std::lock_guard lock(m_mutex);
    if (index < 0 || static_cast<std::size_t>(index) >= m_results.size())
        return std::nullopt;
    return m_results[static_cast<std::size_t>(index)];
}

void SearchClient::sendDatagram(std::vector<std::uint8_t> datagram)
{
    auto bytes = std::make_shared<std::vector<std::uint8_t>>(std::move(datagram));
    asio::post(m_strand, [self = shared_from_this(), bytes] {
        if (!self->m_socket.is_open())
            return;
        self->m_socket.async_send_to(asio::buffer(*bytes), self->m_endpoint,
                                     [bytes](const asio::error_code&, std::size_t) {
                                         // A lost datagram is repeated by the next probe
                                         // or the modify-IP resend.
                                     });
    });
}

void SearchClient::receiveNext()
{
    if (!m_socket.is_open())
        return;
    m_socket.async_receive_from(
        asio::buffer(m_receiveBuffer), m_sender,
        [self = shared_from_this()](const asio::error_code& e, std::size_t bytes) {
            if (e == asio::error::operation_aborted || !self->m_socket.is_open())
                return;
            if (!e)
                self->onDatagram(
                    std::span<const std::uint8_t>(self->m_receiveBuffer.data(), bytes));
            self->receiveNext();
        });
}

void SearchClient::onDatagram(std::span<const std::uint8_t> bytes)
{
    const auto datagram = proto::decodeDatagram(bytes);
    if (!datagram)
        return; // garbage is dropped, never answered
    if (const auto* reply = std::get_if<proto::SearchReply>(&*datagram)) {
        std::lock_guard lock(m_mutex);
        if (!m_running || reply->searchId != m_searchId)
            return; // late answer to an earlier search, or after the stop
        for (const auto& known : m_results) {
            if (known.serialNo == reply->record.serialNo &&
                known.ipAddress == reply->record.ipAddress)
                return;
        }
        m_results.push_back(reply->record);
    } else if (const auto* answer = std::get_if<proto::ModifyIpReply>(&*datagram)) {
        {
            std::lock_guard lock(m_mutex);
            const auto found = m_pendingModify.find(answer->requestId);
            if (found == m_pendingModify.end() || found->second.serialNo != answer->serialNo)
                return;
            found->second.status = answer->status;
        }
        m_modifyAnswered.notify_all();
    }
}

bool SearchClient::modifyAddress(const std::string& serialNo, const std::string& macAddress,
                                 const std::string& ipAddress, const std::string& netmask,
                                 const std::string& gateway)
{
    // A camera told to move outside the allowed range could no longer be
    // reached, and an address that is not one is refused by the camera anyway.
    if (!m_guard.allows(ipAddress) || serialNo.empty())
        return false;
    proto::ModifyIp request;
    request.serialNo = serialNo;
    request.macAddress = macAddress;
    request.ipAddress = ipAddress;
    request.netmask = netmask;
    request.gateway = gateway;

    std::unique_lock lock(m_mutex);
    if (!m_open)
        return false;
    if (++m_requestId == 0)
        ++m_requestId;
    request.requestId = m_requestId;
    // The reply carries the serial cut as it went on the wire.
    m_pendingModify[request.requestId] =
        PendingModify{serialNo.substr(0, proto::kMaxSerialSize), std::nullopt};
    const auto datagram = request.encode();
    lock.unlock();

    const auto start = std::chrono::steady_clock::now();
    const auto resendAt = start + scaledDuration(kModifyResendMs);
    const auto giveUpAt = start + scaledDuration(proto::kModifyIpTimeoutMs);
    sendDatagram(datagram);
    bool resent = false;

    lock.lock();
    std::optional<proto::ModifyIpStatus> status;
    for (;;) {
        const auto found = m_pendingModify.find(request.requestId);
        if (found == m_pendingModify.end())
            break; // shut down
        if (found->second.status) {
            status = found->second.status;
            break;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= giveUpAt)
            break;
        if (!resent && now >= resendAt) {
            resent = true;
            lock.unlock();
            sendDatagram(datagram);
            lock.lock();
            continue;
        }
        m_modifyAnswered.wait_until(lock, resent ? giveUpAt : resendAt);
    }
    m_pendingModify.erase(request.requestId);
    return status == proto::ModifyIpStatus::Accepted;
}

} // namespace vexlo::netsdk

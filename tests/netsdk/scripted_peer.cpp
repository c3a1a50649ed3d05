#include "scripted_peer.h"

#include "protocol/login_proof.h"

#include <sys/socket.h>
#include <sys/time.h>

namespace vexlo::netsdk::test {

namespace proto = vexlo::protocol;

void setReceiveTimeout(int nativeHandle, std::chrono::milliseconds timeout)
{
    timeval value{};
    value.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    value.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    ::setsockopt(nativeHandle, SOL_SOCKET, SO_RCVTIMEO, &value, sizeof value);
}

std::optional<proto::Frame> ScriptedCamera::Link::readFrame()
{
    std::array<std::uint8_t, 4096> buffer{};
    for (;;) {
        if (auto frame = reader.next())
            return frame;
        if (reader.failed())
            return std::nullopt;
        asio::error_code error;
        const std::size_t got = socket.read_some(asio::buffer(buffer), error);
        if (error)
            return std::nullopt;
        reader.feed(std::span<const std::uint8_t>(buffer.data(), got));
    }
}

std::optional<proto::Message> ScriptedCamera::Link::readMessage()
{
    auto frame = readFrame();
    if (!frame)
        return std::nullopt;
    return proto::decodeMessage(*frame);
}

void ScriptedCamera::Link::send(const proto::Message& message)
{
    sendRaw(proto::encodeMessage(message, ++sequence));
}

void ScriptedCamera::Link::sendRaw(const std::vector<std::uint8_t>& bytes)
{
    asio::error_code ignored;
    asio::write(socket, asio::buffer(bytes), ignored);
}

bool ScriptedCamera::Link::acceptLogin(const std::string& password)
{
    const auto hello = readMessage();
    if (!hello || !std::holds_alternative<proto::Hello>(*hello))
        return false;
    const std::string userName = std::get<proto::Hello>(*hello).userName;
    const auto nonce = proto::makeNonce();
    if (!nonce)
        return false;
    send(proto::Challenge{1, *nonce});
    const auto proof = readMessage();
    if (!proof || !std::holds_alternative<proto::LoginProof>(*proof))
        return false;
    const bool matches = proto::loginProofMatches(std::get<proto::LoginProof>(*proof).proof,
                                                  password, *nonce, userName);
    send(proto::LoginResult{matches ? proto::LoginStatus::Accepted : proto::LoginStatus::Refused});
    return matches;
}

ScriptedCamera::ScriptedCamera(Script script) : m_acceptor(m_io)
{
    const asio::ip::tcp::endpoint endpoint(asio::ip::address_v4::loopback(), 0);
    m_acceptor.open(endpoint.protocol());
    m_acceptor.bind(endpoint);
    m_acceptor.listen();
    m_port = m_acceptor.local_endpoint().port();
    setReceiveTimeout(m_acceptor.native_handle(), std::chrono::seconds(10));
    m_thread = std::thread([this, script = std::move(script)] {
        asio::ip::tcp::socket socket(m_io);
        asio::error_code error;
        m_acceptor.accept(socket, error);
        if (error)
            return;
        setReceiveTimeout(socket.native_handle(), std::chrono::seconds(10));
        Link link{socket, {}, 0};
        script(link);
    });
}

ScriptedCamera::~ScriptedCamera()
{
    join();
}

void ScriptedCamera::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

ScriptedSearchEndpoint::ScriptedSearchEndpoint() : m_socket(m_io)
{
    const asio::ip::udp::endpoint endpoint(asio::ip::address_v4::loopback(), 0);
    m_socket.open(endpoint.protocol());
    m_socket.bind(endpoint);
    m_port = m_socket.local_endpoint().port();
    setReceiveTimeout(m_socket.native_handle(), std::chrono::seconds(5));
}

std::optional<std::pair<std::vector<std::uint8_t>, asio::ip::udp::endpoint>>
ScriptedSearchEndpoint::receive()
{
    std::vector<std::uint8_t> buffer(2048);
    asio::ip::udp::endpoint sender;
    asio::error_code error;
    const std::size_t got = m_socket.receive_from(asio::buffer(buffer), sender, 0, error);
    if (error)
        return std::nullopt;
    buffer.resize(got);
    return std::make_pair(std::move(buffer), sender);
}

void ScriptedSearchEndpoint::sendFrom(const std::string& sourceAddress,
                                      const std::vector<std::uint8_t>& datagram,
                                      const asio::ip::udp::endpoint& client)
{
    asio::ip::udp::socket socket(m_io);
    socket.open(asio::ip::udp::v4());
    socket.bind(asio::ip::udp::endpoint(asio::ip::make_address_v4(sourceAddress), 0));
    socket.send_to(asio::buffer(datagram), client);
}

} // namespace vexlo::netsdk::test

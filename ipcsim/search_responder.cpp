#include "ipcsim/search_responder.h"

#include "ipcsim/address.h"
#include "ipcsim/camera.h"
#include "platform/receive_buffer.h"
#include "protocol/search_datagrams.h"
#include "protocol/wire.h"

namespace vexlo::ipcsim {

using asio::ip::udp;

SearchResponder::SearchResponder(asio::io_context& io, std::vector<Camera*> cameras)
    : m_strand(asio::make_strand(io)), m_socket(m_strand), m_cameras(std::move(cameras))
{
}

void SearchResponder::open(std::uint16_t port)
{
    const udp::endpoint endpoint(asio::ip::address_v4::loopback(), port);
    m_socket.open(endpoint.protocol());
    requestReceiveBuffer(m_socket.native_handle(), protocol::kSearchReceiveBufferBytes,
                         "vexlo-ipcsim search");
    m_socket.bind(endpoint);
    m_port = m_socket.local_endpoint().port();
    receiveNext();
}

void SearchResponder::close()
{
    asio::post(m_strand, [this] {
        asio::error_code ignored;
        m_socket.close(ignored);
    });
}

void SearchResponder::receiveNext()
{
    m_socket.async_receive_from(
        asio::buffer(m_buffer), m_sender, [this](asio::error_code error, std::size_t size) {
            if (error == asio::error::operation_aborted || error == asio::error::bad_descriptor ||
                !m_socket.is_open()) {
                return;
            }
            if (!error) {
                dispatch(size);
            }
            receiveNext();
        });
}

void SearchResponder::dispatch(std::size_t size)
{
    // Only loopback clients are answered, and only whole, sound datagrams.
    if (!m_sender.address().is_v4() || !isLoopback(m_sender.address().to_v4().to_uint()) ||
        size > protocol::kMaxDatagramSize) {
        return;
    }
    const auto datagram =
        protocol::decodeDatagram(std::span<const std::uint8_t>(m_buffer.data(), size));
    if (!datagram) {
        return;
    }
    const udp::endpoint client = m_sender;
    if (const auto* probe = std::get_if<protocol::SearchProbe>(&*datagram)) {
        for (Camera* camera : m_cameras) {
            asio::post(camera->strand(),
                       [camera, id = probe->searchId, client] { camera->answerProbe(id, client); });
        }
    } else if (const auto* modify = std::get_if<protocol::ModifyIp>(&*datagram)) {
        for (Camera* camera : m_cameras) {
            if (camera->matches(*modify)) {
                asio::post(camera->strand(), [camera, request = *modify, client] {
                    camera->modifyIp(request, client);
                });
            }
        }
    }
}

} // namespace vexlo::ipcsim

#pragma once

#include "ipcsim/onvif/http_message.h"

#include <cstdint>
#include <memory>

// How a service answers one request: now, later from any thread (a camera
// that answers late), or never. Copies share one answer. When the last copy
// is dropped unanswered, the connection closes after the answers before it,
// as a camera that gives up on a request would.
namespace vexlo::ipcsim::onvif {

class HttpConnection;

class HttpResponder
{
public:
    // Sends the response for its request. Any thread; the first call counts,
    // later ones do nothing. Answers go out in request order, so this one may
    // wait for an earlier request's answer. When the connection has closed
    // meanwhile, the response is dropped quietly.
    void send(HttpResponse response) const;
    void operator()(HttpResponse response) const { send(std::move(response)); }
    bool answered() const;

private:
    friend class HttpConnection;
    struct State;

    explicit HttpResponder(std::shared_ptr<State> state);
    // For the connection: a responder for its request number `slot`. The
    // responder keeps the connection alive until it answers or is dropped.
    static HttpResponder create(std::shared_ptr<HttpConnection> connection, std::uint64_t slot);

    std::shared_ptr<State> m_state;
};

} // namespace vexlo::ipcsim::onvif

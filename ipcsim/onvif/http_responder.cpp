#include "ipcsim/onvif/http_responder.h"

#include "ipcsim/onvif/http_connection.h"

#include <atomic>

namespace vexlo::ipcsim::onvif {

struct HttpResponder::State
{
    State(std::shared_ptr<HttpConnection> c, std::uint64_t s) : connection(std::move(c)), slot(s) {}
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State()
    {
        if (!answered.exchange(true)) {
            connection->answer(slot, std::nullopt);
        }
    }

    const std::shared_ptr<HttpConnection> connection;
    const std::uint64_t slot;
    std::atomic<bool> answered{false};
};

HttpResponder::HttpResponder(std::shared_ptr<State> state) : m_state(std::move(state))
{
}

HttpResponder HttpResponder::create(std::shared_ptr<HttpConnection> connection, std::uint64_t slot)
{
    return HttpResponder(std::make_shared<State>(std::move(connection), slot));
}

void HttpResponder::send(HttpResponse response) const
{
    if (m_state && !m_state->answered.exchange(true)) {
        m_state->connection->answer(m_state->slot, std::move(response));
    }
}

bool HttpResponder::answered() const
{
    return !m_state || m_state->answered.load();
}

} // namespace vexlo::ipcsim::onvif

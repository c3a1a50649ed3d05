#include "http_test_client.h"
#include "tests/support/wait.h"

#include "ipcsim/onvif/http_server.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace vexlo::ipcsim::onvif;
using vexlo::ipcsim::onvif::test::get;
using vexlo::ipcsim::onvif::test::post;
using vexlo::ipcsim::onvif::test::TestClient;

namespace {

// The requests a handler received, with their responders, for a test to answer.
class Inbox
{
public:
    void put(const HttpRequest& request, HttpResponder responder)
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(request);
        m_responders.push_back(std::move(responder));
        m_changed.notify_all();
    }
    // Waits (with the test deadline) until `count` requests have come.
    bool waitFor(std::size_t count)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, vexlo::test::kDeadline,
                                  [&] { return m_requests.size() >= count; });
    }
    HttpRequest request(std::size_t i)
    {
        std::lock_guard lock(m_mutex);
        return m_requests.at(i);
    }
    HttpResponder responder(std::size_t i)
    {
        std::lock_guard lock(m_mutex);
        return m_responders.at(i);
    }
    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_responders.clear();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<HttpRequest> m_requests;
    std::vector<HttpResponder> m_responders;
};

// Answers with what it saw: method, path, body and the addresses.
void echo(const HttpRequest& request, HttpResponder responder)
{
    responder(HttpResponse::make(200, request.method + " " + std::string(request.path()) + " " +
                                          request.body + " from " + request.peerAddress + " at " +
                                          request.localAddress));
}

// Two threads on one I/O context, as the simulated site runs its cameras.
class HttpServerTest : public ::testing::Test
{
protected:
    HttpServerTest() : m_work(asio::make_work_guard(m_io))
    {
        for (int i = 0; i < 2; ++i) {
            m_threads.emplace_back([this] { m_io.run(); });
        }
    }
    ~HttpServerTest() override
    {
        m_inbox.clear();
        m_servers.clear();
        m_io.stop();
        for (auto& thread : m_threads) {
            thread.join();
        }
    }

    HttpServer& start(HttpServer::Handler handler, HttpServerOptions options = {},
                      const std::string& address = "127.0.0.1")
    {
        m_servers.push_back(std::make_unique<HttpServer>(m_io, std::move(handler), options));
        m_servers.back()->open(address, 0);
        return *m_servers.back();
    }
    HttpServer::Handler keep()
    {
        return [this](const HttpRequest& request, HttpResponder responder) {
            m_inbox.put(request, std::move(responder));
        };
    }
    // Waits with the deadline until the server counts `count` connections.
    static bool waitForConnections(const HttpServer& server, std::size_t count)
    {
        return vexlo::test::waitUntil([&] { return server.connectionCount() == count; });
    }

    asio::io_context m_io;
    asio::executor_work_guard<asio::io_context::executor_type> m_work;
    std::vector<std::thread> m_threads;
    Inbox m_inbox;
    std::vector<std::unique_ptr<HttpServer>> m_servers;
};

} // namespace

TEST_F(HttpServerTest, KeepsTheConnectionForSeveralRequestsAndNamesThePeer)
{
    HttpServer& server = start(echo);
    TestClient client(server.endpoint());
    ASSERT_TRUE(client.connected());
    for (int i = 0; i < 3; ++i) {
        const std::string body = "request " + std::to_string(i);
        ASSERT_TRUE(client.send(post("/onvif/device_service?q=1", body)));
        const auto response = client.readResponse();
        ASSERT_TRUE(response) << i;
        EXPECT_EQ(response->status, 200);
        EXPECT_EQ(response->body,
                  "POST /onvif/device_service " + body + " from 127.0.0.1 at 127.0.0.1");
        EXPECT_EQ(*response->headers.find("Connection"), "keep-alive");
    }
    EXPECT_EQ(server.connectionCount(), 1u);
}

TEST_F(HttpServerTest, PipelinedAnswersKeepRequestOrderWhenGivenOutOfOrder)
{
    HttpServer& server = start(keep());
    TestClient client(server.endpoint());
    ASSERT_TRUE(client.send(get("/first") + post("/second", "two") + get("/third")));
    ASSERT_TRUE(m_inbox.waitFor(3));
    EXPECT_EQ(m_inbox.request(1).body, "two");
    // Answered last first, and from threads that are not the connection's.
    std::thread([&] { m_inbox.responder(2)(HttpResponse::make(200, "3")); }).join();
    m_inbox.responder(1)(HttpResponse::make(202, "2"));
    m_inbox.responder(1)(HttpResponse::make(500, "a second answer is ignored"));
    std::thread([&] { m_inbox.responder(0)(HttpResponse::make(200, "1")); }).join();
    for (const std::string expected : {"1", "2", "3"}) {
        const auto response = client.readResponse();
        ASSERT_TRUE(response) << expected;
        EXPECT_EQ(response->body, expected);
    }
    // Nothing else came: a fresh request gets the next answer.
    ASSERT_TRUE(client.send(get("/fourth")));
    ASSERT_TRUE(m_inbox.waitFor(4));
    m_inbox.responder(3)(HttpResponse::make(200, "4"));
    const auto fourth = client.readResponse();
    ASSERT_TRUE(fourth);
    EXPECT_EQ(fourth->body, "4");
}

TEST_F(HttpServerTest, AnswersLaterFromATimerAfterTheIdleTimeHasPassed)
{
    HttpServerOptions options;
    options.idleTimeoutMs = 50;
    // A camera that answers late: three idle times later, on a timer of its own.
    HttpServer& server = start(
        [this](const HttpRequest& request, HttpResponder responder) {
            auto timer = std::make_shared<asio::steady_timer>(m_io, std::chrono::milliseconds(150));
            timer->async_wait([timer, responder, body = request.body](asio::error_code) {
                responder(HttpResponse::make(200, "late " + body));
            });
        },
        options);
    TestClient client(server.endpoint());
    ASSERT_TRUE(client.send(post("/slow", "x")));
    const auto response = client.readResponse();
    ASSERT_TRUE(response);
    EXPECT_EQ(response->body, "late x");
    // Then, with nothing to do, the connection is closed after its idle time.
    EXPECT_TRUE(client.waitForClose());
    EXPECT_TRUE(waitForConnections(server, 0));
}

TEST_F(HttpServerTest, ConnectionEndsWhenAskedOrWhenTheServiceGivesUp)
{
    HttpServer& server = start([](const HttpRequest& request, HttpResponder responder) {
        if (request.path() == "/drop") {
            return; // the responder is dropped unanswered
        }
        if (request.path() == "/throw") {
            throw std::runtime_error("service failure");
        }
        HttpResponse response = HttpResponse::make(200, "ok");
        response.close = request.path() == "/bye";
        responder(response);
    });

    for (const std::string& request : {get("/a", "Connection: close\r\n"),
                                       std::string("GET /a HTTP/1.0\r\n\r\n"), get("/bye")}) {
        TestClient client(server.endpoint());
        ASSERT_TRUE(client.send(request + get("/never-served")));
        const auto response = client.readResponse();
        ASSERT_TRUE(response) << request;
        EXPECT_EQ(*response->headers.find("Connection"), "close");
        EXPECT_TRUE(client.waitForClose()) << request;
        EXPECT_FALSE(client.readResponse()) << request;
    }

    TestClient dropped(server.endpoint());
    ASSERT_TRUE(dropped.send(get("/a") + get("/drop")));
    const auto first = dropped.readResponse();
    ASSERT_TRUE(first); // answers before the dropped one still go out
    EXPECT_EQ(first->body, "ok");
    EXPECT_TRUE(dropped.waitForClose());

    TestClient failing(server.endpoint());
    ASSERT_TRUE(failing.send(get("/throw")));
    const auto fault = failing.readResponse();
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->status, 500);
    ASSERT_TRUE(failing.send(get("/a"))); // a failing service does not cost the connection
    const auto next = failing.readResponse();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->status, 200);
}

TEST_F(HttpServerTest, CloseWhileAnAnswerIsPendingEndsConnectionsAndDropsTheAnswer)
{
    HttpServer& server = start(keep());
    TestClient client(server.endpoint());
    ASSERT_TRUE(client.send(get("/pending")));
    ASSERT_TRUE(m_inbox.waitFor(1));
    const auto endpoint = server.endpoint();
    server.close();
    EXPECT_FALSE(server.isOpen());
    EXPECT_EQ(server.port(), 0);
    EXPECT_TRUE(client.waitForClose());
    m_inbox.responder(0)(HttpResponse::make(200, "too late")); // dropped quietly
    EXPECT_TRUE(waitForConnections(server, 0));
    EXPECT_FALSE(TestClient(endpoint).connected());
    server.close(); // twice is harmless
}

TEST_F(HttpServerTest, BadRequestsAndOversizeBodiesAreRefusedAndTheServerGoesOn)
{
    HttpServer& server = start(keep());
    {
        // A 2 MiB body: refused from its headers; the client can still send
        // the whole body and read the refusal.
        TestClient client(server.endpoint());
        const std::string body(2 * 1024 * 1024, 'x');
        ASSERT_TRUE(client.send(post("/firmware", body)));
        const auto response = client.readResponse();
        ASSERT_TRUE(response);
        EXPECT_EQ(response->status, 413);
        EXPECT_TRUE(client.waitForClose());
    }
    {
        TestClient client(server.endpoint());
        ASSERT_TRUE(client.send("GET / HTTP/1.1\r\nHost: a\r\nBad Header: x\r\n\r\n"));
        const auto response = client.readResponse();
        ASSERT_TRUE(response);
        EXPECT_EQ(response->status, 400);
        EXPECT_TRUE(client.waitForClose());
    }
    {
        TestClient client(server.endpoint());
        ASSERT_TRUE(client.send("GET / HTTP/2.0\r\nHost: a\r\n\r\n"));
        const auto response = client.readResponse();
        ASSERT_TRUE(response);
        EXPECT_EQ(response->status, 505);
    }
    TestClient client(server.endpoint());
    ASSERT_TRUE(client.send(get("/ok")));
    ASSERT_TRUE(m_inbox.waitFor(1));
    EXPECT_EQ(m_inbox.request(0).path(), "/ok"); // none of the bad ones reached the service
}

TEST_F(HttpServerTest, SendsContinueToAClientThatWaitsForIt)
{
    HttpServer& server = start(echo);
    TestClient client(server.endpoint());
    ASSERT_TRUE(client.send("POST /fw HTTP/1.1\r\nHost: a\r\nExpect: 100-continue\r\n"
                            "Content-Length: 4\r\n\r\n"));
    const auto interim = client.readResponse();
    ASSERT_TRUE(interim);
    EXPECT_EQ(interim->status, 100);
    ASSERT_TRUE(client.send("data"));
    const auto response = client.readResponse();
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 200);
    EXPECT_EQ(response->body, "POST /fw data from 127.0.0.1 at 127.0.0.1");
}

TEST_F(HttpServerTest, ReopensAtAnotherLoopbackAddressAfterClose)
{
    HttpServer& server = start(echo, {}, "127.0.0.1");
    const auto first = server.endpoint();
    {
        TestClient client(first);
        ASSERT_TRUE(client.send(get("/")));
        ASSERT_TRUE(client.readResponse());
    }
    server.close();
    // A camera that comes back at a new address, on its old port.
    server.open("127.0.0.2", first.port());
    EXPECT_EQ(server.port(), first.port());
    EXPECT_FALSE(TestClient(first).connected());
    TestClient client(server.endpoint());
    ASSERT_TRUE(client.send(get("/")));
    const auto response = client.readResponse();
    ASSERT_TRUE(response);
    EXPECT_EQ(response->body, "GET /  from 127.0.0.1 at 127.0.0.2");

    // And back at the first address.
    server.close();
    server.open(first.address().to_v4(), first.port());
    TestClient again(first);
    ASSERT_TRUE(again.send(get("/")));
    ASSERT_TRUE(again.readResponse());
}

TEST_F(HttpServerTest, OpenRefusesWhatItMustNotOrCannotBind)
{
    HttpServer& server = start(echo);
    HttpServer other(m_io, echo);
    EXPECT_THROW(other.open(server.endpoint().address().to_v4(), server.port()), std::system_error);
    EXPECT_THROW(other.open("10.1.2.3", 0), std::system_error); // never off loopback
    EXPECT_THROW(other.open("0.0.0.0", 0), std::system_error);
    EXPECT_FALSE(other.isOpen());
    EXPECT_THROW(server.open("127.0.0.3", 0), std::logic_error);
    other.open("127.0.0.3", 0);
    EXPECT_TRUE(other.isOpen());
}

TEST_F(HttpServerTest, ConnectionsAreCappedAndClientsThatDoNotReadAreDropped)
{
    HttpServerOptions options;
    options.maxConnections = 2;
    options.maxQueuedOutput = 2 * 1024 * 1024;
    HttpServer& server = start(
        [](const HttpRequest&, HttpResponder responder) {
            responder(HttpResponse::make(200, std::string(1024 * 1024, 'y')));
        },
        options);
    auto reader = std::make_unique<TestClient>(server.endpoint());
    auto idle = std::make_unique<TestClient>(server.endpoint());
    ASSERT_TRUE(waitForConnections(server, 2));
    TestClient third(server.endpoint());
    EXPECT_TRUE(third.waitForClose());
    ASSERT_TRUE(reader->send(get("/")));
    const auto response = reader->readResponse();
    ASSERT_TRUE(response);
    EXPECT_EQ(response->body.size(), 1024u * 1024u);

    // Sixteen answers of 1 MiB for a client that reads none of them: more
    // than the socket buffers hold, so the queue passes its cap.
    std::string requests;
    for (int i = 0; i < 16; ++i) {
        requests += get("/big");
    }
    ASSERT_TRUE(idle->send(requests));
    EXPECT_TRUE(waitForConnections(server, 1));
    idle.reset();
    reader.reset();
    EXPECT_TRUE(waitForConnections(server, 0));
}

#pragma once

#include "ipcsim/camera.h"
#include "ipcsim/scenario.h"
#include "protocol/wire.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <vector>

// A whole simulated site in one process: every camera of a scenario on its own
// loopback address, served by one I/O context with a few threads, and the
// search endpoint on 127.0.0.1:<search port>. Tests start one in-process; the
// vexlo-ipcsim program runs one until it is told to stop.
namespace vexlo::ipcsim {

class AddressBook;
class RequestLog;
class SearchResponder;

namespace onvif {
class DiscoveryResponder;
}

class SiteError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct SiteOptions
{
    // 0: the system picks a free port; searchPort() tells which.
    std::uint16_t searchPort = protocol::kDefaultSearchPort;
    // Where the request log goes (created or emptied); none: nothing is logged.
    std::optional<std::filesystem::path> logFile;
    int threads = 2;
    // Where the ONVIF cameras answer WS-Discovery probes (0: the system picks
    // a free port; none: no discovery). Opened only when a camera speaks ONVIF.
    std::optional<std::uint16_t> discoveryPort = std::uint16_t{3702};
};

class Site
{
public:
    // Validates the scenario (throws ScenarioError). Opens nothing yet.
    explicit Site(Scenario scenario, SiteOptions options = {});
    ~Site();
    Site(const Site&) = delete;
    Site& operator=(const Site&) = delete;

    // Binds every camera and the search endpoint, then starts the threads.
    // When it returns, every camera listens. Throws SiteError naming what could
    // not be bound (nothing stays open then).
    void start();
    // Closes every camera and joins the threads. Idempotent; the destructor
    // calls it.
    void stop();

    std::uint16_t searchPort() const { return m_searchPort; }
    // The WS-Discovery port; 0 when the site has no discovery.
    std::uint16_t discoveryPort() const { return m_discoveryPort; }
    std::size_t cameraCount() const { return m_cameras.size(); }
    // What camera `index` (scenario order) is doing now; any thread.
    CameraSnapshot camera(std::size_t index) const;
    // The first camera with this serial; throws SiteError when there is none.
    CameraSnapshot camera(std::string_view serial) const;
    // RTSP clients of camera `index` connected now; any thread.
    std::size_t rtspConnections(std::size_t index) const;
    const CameraSetup& setup(std::size_t index) const { return m_scenario.cameras.at(index); }

private:
    Scenario m_scenario;
    SiteOptions m_options;
    asio::io_context m_io;
    // Keeps the threads running while every camera is down and idle.
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> m_work;
    std::unique_ptr<AddressBook> m_addresses;
    std::unique_ptr<RequestLog> m_log;
    std::vector<std::unique_ptr<Camera>> m_cameras;
    std::unique_ptr<SearchResponder> m_responder;
    std::unique_ptr<onvif::DiscoveryResponder> m_discovery;
    std::vector<std::thread> m_threads;
    std::uint16_t m_searchPort = 0;
    std::uint16_t m_discoveryPort = 0;
    bool m_started = false;
};

} // namespace vexlo::ipcsim

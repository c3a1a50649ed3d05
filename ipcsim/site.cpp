#include "ipcsim/site.h"

#include "ipcsim/address_book.h"
#include "ipcsim/onvif/discovery_responder.h"
#include "ipcsim/request_log.h"
#include "ipcsim/search_responder.h"

#include <algorithm>
#include <future>

namespace vexlo::ipcsim {

Site::Site(Scenario scenario, SiteOptions options)
    : m_scenario(std::move(scenario)), m_options(std::move(options)),
      m_addresses(std::make_unique<AddressBook>())
{
    validateScenario(m_scenario);
}

Site::~Site()
{
    stop();
}

void Site::start()
{
    if (m_started) {
        return;
    }
    try {
        if (m_options.logFile) {
            m_log = std::make_unique<RequestLog>(*m_options.logFile);
        }
        const bool onvif = std::any_of(m_scenario.cameras.begin(), m_scenario.cameras.end(),
                                       [](const CameraSetup& c) { return c.speaksOnvif(); });
        if (onvif && m_options.discoveryPort) {
            // Cameras are added below, before any thread runs, so the list
            // the responder reads is complete whenever it reads it.
            m_discovery = std::make_unique<onvif::DiscoveryResponder>(m_io, [this] {
                std::vector<onvif::DiscoveryEntry> entries;
                for (const auto& camera : m_cameras) {
                    if (auto entry = camera->discoveryEntry()) {
                        entries.push_back(std::move(*entry));
                    }
                }
                return entries;
            });
            try {
                m_discovery->open(*m_options.discoveryPort);
            } catch (const std::system_error& error) {
                throw SiteError("cannot open WS-Discovery on port " +
                                std::to_string(*m_options.discoveryPort) + ": " + error.what());
            }
        }
        onvif::Announcer announcer;
        if (m_discovery) {
            announcer.hello = [this](const onvif::DiscoveryEntry& entry) {
                m_discovery->hello(entry);
            };
            announcer.bye = [this](const onvif::DiscoveryEntry& entry) { m_discovery->bye(entry); };
        }
        std::vector<Camera*> cameras;
        for (const CameraSetup& setup : m_scenario.cameras) {
            m_cameras.push_back(std::make_unique<Camera>(
                m_io, setup, CameraServices{*m_addresses, m_log.get(), announcer}));
            cameras.push_back(m_cameras.back().get());
        }
        // The search port first: each camera also takes probes sent to its
        // own address on that port.
        m_responder = std::make_unique<SearchResponder>(m_io, std::move(cameras));
        try {
            m_responder->open(m_options.searchPort);
        } catch (const std::system_error& error) {
            throw SiteError("cannot open the search port 127.0.0.1:" +
                            std::to_string(m_options.searchPort) + ": " + error.what());
        }
        for (std::size_t i = 0; i < m_cameras.size(); ++i) {
            try {
                m_cameras[i]->open(m_responder->port());
            } catch (const std::system_error& error) {
                throw SiteError(describeCamera(i + 1, m_scenario.cameras[i]) +
                                ": cannot open: " + error.what());
            }
        }
    } catch (const RequestLogError& error) {
        m_responder.reset();
        m_cameras.clear();
        m_discovery.reset();
        throw SiteError(error.what());
    } catch (...) {
        m_responder.reset();
        m_cameras.clear();
        m_discovery.reset();
        throw;
    }
    m_searchPort = m_responder->port();
    m_discoveryPort = m_discovery ? m_discovery->port() : 0;
    m_started = true;
    m_work.emplace(m_io.get_executor());
    const int threads = std::clamp(m_options.threads, 1, 16);
    for (int i = 0; i < threads; ++i) {
        m_threads.emplace_back([this] { m_io.run(); });
    }
}

void Site::stop()
{
    if (!m_started) {
        return;
    }
    m_started = false;
    // Each camera closes on its own strand; waiting for all of them means no
    // handler is still inside a camera when the threads are stopped.
    std::vector<std::future<void>> closed;
    for (const auto& camera : m_cameras) {
        auto done = std::make_shared<std::promise<void>>();
        closed.push_back(done->get_future());
        asio::post(camera->strand(), [camera = camera.get(), done] {
            camera->shutdown();
            done->set_value();
        });
    }
    for (auto& future : closed) {
        future.wait();
    }
    m_responder->close();
    if (m_discovery) {
        m_discovery->close();
    }
    m_work.reset();
    m_io.stop();
    for (auto& thread : m_threads) {
        thread.join();
    }
    m_threads.clear();
}

std::size_t Site::rtspConnections(std::size_t index) const
{
    return index < m_cameras.size() ? m_cameras[index]->rtspConnections() : 0;
}

CameraSnapshot Site::camera(std::size_t index) const
{
    if (index >= m_cameras.size()) {
        throw SiteError("no camera " + std::to_string(index));
    }
    return m_cameras[index]->snapshot();
}

CameraSnapshot Site::camera(std::string_view serial) const
{
    for (const auto& camera : m_cameras) {
        if (camera->setup().serial == serial) {
            return camera->snapshot();
        }
    }
    throw SiteError("no camera with serial " + std::string(serial));
}

} // namespace vexlo::ipcsim

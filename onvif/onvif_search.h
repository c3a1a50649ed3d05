#pragma once

#include "credentials/site_credentials.h"
#include "onvif/camera_listing.h"
#include "onvif/device_client.h"
#include "onvif/discovery_client.h"
#include "onvif/job_pool.h"

#include <asio.hpp>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

// The ONVIF side of IP_NET_DVR_StartSearchIPC: discovery finds the cameras,
// and each one found is asked for its serial, MAC, model and network settings
// with the site's credentials before it is listed. A camera that refuses every
// pair, or cannot be reached, is still listed from what discovery told, so
// the user sees it and its login fails visibly.
//
// Thread safety: every public member may be called from any thread; the list
// is kept under a mutex, the questions run on the library's job pool.
namespace vexlo::onvif {

struct SearchSetup
{
    DiscoveryClientOptions discovery;
    ClientOptions client; // the time limits of the questions asked while searching
    std::shared_ptr<HttpTransport> transport;
    std::shared_ptr<credentials::CredentialStore> credentials;
};

class OnvifSearch
{
public:
    OnvifSearch(JobPool& pool, SearchSetup setup);
    ~OnvifSearch(); // shutdown()
    OnvifSearch(const OnvifSearch&) = delete;
    OnvifSearch& operator=(const OnvifSearch&) = delete;

    // Opens the discovery socket; false (see problem()) when it cannot.
    bool open();
    // Ends discovery. The job pool must not run this object's jobs any more.
    void shutdown();

    // Empties the list and searches until stop(); false when discovery could
    // not start (problem() says why).
    bool start();
    void stop();
    std::string problem() const;

    int count() const;
    std::optional<ListedCamera> result(int index) const;
    // The latest entry of any search for a device service at address:port.
    std::optional<ListedCamera> findByAddress(const std::string& address, std::uint16_t port) const;
    // Remembers which pair a camera took, for the list and the next login.
    void rememberLogin(const std::string& address, std::uint16_t port,
                       const credentials::LoginPair& login);

    // A camera that is restoring its factory settings is not listed until it
    // was seen going away and coming back: the restore check takes its return
    // to the list as the proof. release() lists it as soon as it answers.
    void hold(const std::string& serialNo);
    void release(const std::string& serialNo);

private:
    void pollDiscovery(std::uint32_t searchId);
    void describe(std::uint32_t searchId, const DiscoveredDevice& device);
    void askCamera(ListedCamera& camera, const std::string& discoverySerial);
    void list(std::uint32_t searchId, const DiscoveredDevice& device, ListedCamera camera);

    JobPool& m_pool;
    SearchSetup m_setup;
    asio::io_context m_io;
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> m_work;
    std::thread m_ioThread;
    std::shared_ptr<DiscoveryClient> m_discovery;

    mutable std::mutex m_mutex;
    bool m_running = false;
    std::uint32_t m_searchId = 0;
    int m_discoveryCursor = 0;
    std::vector<ListedCamera> m_results;
    std::map<std::string, ListedCamera> m_known; // "address:port" -> latest entry
    std::set<std::string> m_held;
    std::map<std::string, DiscoveredDevice> m_parked; // held serial -> its discovery answer
};

} // namespace vexlo::onvif

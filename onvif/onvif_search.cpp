#include "onvif/onvif_search.h"

#include <chrono>

namespace vexlo::onvif {

namespace {

// How often the discovery answers are looked at while a search runs (real
// time): short against the search's seconds, long against a thread's wake-up.
constexpr auto kDiscoveryPollPeriod = std::chrono::milliseconds(40);

std::string addressKey(const std::string& address, std::uint16_t port)
{
    return address + ":" + std::to_string(port);
}

} // namespace

OnvifSearch::OnvifSearch(JobPool& pool, SearchSetup setup) : m_pool(pool), m_setup(std::move(setup))
{
}

OnvifSearch::~OnvifSearch()
{
    shutdown();
}

bool OnvifSearch::open()
{
    if (m_discovery)
        return true;
    m_discovery = std::make_shared<DiscoveryClient>(m_io, m_setup.discovery);
    const bool opened = m_discovery->open();
    m_work.emplace(asio::make_work_guard(m_io));
    m_ioThread = std::thread([this] { m_io.run(); });
    return opened;
}

void OnvifSearch::shutdown()
{
    {
        std::lock_guard lock(m_mutex);
        m_running = false;
    }
    if (m_discovery)
        m_discovery->shutdown();
    m_work.reset();
    m_io.stop();
    if (m_ioThread.joinable())
        m_ioThread.join();
}

std::string OnvifSearch::problem() const
{
    return m_discovery ? m_discovery->problem() : "the ONVIF search was not opened";
}

bool OnvifSearch::start()
{
    if (!m_discovery)
        return false;
    std::uint32_t searchId = 0;
    {
        std::lock_guard lock(m_mutex);
        m_results.clear();
        m_discoveryCursor = 0;
        m_running = false;
        searchId = ++m_searchId;
    }
    if (!m_discovery->start())
        return false;
    {
        std::lock_guard lock(m_mutex);
        if (searchId != m_searchId)
            return true; // a later start took over
        m_running = true;
    }
    m_pool.post([this, searchId] { pollDiscovery(searchId); });
    return true;
}

void OnvifSearch::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_running = false;
    }
    if (m_discovery)
        m_discovery->stop();
}

void OnvifSearch::pollDiscovery(std::uint32_t searchId)
{
    int first = 0;
    {
        std::lock_guard lock(m_mutex);
        if (!m_running || searchId != m_searchId)
            return;
        first = m_discoveryCursor;
    }
    const int found = m_discovery->count();
    for (int index = first; index < found; ++index) {
        if (auto device = m_discovery->result(index))
            m_pool.post(
                [this, searchId, device = std::move(*device)] { describe(searchId, device); });
    }
    {
        std::lock_guard lock(m_mutex);
        if (searchId != m_searchId)
            return;
        m_discoveryCursor = std::max(m_discoveryCursor, found);
    }
    m_pool.postAfter(kDiscoveryPollPeriod, [this, searchId] { pollDiscovery(searchId); });
}

void OnvifSearch::describe(std::uint32_t searchId, const DiscoveredDevice& device)
{
    {
        std::lock_guard lock(m_mutex);
        if (searchId != m_searchId)
            return;
    }
    ListedCamera camera = listFromDiscovery(device);
    if (!device.isRecorder && !camera.deviceServiceUrl.empty())
        askCamera(camera, device.identity.serialNo);
    list(searchId, device, std::move(camera));
}

// Tries the site's pairs in order until the camera takes one (a lockout ends
// the trying), then reads its identity and network settings with it.
void OnvifSearch::askCamera(ListedCamera& camera, const std::string& discoverySerial)
{
    const auto site =
        m_setup.credentials ? m_setup.credentials->snapshot() : credentials::defaultCredentials();
    for (const credentials::LoginPair& pair :
         credentials::loginCandidates(site, discoverySerial, camera.ipAddress)) {
        DeviceClient client(camera.deviceServiceUrl, Credentials{pair.user, pair.password},
                            m_setup.client, m_setup.transport);
        const auto information = client.getDeviceInformation();
        if (information.loginRefused() && !information.lockout())
            continue;
        if (!information.ok() && !information.refusal())
            return; // unreachable or unreadable: what discovery told stays
        if (information.lockout())
            return;
        // Refused for another reason, the pair still opened the camera.
        camera.login = pair;
        const auto interfaces = client.getNetworkInterfaces();
        const auto gateways = client.getNetworkDefaultGateway();
        addDeviceAnswers(camera, information.ok() ? *information.value() : DeviceInformation{},
                         interfaces.ok() ? *interfaces.value() : std::vector<NetworkInterface>{},
                         gateways.ok() ? *gateways.value() : std::vector<std::string>{});
        return;
    }
}

void OnvifSearch::list(std::uint32_t searchId, const DiscoveredDevice& device, ListedCamera camera)
{
    std::lock_guard lock(m_mutex);
    if (!camera.serialNo.empty() && m_held.contains(camera.serialNo)) {
        m_parked[camera.serialNo] = device;
        return;
    }
    if (searchId != m_searchId)
        return;
    m_known[addressKey(camera.ipAddress, camera.port)] = camera;
    m_results.push_back(std::move(camera));
}

int OnvifSearch::count() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_results.size());
}

std::optional<ListedCamera> OnvifSearch::result(int index) const
{
    std::lock_guard lock(m_mutex);
    if (index < 0 || static_cast<std::size_t>(index) >= m_results.size())
        return std::nullopt;
    return m_results[static_cast<std::size_t>(index)];
}

std::optional<ListedCamera> OnvifSearch::findByAddress(const std::string& address,
                                                       std::uint16_t port) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_known.find(addressKey(address, port));
    if (found == m_known.end())
        return std::nullopt;
    return found->second;
}

void OnvifSearch::rememberLogin(const std::string& address, std::uint16_t port,
                                const credentials::LoginPair& login)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_known.find(addressKey(address, port));
    if (found != m_known.end())
        found->second.login = login;
}

void OnvifSearch::hold(const std::string& serialNo)
{
    if (serialNo.empty())
        return;
    std::lock_guard lock(m_mutex);
    m_held.insert(serialNo);
}

void OnvifSearch::release(const std::string& serialNo)
{
    std::optional<DiscoveredDevice> parked;
    std::uint32_t searchId = 0;
    {
        std::lock_guard lock(m_mutex);
        m_held.erase(serialNo);
        const auto found = m_parked.find(serialNo);
        if (found == m_parked.end())
            return;
        parked = std::move(found->second);
        m_parked.erase(found);
        if (!m_running)
            return;
        searchId = m_searchId;
    }
    m_pool.post([this, searchId, device = std::move(*parked)] { describe(searchId, device); });
}

} // namespace vexlo::onvif

#include "net_sdk_site.h"

#include "platform/codepage.h"

namespace vexlo::test {

namespace {

ipcsim::Scenario scenarioOf(std::vector<ipcsim::CameraSetup> cameras)
{
    ipcsim::Scenario scenario;
    scenario.cameras = std::move(cameras);
    return scenario;
}

} // namespace

NetSdkSite::NetSdkSite(std::vector<ipcsim::CameraSetup> cameras, const LoopbackBlock& block,
                       bool install)
    : m_thirdOctet(block.thirdOctet)
{
    ipcsim::SiteOptions siteOptions;
    siteOptions.searchPort = 0;
    siteOptions.logFile = folder() / "requests.jsonl";
    m_site = startLoopbackSite(scenarioOf(std::move(cameras)), block, siteOptions);
    netsdk::NetSdkOptions options;
    options.searchPort = m_site.site->searchPort();
    m_sdk = std::make_unique<netsdk::NetSdk>(options);
    if (install) {
        m_previous = sdk::installDeviceLibrary(m_sdk.get());
        m_installed = true;
    }
}

NetSdkSite::~NetSdkSite()
{
    if (m_installed)
        sdk::installDeviceLibrary(m_previous);
    m_sdk.reset();
    m_site.site.reset();
}

std::vector<ipcsim::RequestRecord>
NetSdkSite::requests(const std::string& serial, std::string_view kind, std::uint32_t code) const
{
    std::vector<ipcsim::RequestRecord> found;
    for (auto& request : ipcsim::readRequestLog(folder() / "requests.jsonl")) {
        if (request.serial == serial && (kind.empty() || request.kind == kind) &&
            (code == 0 || request.code == code))
            found.push_back(std::move(request));
    }
    return found;
}

std::unique_ptr<_DEVICERECORD> NetSdkSite::record(std::size_t index) const
{
    const ipcsim::CameraSetup& camera = cameras().at(index);
    auto record = std::make_unique<_DEVICERECORD>();
    copyToField(record->serialNo, camera.serial);
    copyToField(record->ipAddress, camera.address);
    copyToField(record->macAddress, camera.mac);
    copyToField(record->userName, camera.user);
    copyToField(record->password, camera.password);
    record->port = camera.port;
    record->playParam = camera.playParam;
    record->listRow = static_cast<int>(index);
    return record;
}

} // namespace vexlo::test

#include "live_video_site.h"

#include "../support/loopback_site.h"

#include "ipcsim/scenario.h"
#include "platform/codepage.h"
#include "sdk/netsdk.h"

#include <QColor>

namespace vexlo::test {
namespace {

// 127.A.216.n: a block no other kind of test uses.
constexpr LoopbackBlock kVideoBlock{20, 200, 216};

} // namespace

LiveVideoSite::LiveVideoSite(int cameraCount)
{
    ipcsim::Scenario scenario;
    // Addresses come from the block; this one only has to be valid.
    scenario.cameras = ipcsim::generateCameras(ipcsim::makeCamera("", ""),
                                               {cameraCount, 1, "CAM{n:4}", "127.0.0.2", ""});
    ipcsim::SiteOptions siteOptions;
    siteOptions.searchPort = 0;
    LoopbackSite started = startLoopbackSite(std::move(scenario), kVideoBlock, siteOptions);
    m_site = std::move(started.site);

    netsdk::NetSdkOptions options;
    options.searchPort = m_site->searchPort();
    m_sdk = std::make_unique<netsdk::NetSdk>(options);
    m_sdk->Init();
    m_sdk->SetStatusEventCallBack(&netsdk::test::EventRecorder::onStatus, &m_events);
    m_previousLibrary = sdk::installDeviceLibrary(m_sdk.get());
    m_player.Init();
    m_previousPlayer = sdk::installPlayer(&m_player);

    for (const ipcsim::CameraSetup& setup : started.scenario.cameras) {
        auto record = std::make_unique<_DEVICERECORD>();
        copyToField(record->serialNo, setup.serial);
        copyToField(record->ipAddress, setup.address);
        copyToField(record->userName, setup.user);
        copyToField(record->password, setup.password);
        record->port = setup.port;
        record->playParam = setup.playParam;
        record->listRow = static_cast<int>(m_records.size());
        m_records.push_back(std::move(record));
    }
}

LiveVideoSite::~LiveVideoSite()
{
    m_sdk.reset(); // first: its sessions deliver into the player
    sdk::installDeviceLibrary(m_previousLibrary);
    sdk::installPlayer(m_previousPlayer);
    m_site.reset();
}

bool LiveVideoSite::logInAll()
{
    for (auto& record : m_records) {
        record->loginHandle = IP_NET_DVR_Login(record->ipAddress, record->port, record->userName,
                                               record->password, 0);
    }
    // The logins run side by side; each is confirmed by its own event 4.
    for (auto& record : m_records) {
        const int handle = record->loginHandle.load();
        if (handle <= 0 || !m_events.waitForStatus(handle, SDK_EVENT_LOGIN_OK, kLoginWait))
            return false;
        record->loginState = 1;
    }
    return true;
}

std::vector<_DEVICERECORD*> LiveVideoSite::devices() const
{
    std::vector<_DEVICERECORD*> devices;
    for (const auto& record : m_records)
        devices.push_back(record.get());
    return devices;
}

double brightShare(const QImage& image, int margin)
{
    int bright = 0;
    int total = 0;
    for (int y = margin; y < image.height() - margin; ++y) {
        for (int x = margin; x < image.width() - margin; ++x) {
            ++total;
            if (qGray(image.pixel(x, y)) > 128)
                ++bright;
        }
    }
    return total > 0 ? static_cast<double>(bright) / total : 0.0;
}

} // namespace vexlo::test

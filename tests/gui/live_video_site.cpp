#include "live_video_site.h"

#include "../support/loopback_site.h"

#include "ipcsim/scenario.h"
#include "ipcsim/test_card.h"
#include "netsdk/net_sdk.h"
#include "onvif/onvif_library.h"
#include "platform/codepage.h"
#include "sdk/netsdk.h"

#include <QColor>

namespace vexlo::test {
namespace {

// 127.A.216.n: a block no other kind of test uses.
constexpr LoopbackBlock kVideoBlock{20, 200, 216};

} // namespace

LiveVideoSite::LiveVideoSite(int cameraCount, Protocol protocol)
{
    ipcsim::Scenario scenario;
    ipcsim::CameraSetup base = ipcsim::makeCamera("", "");
    if (protocol == Protocol::Onvif) {
        base.protocol = ipcsim::CameraProtocol::Onvif;
        base.rebootSeconds = 1;
    }
    // Addresses come from the block; this one only has to be valid.
    scenario.cameras = ipcsim::generateCameras(
        base,
        {cameraCount, 1, protocol == Protocol::Onvif ? "ONV{n:4}" : "CAM{n:4}", "127.0.0.2", ""});
    ipcsim::SiteOptions siteOptions;
    siteOptions.searchPort = 0;
    siteOptions.discoveryPort = 0;
    LoopbackSite started = startLoopbackSite(std::move(scenario), kVideoBlock, siteOptions);
    m_site = std::move(started.site);

    if (protocol == Protocol::Onvif) {
        onvif::OnvifLibraryOptions options;
        options.discoveryPort = m_site->discoveryPort();
        m_sdk = std::make_unique<onvif::OnvifLibrary>(options);
    } else {
        netsdk::NetSdkOptions options;
        options.searchPort = m_site->searchPort();
        m_sdk = std::make_unique<netsdk::NetSdk>(options);
    }
    m_sdk->Init();
    m_sdk->SetStatusEventCallBack(&EventRecorder::onStatus, &m_events);
    m_previousLibrary = sdk::installDeviceLibrary(m_sdk.get());
    m_player.Init();
    m_previousPlayer = sdk::installPlayer(&m_player);

    for (const ipcsim::CameraSetup& setup : started.scenario.cameras) {
        auto record = std::make_unique<_DEVICERECORD>();
        copyToField(record->serialNo, setup.serial);
        copyToField(record->ipAddress, setup.address);
        copyToField(record->userName, setup.user);
        copyToField(record->password, setup.password);
        // An ONVIF camera is listed with the port of its device service.
        record->port = protocol == Protocol::Onvif ? setup.onvifPort : setup.port;
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

double cardMismatch(const sdk::RgbPicture& picture, const std::string& serial,
                    const std::string& address)
{
    const ipcsim::TestCard card(serial, address, 1);
    if (picture.width != ipcsim::TestCard::kWidth || picture.height != ipcsim::TestCard::kHeight ||
        picture.rgb.size() != static_cast<std::size_t>(picture.width * picture.height * 3))
        return 1.0;
    const ipcsim::YuvPicture drawn = card.draw(0);
    int wrong = 0;
    int total = 0;
    for (const ipcsim::TextArea* area : {&card.serialArea(), &card.addressArea()}) {
        for (int y = area->y; y < area->y + area->height; ++y) {
            for (int x = area->x; x < area->x + area->width; ++x) {
                const std::size_t at = static_cast<std::size_t>(y * picture.width + x) * 3;
                const int gray = (picture.rgb[at] * 299 + picture.rgb[at + 1] * 587 +
                                  picture.rgb[at + 2] * 114) /
                                 1000;
                ++total;
                if ((gray > 128) != (drawn.luma(x, y) > 128))
                    ++wrong;
            }
        }
    }
    return total > 0 ? static_cast<double>(wrong) / total : 1.0;
}

} // namespace vexlo::test

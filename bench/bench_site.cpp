#include "bench/bench_site.h"

#include "platform/codepage.h"

#include <unistd.h>

namespace vexlo::bench {

namespace {
constexpr int kOctetSpan = 10;
}

std::unique_ptr<ipcsim::Site> startBenchSite(const ipcsim::CameraSetup& base, int count,
                                             const std::string& serialPattern, int firstOctet)
{
    for (int attempt = 0;; ++attempt) {
        const int a = firstOctet + static_cast<int>((::getpid() + attempt) % kOctetSpan);
        ipcsim::Scenario scenario;
        scenario.cameras = ipcsim::generateCameras(
            base, {count, 1, serialPattern, "127." + std::to_string(a) + ".1.1", ""});
        ipcsim::SiteOptions siteOptions;
        siteOptions.searchPort = 0;
        siteOptions.discoveryPort = std::nullopt; // the runs list their cameras themselves
        auto site = std::make_unique<ipcsim::Site>(std::move(scenario), siteOptions);
        try {
            site->start();
            return site;
        } catch (const ipcsim::SiteError&) {
            if (attempt + 1 >= kOctetSpan)
                throw;
        }
    }
}

std::vector<std::unique_ptr<_DEVICERECORD>> listCameras(const ipcsim::Site& site)
{
    std::vector<std::unique_ptr<_DEVICERECORD>> records;
    for (std::size_t i = 0; i < site.cameraCount(); ++i) {
        const ipcsim::CameraSetup& setup = site.setup(i);
        auto record = std::make_unique<_DEVICERECORD>();
        copyToField(record->serialNo, setup.serial);
        copyToField(record->ipAddress, setup.address);
        copyToField(record->userName, setup.user);
        copyToField(record->password, setup.password);
        record->port = setup.port;
        if (setup.protocol == ipcsim::CameraProtocol::Onvif) {
            record->port = setup.onvifPort; // where its device service answers
            setListedProtocol(*record, ListedProtocol::Onvif);
        }
        record->playParam = setup.playParam;
        record->listRow = static_cast<int>(i);
        records.push_back(std::move(record));
    }
    return records;
}

} // namespace vexlo::bench

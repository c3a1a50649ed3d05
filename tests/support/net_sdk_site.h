#pragma once

#include "loopback_site.h"
#include "temp_dir.h"

#include "engine/device_record.h"
#include "ipcsim/request_log.h"
#include "ipcsim/scenario.h"
#include "ipcsim/site.h"
#include "netsdk/net_sdk.h"
#include "sdk/backend.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vexlo::test {

// Simulated cameras on a loopback block of their own, and netsdk pointed at
// their search port: the device library as the program uses it, over sockets.
// The cameras log every request into a folder of the site's own, where a test
// also puts its firmware files. With `install`, netsdk is the library behind
// the IP_NET_DVR_* calls while the site lives.
class NetSdkSite
{
public:
    NetSdkSite(std::vector<ipcsim::CameraSetup> cameras, const LoopbackBlock& block,
               bool install = true);
    // The library goes first (its sessions talk to the cameras), then the cameras.
    ~NetSdkSite();
    NetSdkSite(const NetSdkSite&) = delete;
    NetSdkSite& operator=(const NetSdkSite&) = delete;

    ipcsim::Site& site() { return *m_site.site; }
    netsdk::NetSdk& sdk() { return *m_sdk; }
    // The cameras with the addresses and MACs they were given.
    const std::vector<ipcsim::CameraSetup>& cameras() const { return m_site.scenario.cameras; }
    const std::filesystem::path& folder() const { return m_folder.path(); }
    // "127.A.B.host" of the site's block.
    std::string address(int host) const { return m_site.address(host, m_thirdOctet); }

    // What camera `serial` logged, in arrival order: of one kind unless `kind`
    // is empty, with one code unless `code` is 0.
    std::vector<ipcsim::RequestRecord>
    requests(const std::string& serial, std::string_view kind = {}, std::uint32_t code = 0) const;
    // Camera `index`'s record as the search lists it: serial, address, MAC,
    // credentials, port and play parameters, in row `index`.
    std::unique_ptr<_DEVICERECORD> record(std::size_t index) const;

private:
    TempDir m_folder{"vexlo-site"};
    LoopbackSite m_site;
    int m_thirdOctet = 0;
    std::unique_ptr<netsdk::NetSdk> m_sdk;
    bool m_installed = false;
    sdk::DeviceLibrary* m_previous = nullptr;
};

} // namespace vexlo::test

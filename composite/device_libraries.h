#pragma once

#include "composite/backend_options.h"
#include "credentials/site_credentials.h"
#include "netsdk/options.h"
#include "sdk/backend.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace vexlo::netsdk {
class NetSdk;
}
namespace vexlo::onvif {
class OnvifLibrary;
}

// The device libraries a front end runs, built from its options: the home
// protocol's, the ONVIF one, or both behind the composite. Install active().
namespace vexlo::composite {

// The ONVIF library's handles start here when both run, far above any the
// home protocol's library reaches in a run.
inline constexpr int kOnvifHandleBase = 1 << 24;

class DeviceLibraries
{
public:
    DeviceLibraries(const BackendOptions& backends, const netsdk::NetSdkOptions& netsdk,
                    std::shared_ptr<credentials::CredentialStore> credentials);
    ~DeviceLibraries();
    DeviceLibraries(const DeviceLibraries&) = delete;
    DeviceLibraries& operator=(const DeviceLibraries&) = delete;

    sdk::DeviceLibrary& active();
    // Nothing when the ONVIF library does not run.
    onvif::OnvifLibrary* onvif() { return m_onvif.get(); }

private:
    std::unique_ptr<netsdk::NetSdk> m_home;
    std::unique_ptr<onvif::OnvifLibrary> m_onvif;
    std::unique_ptr<sdk::DeviceLibrary> m_composite; // refers to both: goes first
};

// Where the site's credentials are read and saved: the --credentials file, or
// credentials.json beside config.dat.
std::filesystem::path credentialsPath(const BackendOptions& backends,
                                      const std::filesystem::path& configDirectory);

// Reads the site's credentials for a front end. A missing file gives the
// defaults; a malformed one gives nothing and `error` says what is wrong (the
// file is left as it is).
std::optional<credentials::SiteCredentials> readSiteCredentials(const std::filesystem::path& file,
                                                                std::string& error);

// Writes the store back to `file` when it no longer holds what was read at
// start: a configuration push changed a camera's password, and the next run
// must log in with the new one. False with `error` when the file could not
// be written; true when nothing changed or it was written.
bool saveChangedCredentials(const std::filesystem::path& file,
                            const credentials::SiteCredentials& readAtStart,
                            const credentials::CredentialStore& store, std::string& error);

} // namespace vexlo::composite

#include "composite/device_libraries.h"

#include "composite/composite_library.h"
#include "credentials/credentials_file.h"
#include "netsdk/net_sdk.h"
#include "onvif/onvif_library.h"

namespace vexlo::composite {

namespace {

onvif::OnvifLibraryOptions onvifOptions(const BackendOptions& backends,
                                        const netsdk::NetSdkOptions& netsdk,
                                        std::shared_ptr<credentials::CredentialStore> store,
                                        int firstHandle)
{
    onvif::OnvifLibraryOptions options;
    options.loopbackOnly = netsdk.loopbackOnly;
    options.lanInterface = netsdk.lanInterface;
    options.discoveryPort = backends.discoveryPort;
    options.scanTargets = netsdk.scanTargets;
    options.firstHandle = firstHandle;
    options.credentials = std::move(store);
    return options;
}

} // namespace

DeviceLibraries::DeviceLibraries(const BackendOptions& backends,
                                 const netsdk::NetSdkOptions& netsdk,
                                 std::shared_ptr<credentials::CredentialStore> credentials)
{
    if (backends.protocols != Protocols::Onvif)
        m_home = std::make_unique<netsdk::NetSdk>(netsdk);
    if (backends.protocols != Protocols::Home) {
        const int firstHandle = m_home ? kOnvifHandleBase : 1;
        m_onvif = std::make_unique<onvif::OnvifLibrary>(
            onvifOptions(backends, netsdk, std::move(credentials), firstHandle));
    }
    if (m_home && m_onvif)
        m_composite = std::make_unique<CompositeLibrary>(*m_home, *m_onvif, kOnvifHandleBase);
}

DeviceLibraries::~DeviceLibraries()
{
    m_composite.reset();
    m_onvif.reset();
    m_home.reset();
}

sdk::DeviceLibrary& DeviceLibraries::active()
{
    if (m_composite)
        return *m_composite;
    if (m_onvif)
        return *m_onvif;
    return *m_home;
}

std::filesystem::path credentialsPath(const BackendOptions& backends,
                                      const std::filesystem::path& configDirectory)
{
    return backends.credentialsFile.empty() ? credentials::credentialsFileBeside(configDirectory)
                                            : backends.credentialsFile;
}

std::optional<credentials::SiteCredentials> readSiteCredentials(const std::filesystem::path& file,
                                                                std::string& error)
{
    auto load = credentials::loadCredentials(file);
    if (!load.error.empty()) {
        error = std::move(load.error);
        return std::nullopt;
    }
    return std::move(load.credentials);
}

bool saveChangedCredentials(const std::filesystem::path& file,
                            const credentials::SiteCredentials& readAtStart,
                            const credentials::CredentialStore& store, std::string& error)
{
    const credentials::SiteCredentials now = store.snapshot();
    if (now == readAtStart)
        return true;
    return credentials::saveCredentials(file, now, error);
}

} // namespace vexlo::composite

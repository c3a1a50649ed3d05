#pragma once

#include "credentials/site_credentials.h"
#include "onvif/discovery_client.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// How the ONVIF device library reaches the cameras. Set once, before Init.
namespace vexlo::onvif {

struct OnvifLibraryOptions
{
    // Loopback mode: nothing is sent outside 127.0.0.0/8. Only an explicit
    // --lan INTERFACE switches it off, and then discovery stays on that interface.
    bool loopbackOnly = true;
    std::string lanInterface;
    // Where probes go (the WS-Discovery port; a simulator may use another).
    std::uint16_t discoveryPort = kDiscoveryGroupPort;
    // Ranges probed by unicast during every search, besides the multicast
    // (cameras behind a router); may change between searches. Null: none.
    std::shared_ptr<ScanTargets> scanTargets;
    // Login and live-play handles count up from here, so that a library that
    // serves beside another one never hands out the same number.
    int firstHandle = 1;
    // Threads that run the SOAP calls (each call blocks its thread).
    int workerThreads = 32;
    // The site's pairs; nothing: admin with an empty password.
    std::shared_ptr<credentials::CredentialStore> credentials;
    // Where the library tells what a user should know but no answer carries:
    // a setting fitted to what the camera offers. One line each, on the
    // library's threads; nothing: standard error.
    std::function<void(const std::string&)> notice;
};

} // namespace vexlo::onvif

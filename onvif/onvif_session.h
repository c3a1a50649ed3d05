#pragma once

#include "credentials/site_credentials.h"
#include "onvif/device_client.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

// One login handle of the ONVIF library. ONVIF has no session: "logged in"
// means the camera took one of the site's pairs, and every later call is
// signed with it. Shared by the library's map and the jobs working for it; a
// job that finds it closed does nothing more.
namespace vexlo::onvif {

enum class UploadPhase : int
{
    None = 0,
    Running = 1,
    Ended = 2,
};

struct OnvifSession
{
    OnvifSession(int loginHandle, std::string cameraAddress, std::uint16_t cameraPort,
                 std::string serviceUrl)
        : handle(loginHandle), address(std::move(cameraAddress)), port(cameraPort),
          url(std::move(serviceUrl))
    {
    }

    const int handle;
    const std::string address;
    const std::uint16_t port;
    const std::string url; // the device service

    std::optional<credentials::LoginPair> given; // the pair the caller passed
    std::string serialNo;                        // known from the search or the login

    std::atomic<bool> loggedIn{false};
    std::atomic<bool> autoReconnect{false};
    std::atomic<bool> closed{false};
    std::stop_source stop; // Logout: ends the upload and every retry

    // Login retries (job state, one job at a time).
    std::chrono::steady_clock::time_point retryingSince{};
    int attempts = 0;

    std::atomic<int> uploadPhase{static_cast<int>(UploadPhase::None)};
    std::atomic<int> uploadPercent{0};

    // The signed client and the pair it signs with, set once the login
    // succeeded and again when a section changes the password or the port.
    // Under a lock: a section whose answer is late may still run while the
    // next one starts.
    std::shared_ptr<DeviceClient> client() const
    {
        std::lock_guard lock(m_clientMutex);
        return m_client;
    }
    Credentials login() const
    {
        std::lock_guard lock(m_clientMutex);
        return m_login;
    }
    void setClient(std::shared_ptr<DeviceClient> client, Credentials login)
    {
        std::lock_guard lock(m_clientMutex);
        m_client = std::move(client);
        m_login = std::move(login);
    }

    // Events wait until the login call has handed the handle out, so that the
    // program always knows the handle an event names.
    // Returns true when the event may be delivered now.
    bool holdOrDeliver(int event)
    {
        std::lock_guard lock(m_eventMutex);
        if (m_handedOut)
            return true;
        m_pendingEvents.push_back(event);
        return false;
    }
    std::vector<int> handOut()
    {
        std::lock_guard lock(m_eventMutex);
        m_handedOut = true;
        return std::move(m_pendingEvents);
    }

private:
    mutable std::mutex m_clientMutex;
    std::shared_ptr<DeviceClient> m_client;
    Credentials m_login;
    std::mutex m_eventMutex;
    bool m_handedOut = false;
    std::vector<int> m_pendingEvents;
};

} // namespace vexlo::onvif

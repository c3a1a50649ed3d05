#pragma once

#include "onvif/http_transport.h"
#include "onvif/job_pool.h"
#include "onvif/library_options.h"
#include "onvif/live_play.h"
#include "onvif/onvif_search.h"
#include "onvif/onvif_session.h"
#include "sdk/backend.h"
#include "sdk/callback_slots.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The device library for ONVIF cameras: every IP_NET_DVR_* call the program
// makes, answered with the standard's operations (docs/onvif.md maps them).
// Results come back through the same callbacks as the home protocol's: status
// events 4, 5, 14 and 15, and answers by command code with the refusal bit.
//
// Calls return at once; the SOAP exchanges run on a pool of worker threads
// and a firmware upload on a thread of its own. Callbacks run on those
// threads, never while a lock of this library is held.
namespace vexlo::onvif {

class OnvifLibrary : public sdk::DeviceLibrary
{
public:
    explicit OnvifLibrary(OnvifLibraryOptions options = {});
    ~OnvifLibrary() override;
    OnvifLibrary(const OnvifLibrary&) = delete;
    OnvifLibrary& operator=(const OnvifLibrary&) = delete;

    const OnvifLibraryOptions& options() const { return m_options; }
    // Why the last search could not start; empty when it did.
    std::string searchProblem() const;

    int Init() override;
    int SetStatusEventCallBack(STATUS_EVENT_CALLBACK callback, void* user) override;
    int SetAUXResponseCallBack(AUX_RESPONSE_CALLBACK callback, void* user) override;

    int StartSearchIPC() override;
    int StopSearchIPC() override;
    int GetSearchIPCCount() override;
    int GetIPCInfo(int index, _IPCINFO* info) override;
    int ModifyIPC(int index, const _IPCINFO* info) override;

    int Login(const char* ip, std::uint16_t port, const char* user, const char* password,
              int reserved) override;
    int SetAutoReconnect(int loginHandle, int enable) override;
    int Logout(int loginHandle) override;

    int SystemControl(int loginHandle, int command, int channel, const char* request) override;
    int SetDVRConfig(int loginHandle, int command, int channel, const char* text,
                     int length) override;
    int GetDVRConfig(int loginHandle, int command, int channel, char* buffer, int bufferSize,
                     int* returned) override;

    int Upgrade(int loginHandle, const char* firmwarePath) override;
    int GetUpgradeState(int loginHandle) override;
    int GetUpgradeProgress(int loginHandle) override;

    int FormatDisk(int loginHandle, int disk) override;
    int RestoreConfig(int loginHandle) override;
    int RebootDVR(int loginHandle) override;

    int RealPlayEx(int loginHandle, const char* ip, const char* userName, const char* password,
                   REAL_DATA_CALLBACK callback, const IP_PLAY_CLIENTINFO* client,
                   void* userValue) override;
    int RealPlayStream(int loginHandle, const char* ip, const char* userName, const char* password,
                       REAL_DATA_CALLBACK callback, const IP_PLAY_CLIENTINFO* client,
                       void* userValue, int stream) override;
    int StopRealPlay(int realPlayHandle) override;

private:
    using SessionPtr = std::shared_ptr<OnvifSession>;

    bool started() const;
    SessionPtr findSession(int loginHandle) const;
    SessionPtr loggedInSession(int loginHandle) const;
    credentials::SiteCredentials siteCredentials() const;

    void attemptLogin(const SessionPtr& session);
    void retryLogin(const SessionPtr& session);
    void loginFailed(const SessionPtr& session);
    // Answers the command with the refusal bit: it has no ONVIF operation.
    int refuseLater(int loginHandle, int command);
    void runCommand(const SessionPtr& session, int command);
    void pushConfigSection(const SessionPtr& session, int command, const std::string& body);
    void rememberPassword(const std::string& serialNo, const Credentials& login);
    void answerVersion(const SessionPtr& session);
    void setTime(const SessionPtr& session);
    void reboot(const SessionPtr& session);
    void restore(const SessionPtr& session);
    void watchRestore(std::shared_ptr<DeviceClient> client, std::string serialNo, bool wentAway,
                      std::chrono::steady_clock::time_point giveUp);
    bool moveCamera(const ListedCamera& camera, const std::string& address, int prefixLength,
                    const std::string& gateway);
    void upload(const SessionPtr& session, std::string firmwarePath, std::stop_token stop);

    // Reports after the handle was handed out (see OnvifSession::holdOrDeliver).
    void emitStatus(const SessionPtr& session, int event);
    void answer(int loginHandle, int code, const std::string& text = {});
    void notice(const std::string& line) const;
    bool post(JobPool::Job job);
    void dropFinishedPlaysLocked();

    const OnvifLibraryOptions m_options;
    std::shared_ptr<credentials::CredentialStore> m_credentials;
    // Calls on sessions have the full limits; the search's questions short ones,
    // so a camera that does not answer delays the list by seconds, not minutes.
    std::shared_ptr<HttpTransport> m_transport;
    std::shared_ptr<HttpTransport> m_searchTransport;
    ClientOptions m_clientOptions;
    std::unique_ptr<JobPool> m_pool;
    std::unique_ptr<OnvifSearch> m_search;

    mutable std::mutex m_mutex; // guards the sessions, the handles and the uploads
    bool m_started = false;
    bool m_stopping = false;
    std::map<int, SessionPtr> m_sessions;
    int m_lastLoginHandle;
    struct UploadThread
    {
        std::shared_ptr<std::atomic<bool>> done;
        std::jthread thread;
    };
    std::vector<UploadThread> m_uploads;
    std::map<int, std::unique_ptr<LivePlay>> m_plays;
    // Stopped plays whose threads may still be leaving a call to the camera;
    // dropped once finished, and waited for when the library ends.
    std::vector<std::unique_ptr<LivePlay>> m_stoppedPlays;

    sdk::CallbackSlots m_callbacks;
};

} // namespace vexlo::onvif

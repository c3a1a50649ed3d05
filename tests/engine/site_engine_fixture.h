#pragma once

#include "worker_fixture.h"

#include "engine/batch_state.h"
#include "engine/batch_workers.h"
#include "engine/device_record.h"
#include "ipcsim/request_log.h"
#include "ipcsim/scenario.h"
#include "ipcsim/site.h"
#include "netsdk/net_sdk.h"
#include "platform/headless_ui_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vexlo {

// The seven workers against simulated cameras: each test gets its own site on
// loopback addresses of its own, the real device library (netsdk) talking to it
// over sockets, and the test's thread as the user-interface thread. Time runs
// kTimeScale times faster for the workers and the cameras alike.
class SiteEngineTest : public ::testing::Test
{
protected:
    // The device library's connect and login deadlines shrink with the clock
    // too; at this scale a login has half a second of real time, which a
    // loaded machine under a sanitizer needs.
    static constexpr double kTimeScale = 20.0;

    SiteEngineTest();
    void TearDown() override;

    // A healthy camera with short check, reboot and format times (the re-login
    // after an upgrade makes its first attempt 15 s after the verdict, so the
    // camera is back by then).
    static vexlo::ipcsim::CameraSetup healthyCamera(const std::string& serial);

    // Starts the site (on a fresh address block), the device library and the
    // workers, and lists one record per camera, in order.
    void startSite(std::vector<vexlo::ipcsim::CameraSetup> cameras);
    _DEVICERECORD& device(std::size_t index) { return *m_records.at(index); }
    vexlo::ipcsim::CameraSnapshot cameraNow(std::size_t index) const;

    // A firmware file carrying `version` in the test's folder; its path.
    std::string makeFirmware(const std::string& version);
    void setFirmwarePath(const std::string& utf8);

    // Logs the record in as an earlier instruction would have left it.
    void logInAlready(_DEVICERECORD& record);

    // What the upgrade instruction does for its ticked rows, then waits for
    // WM_UPGRADE_DONE.
    void upgrade(const std::vector<_DEVICERECORD*>& devices);
    void startUpgrade(const std::vector<_DEVICERECORD*>& devices);
    // What the maintenance instructions do before posting.
    void fillMaintList(const std::vector<_DEVICERECORD*>& devices, int diskIndex = 0);
    // Posts a maintenance message and waits for its done message.
    void runMaintenance(std::uint32_t message, std::uint32_t doneMessage, WPARAM wParam = 0);

    // Serves the user-interface thread until `done` or the real-time limit.
    bool waitFor(const std::function<bool()>& done,
                 std::chrono::milliseconds limit = std::chrono::seconds(90));
    bool waitForDone(std::uint32_t message, std::size_t count = 1);
    int doneCount(std::uint32_t message) const;
    const DoneMessage* firstDone(std::uint32_t message) const;
    std::uint32_t doneTick(std::uint32_t message) const;

    // Status texts (column 6) in the order shown, with seconds written as "#",
    // and repeats folded. The upload percentages below 100 are written "#" too:
    // how many of them a pass sees depends on how fast loopback moves the file.
    std::vector<std::u16string> statusTexts(const _DEVICERECORD& record) const;
    // The same without any upload percentage and without the seconds of the
    // check wait: what a run shows however fast the upload and the check are.
    std::vector<std::u16string> stageTexts(const _DEVICERECORD& record) const;
    std::vector<std::u16string> columnTexts(const _DEVICERECORD& record, int column) const;
    std::vector<int> uploadPercents(const _DEVICERECORD& record) const;
    // The most seconds shown in a status text that begins with `prefix` and
    // ends in "<n>(s)" or "(<n>s)"; -1 when there is none.
    int largestSeconds(const _DEVICERECORD& record, std::u16string_view prefix) const;
    // The index in the row updates of the first update of `record` for which
    // `match` holds; -1 when there is none.
    int firstRowIndex(const _DEVICERECORD& record,
                      const std::function<bool(const std::u16string&)>& match) const;

    // What the camera at `index` logged of one kind (and code, unless 0; and
    // with a note that begins with `note`, unless empty).
    std::vector<vexlo::ipcsim::RequestRecord> requestsTo(std::size_t index, std::string_view kind,
                                                         std::uint32_t code = 0,
                                                         std::string_view note = {}) const;
    // Login hellos: one per connection the library opened to the camera.
    std::size_t loginAttempts(std::size_t index) const;
    // Uploads the camera was offered.
    std::size_t uploadsOffered(std::size_t index) const;

    BatchWorkers& workers() { return m_workers; }

    BatchState state;
    RecordingWindow window;
    vexlo::HeadlessUiPort port;

private:
    std::u16string firmwarePath();

    std::mutex m_pathMutex;
    std::u16string m_firmwarePath;
    BatchWorkers m_workers;
    std::filesystem::path m_dir;
    std::unique_ptr<vexlo::ipcsim::Site> m_site;
    std::unique_ptr<vexlo::netsdk::NetSdk> m_sdk;
    std::vector<std::unique_ptr<_DEVICERECORD>> m_records;
    bool m_workersStarted = false;
};

using Texts = std::vector<std::u16string>;

#define EXPECT_TEXTS(actualTexts, ...)                                                             \
    do {                                                                                           \
        const Texts expected{__VA_ARGS__};                                                         \
        const Texts actual = (actualTexts);                                                        \
        EXPECT_EQ(actual, expected)                                                                \
            << "shown:" << describeTexts(actual) << "\nexpected:" << describeTexts(expected);      \
    } while (false)

} // namespace vexlo

#include "site_engine_fixture.h"

#include "../support/loopback_site.h"

#include "engine/messages.h"
#include "engine/sdk_callbacks.h"
#include "ipcsim/firmware.h"
#include "platform/codepage.h"
#include "platform/tick.h"
#include "sdk/backend.h"
#include "sdk/netsdk.h"

#include <algorithm>
#include <regex>
#include <unistd.h>

namespace vexlo {

namespace {

// A firmware small enough that a test's upload takes a moment, and large enough
// to be sent in several chunks.
constexpr std::uint64_t kFirmwareSize = 256 * 1024;

// Where these tests' sites live: 127.A.215.n (250 cameras reach into .216).
constexpr vexlo::test::LoopbackBlock kSiteBlock{20, 200, 215};

std::u16string foldSeconds(const std::u16string& text)
{
    static const std::regex seconds(R"(\d+(\(s\)|s\))$)");
    return vexlo::utf8ToUtf16(std::regex_replace(vexlo::utf16ToUtf8(text), seconds, "#$1"));
}

// The percentage of an upload progress text ("上传文件 40%"), or -1.
int percentOf(const std::u16string& text)
{
    static const std::regex progress(R"(^(上传文件|uploading file) (\d+)%$)");
    std::smatch match;
    const std::string utf8 = vexlo::utf16ToUtf8(text);
    if (!std::regex_match(utf8, match, progress))
        return -1;
    return std::stoi(match[2].str());
}

bool isCheckWait(const std::u16string& folded)
{
    return folded == u"上传完成，校验文件 #(s)" || folded == u"finished upload,checking file #(s)";
}

} // namespace

SiteEngineTest::SiteEngineTest() : m_workers(state, [this] { return firmwarePath(); })
{
    vexlo::setTimeScaleForTesting(kTimeScale);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_dir = std::filesystem::temp_directory_path() /
            ("engine-site-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" +
             info->name());
    std::filesystem::remove_all(m_dir);
    std::filesystem::create_directories(m_dir);
    port.setHandler(&window);
    state.ui = &port;
    window.restoreTimer = [this] { m_workers.onRestoreTimer(); };
    window.formatDevices = &state.maintList.items;
    window.upgradeState = &state;
}

void SiteEngineTest::TearDown()
{
    if (m_workersStarted) {
        EXPECT_TRUE(m_workers.stop());
    }
    // The library goes before the site (its sessions talk to the cameras) and
    // before the state its callbacks write into.
    vexlo::sdk::installDeviceLibrary(nullptr);
    m_sdk.reset();
    m_site.reset();
    state.ui = nullptr;
    port.shutdown();
    vexlo::setTimeScaleForTesting(1);
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}

vexlo::ipcsim::CameraSetup SiteEngineTest::healthyCamera(const std::string& serial)
{
    vexlo::ipcsim::CameraSetup camera = vexlo::ipcsim::makeCamera(serial, "127.0.0.2");
    camera.firmwareVersion = "V5.2.0";
    camera.rebootSeconds = 5;
    camera.formatSeconds = 3;
    camera.firmwareCheckSeconds = 3;
    return camera;
}

void SiteEngineTest::startSite(std::vector<vexlo::ipcsim::CameraSetup> cameras)
{
    vexlo::ipcsim::Scenario scenario;
    scenario.cameras = std::move(cameras);
    vexlo::ipcsim::SiteOptions siteOptions;
    siteOptions.searchPort = 0;
    siteOptions.logFile = m_dir / "requests.jsonl";
    vexlo::test::LoopbackSite started =
        vexlo::test::startLoopbackSite(std::move(scenario), kSiteBlock, siteOptions);
    m_site = std::move(started.site);
    scenario = std::move(started.scenario);

    vexlo::netsdk::NetSdkOptions options;
    options.searchPort = m_site->searchPort();
    m_sdk = std::make_unique<vexlo::netsdk::NetSdk>(options);
    vexlo::sdk::installDeviceLibrary(m_sdk.get());
    ASSERT_EQ(IP_NET_DVR_Init(), 0);
    registerSdkCallbacks(state);

    for (std::size_t i = 0; i < scenario.cameras.size(); ++i) {
        const auto& setup = scenario.cameras[i];
        auto record = std::make_unique<_DEVICERECORD>();
        vexlo::copyToField(record->serialNo, setup.serial);
        vexlo::copyToField(record->ipAddress, setup.address);
        vexlo::copyToField(record->macAddress, setup.mac);
        vexlo::copyToField(record->userName, setup.user);
        vexlo::copyToField(record->password, setup.password);
        record->port = setup.port;
        record->listRow = static_cast<int>(i);
        m_records.push_back(std::move(record));
    }
    m_workers.start();
    m_workersStarted = true;
}

vexlo::ipcsim::CameraSnapshot SiteEngineTest::cameraNow(std::size_t index) const
{
    return m_site->camera(index);
}

std::string SiteEngineTest::makeFirmware(const std::string& version)
{
    const auto path = m_dir / ("fw-" + version + ".bin");
    vexlo::ipcsim::makeFirmwareFile(path, version, kFirmwareSize);
    return path.string();
}

void SiteEngineTest::setFirmwarePath(const std::string& utf8)
{
    std::lock_guard lock(m_pathMutex);
    m_firmwarePath = vexlo::utf8ToUtf16(utf8);
}

std::u16string SiteEngineTest::firmwarePath()
{
    std::lock_guard lock(m_pathMutex);
    return m_firmwarePath;
}

void SiteEngineTest::logInAlready(_DEVICERECORD& record)
{
    const int handle =
        IP_NET_DVR_Login(record.ipAddress, record.port, record.userName, record.password, 0);
    ASSERT_GT(handle, 0);
    // No task waits for this handle, so the callback keeps the answer aside.
    int result = 0;
    ASSERT_TRUE(waitFor([&] { return (result = state.claimLoginResult(handle)) != 0; }));
    ASSERT_EQ(result, 1);
    record.loginHandle = handle;
    record.loginState = 1;
}

void SiteEngineTest::startUpgrade(const std::vector<_DEVICERECORD*>& devices)
{
    state.upgradeList.clear();
    state.rebootWaitList.clear();
    for (_DEVICERECORD* record : devices) {
        record->loginPurpose = 2;
        record->rebootState = 0;
        record->rebootStartTick = 0;
        vexlo::CriticalSectionLock lock(state.upgradeList.lock);
        state.upgradeList.items.push_back(record);
        m_workers.postToUpgradeControl(TM_UPGRADE_START, reinterpret_cast<WPARAM>(record));
    }
}

void SiteEngineTest::upgrade(const std::vector<_DEVICERECORD*>& devices)
{
    startUpgrade(devices);
    ASSERT_TRUE(waitForDone(WM_UPGRADE_DONE));
}

void SiteEngineTest::fillMaintList(const std::vector<_DEVICERECORD*>& devices, int diskIndex)
{
    vexlo::CriticalSectionLock lock(state.maintList.lock);
    state.maintList.items.clear();
    for (_DEVICERECORD* record : devices) {
        if (diskIndex != 0) {
            record->diskIndex = diskIndex;
            record->formatState = 0;
            record->storageInfoReceived = 0;
            record->totalSd1 = record->totalSd2 = record->totalUsb = 0;
        } else {
            record->timeSyncState = 0;
            record->restoreState = 0;
        }
        state.maintList.items.push_back(record);
    }
}

void SiteEngineTest::runMaintenance(std::uint32_t message, std::uint32_t doneMessage, WPARAM wParam)
{
    ASSERT_TRUE(m_workers.postToMaintenance(message, wParam));
    ASSERT_TRUE(waitForDone(doneMessage));
}

bool SiteEngineTest::waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    return port.runUntil(done, limit);
}

bool SiteEngineTest::waitForDone(std::uint32_t message, std::size_t count)
{
    return waitFor([&] { return static_cast<std::size_t>(doneCount(message)) >= count; });
}

int SiteEngineTest::doneCount(std::uint32_t message) const
{
    int count = 0;
    for (const DoneMessage& done : window.dones)
        count += done.message == message;
    return count;
}

const DoneMessage* SiteEngineTest::firstDone(std::uint32_t message) const
{
    for (const DoneMessage& done : window.dones) {
        if (done.message == message)
            return &done;
    }
    return nullptr;
}

std::vector<std::u16string> SiteEngineTest::columnTexts(const _DEVICERECORD& record,
                                                        int column) const
{
    std::vector<std::u16string> texts;
    for (const RowUpdate& row : window.rows) {
        if (row.record == &record && row.column == column)
            texts.push_back(row.text);
    }
    return texts;
}

std::vector<std::u16string> SiteEngineTest::statusTexts(const _DEVICERECORD& record) const
{
    std::vector<std::u16string> folded;
    for (const std::u16string& text : columnTexts(record, COLUMN_STATUS)) {
        const int percent = percentOf(text);
        std::u16string normalised = percent >= 0 && percent < 100
                                        ? text.substr(0, text.rfind(u' ')) + u" #%"
                                        : foldSeconds(text);
        if (folded.empty() || folded.back() != normalised)
            folded.push_back(std::move(normalised));
    }
    return folded;
}

std::vector<std::u16string> SiteEngineTest::stageTexts(const _DEVICERECORD& record) const
{
    std::vector<std::u16string> stages;
    for (const std::u16string& text : columnTexts(record, COLUMN_STATUS)) {
        const std::u16string folded = foldSeconds(text);
        if (percentOf(text) >= 0 || isCheckWait(folded))
            continue;
        if (stages.empty() || stages.back() != folded)
            stages.push_back(folded);
    }
    return stages;
}

std::vector<int> SiteEngineTest::uploadPercents(const _DEVICERECORD& record) const
{
    std::vector<int> percents;
    for (const std::u16string& text : columnTexts(record, COLUMN_STATUS)) {
        if (const int percent = percentOf(text); percent >= 0)
            percents.push_back(percent);
    }
    return percents;
}

int SiteEngineTest::largestSeconds(const _DEVICERECORD& record, std::u16string_view prefix) const
{
    static const std::regex seconds(R"((\d+)(\(s\)|s\))$)");
    int largest = -1;
    for (const std::u16string& text : columnTexts(record, COLUMN_STATUS)) {
        if (!text.starts_with(prefix))
            continue;
        const std::string tail = vexlo::utf16ToUtf8(text.substr(prefix.size()));
        std::smatch match;
        if (std::regex_search(tail, match, seconds))
            largest = std::max(largest, std::stoi(match[1].str()));
    }
    return largest;
}

int SiteEngineTest::firstRowIndex(const _DEVICERECORD& record,
                                  const std::function<bool(const std::u16string&)>& match) const
{
    for (std::size_t i = 0; i < window.rows.size(); ++i) {
        const RowUpdate& row = window.rows[i];
        if (row.record == &record && row.column == COLUMN_STATUS && match(row.text))
            return static_cast<int>(i);
    }
    return -1;
}

std::uint32_t SiteEngineTest::doneTick(std::uint32_t message) const
{
    const DoneMessage* done = firstDone(message);
    return done ? done->tick : 0;
}

std::vector<vexlo::ipcsim::RequestRecord> SiteEngineTest::requestsTo(std::size_t index,
                                                                     std::string_view kind,
                                                                     std::uint32_t code,
                                                                     std::string_view note) const
{
    const std::string serial = m_site->setup(index).serial;
    std::vector<vexlo::ipcsim::RequestRecord> found;
    for (auto& record : vexlo::ipcsim::readRequestLog(m_dir / "requests.jsonl")) {
        if (record.serial == serial && record.kind == kind && (code == 0 || record.code == code) &&
            record.note.starts_with(note))
            found.push_back(std::move(record));
    }
    return found;
}

std::size_t SiteEngineTest::loginAttempts(std::size_t index) const
{
    return requestsTo(index, vexlo::ipcsim::request_kind::kLogin, 0, "hello").size();
}

std::size_t SiteEngineTest::uploadsOffered(std::size_t index) const
{
    return requestsTo(index, vexlo::ipcsim::request_kind::kUpgrade, 0, "upload of").size();
}

} // namespace vexlo

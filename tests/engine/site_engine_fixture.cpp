#include "site_engine_fixture.h"

#include "engine/messages.h"
#include "engine/sdk_callbacks.h"
#include "ipcsim/firmware.h"
#include "platform/codepage.h"
#include "sdk/netsdk.h"

#include <algorithm>
#include <regex>

namespace vexlo {

namespace {

// A firmware small enough that a test's upload takes a moment, and large enough
// to be sent in several chunks.
constexpr std::uint64_t kFirmwareSize = 256 * 1024;

// Where these tests' sites live: 127.A.215.n (250 cameras reach into .216).
constexpr vexlo::test::LoopbackBlock kSiteBlock{20, 200, 215};

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
    m_site = std::make_unique<vexlo::test::NetSdkSite>(std::move(cameras), kSiteBlock);
    ASSERT_EQ(IP_NET_DVR_Init(), 0);
    registerSdkCallbacks(state);
    for (std::size_t i = 0; i < m_site->cameras().size(); ++i)
        records.push_back(m_site->record(i));
    startWorkers();
}

vexlo::ipcsim::CameraSnapshot SiteEngineTest::cameraNow(std::size_t index) const
{
    return m_site->site().camera(index);
}

std::u16string SiteEngineTest::makeFirmware(const std::string& version)
{
    const auto path = m_site->folder() / ("fw-" + version + ".bin");
    vexlo::ipcsim::makeFirmwareFile(path, version, kFirmwareSize);
    return vexlo::utf8ToUtf16(path.string());
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

void SiteEngineTest::upgrade(const std::vector<_DEVICERECORD*>& devices)
{
    startUpgrade(devices);
    ASSERT_TRUE(waitForDone(WM_UPGRADE_DONE));
}

void SiteEngineTest::runMaintenance(std::uint32_t message, std::uint32_t doneMessage, WPARAM wParam)
{
    ASSERT_TRUE(workers.postToMaintenance(message, wParam));
    ASSERT_TRUE(waitForDone(doneMessage));
}

Texts SiteEngineTest::statusTexts(const _DEVICERECORD& record) const
{
    return foldedStatus(record, [](const std::u16string& text) {
        const int percent = percentOf(text);
        return percent >= 0 && percent < 100 ? text.substr(0, text.rfind(u' ')) + u" #%"
                                             : foldSeconds(text);
    });
}

Texts SiteEngineTest::stageTexts(const _DEVICERECORD& record) const
{
    return foldedStatus(record, [](const std::u16string& text) {
        const std::u16string folded = foldSeconds(text);
        return percentOf(text) >= 0 || isCheckWait(folded) ? std::u16string() : folded;
    });
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

std::vector<vexlo::ipcsim::RequestRecord>
SiteEngineTest::requestsTo(std::size_t index, std::string_view kind, std::uint32_t code) const
{
    return m_site->requests(m_site->cameras().at(index).serial, kind, code);
}

std::size_t SiteEngineTest::notesOf(std::size_t index, std::string_view kind,
                                    std::string_view note) const
{
    const auto requests = requestsTo(index, kind);
    return std::count_if(requests.begin(), requests.end(),
                         [&](const auto& request) { return request.note.starts_with(note); });
}

std::size_t SiteEngineTest::loginAttempts(std::size_t index) const
{
    return notesOf(index, vexlo::ipcsim::request_kind::kLogin, "hello");
}

std::size_t SiteEngineTest::uploadsOffered(std::size_t index) const
{
    return notesOf(index, vexlo::ipcsim::request_kind::kUpgrade, "upload of");
}

} // namespace vexlo

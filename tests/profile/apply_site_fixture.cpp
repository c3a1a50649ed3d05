#include "apply_site_fixture.h"

#include "engine/sdk_callbacks.h"
#include "platform/codepage.h"
#include "platform/tick.h"
#include "profile/config_sections.h"
#include "sdk/netsdk.h"

namespace vexlo {

using namespace std::chrono_literals;

ApplySiteTest::ApplySiteTest()
{
    vexlo::setTimeScaleForTesting(kTimeScale);
    state.ui = &ui;
}

void ApplySiteTest::TearDown()
{
    EXPECT_TRUE(controller.stopAll(5s));
    // The library's threads deliver the callbacks: end them before the list
    // they search is emptied and the records go.
    m_site.reset();
    state.applyList.clear();
    state.ui = nullptr;
}

void ApplySiteTest::startSite(std::vector<vexlo::ipcsim::CameraSetup> cameras)
{
    m_site = std::make_unique<vexlo::test::NetSdkSite>(std::move(cameras),
                                                       vexlo::test::LoopbackBlock{20, 200, 214});
    ASSERT_EQ(IP_NET_DVR_Init(), 0);
    registerSdkCallbacks(state);
    for (std::size_t i = 0; i < m_site->cameras().size(); ++i)
        records.push_back(m_site->record(i));
}

std::vector<_DEVICERECORD*> ApplySiteTest::allRecords() const
{
    std::vector<_DEVICERECORD*> all;
    for (const auto& record : records)
        all.push_back(record.get());
    return all;
}

std::vector<vexlo::ipcsim::RequestRecord>
ApplySiteTest::allRequestsOf(const std::string& serial) const
{
    return m_site->requests(serial);
}

std::vector<vexlo::ipcsim::RequestRecord> ApplySiteTest::requestsOf(const std::string& serial,
                                                                    std::string_view kind) const
{
    return m_site->requests(serial, kind);
}

std::vector<vexlo::ipcsim::RequestRecord>
ApplySiteTest::configRequests(const std::string& serial) const
{
    return requestsOf(serial, vexlo::ipcsim::request_kind::kSetConfig);
}

int ApplySiteTest::logInBeforehand(_DEVICERECORD& record, std::chrono::milliseconds limit)
{
    const std::string ip(vexlo::fieldText(record.ipAddress));
    const std::string user(vexlo::fieldText(record.userName));
    const std::string password(vexlo::fieldText(record.password));
    const int handle = IP_NET_DVR_Login(ip.c_str(), record.port, user.c_str(), password.c_str(), 0);
    if (handle <= 0)
        return 0;
    // The record is in no list yet, so the callback keeps the answer for us.
    int result = 0;
    if (!test::waitUntil([&] { return (result = state.claimLoginResult(handle)) != 0; }, limit) ||
        result != 1)
        return 0;
    record.loginHandle = handle;
    record.loginState = 1;
    return handle;
}

std::string ApplySiteTest::bodyOf(int code) const
{
    for (const vexlo::ConfigSection& section : vexlo::configSections())
        if (section.replyCode == code)
            return vexlo::sectionRequestText(section, *profile);
    return {};
}

} // namespace vexlo

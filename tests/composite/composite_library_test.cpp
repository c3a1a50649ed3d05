#include "tests/support/mock_device_library.h"

#include "composite/composite_library.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using ::testing::_;
using ::testing::NiceMock;
using ::testing::Return;
using vexlo::composite::CompositeLibrary;

constexpr int kSecondBase = 1 << 24;

struct Listed
{
    std::string serial;
    std::string mac;
    std::string address;
    std::uint16_t port;
};

// Scripts a library's search results; `results` may grow while the test runs.
void scriptSearch(NiceMock<MockDeviceLibrary>& library, const std::vector<Listed>& results)
{
    ON_CALL(library, GetSearchIPCCount()).WillByDefault([&results] {
        return static_cast<int>(results.size());
    });
    ON_CALL(library, GetIPCInfo(_, _)).WillByDefault([&results](int index, _IPCINFO* info) {
        if (index < 0 || static_cast<std::size_t>(index) >= results.size())
            return -1;
        const Listed& entry = results[static_cast<std::size_t>(index)];
        std::strcpy(info->serialNo, entry.serial.c_str());
        std::strcpy(info->macAddress, entry.mac.c_str());
        std::strcpy(info->ipAddress, entry.address.c_str());
        info->port = entry.port;
        return 0;
    });
}

class CompositeLibraryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        scriptSearch(m_home, m_homeResults);
        scriptSearch(m_onvif, m_onvifResults);
    }

    _IPCINFO entry(int index)
    {
        _IPCINFO info{};
        EXPECT_EQ(m_composite.GetIPCInfo(index, &info), 0);
        return info;
    }

    std::vector<Listed> m_homeResults;
    std::vector<Listed> m_onvifResults;
    NiceMock<MockDeviceLibrary> m_home;
    NiceMock<MockDeviceLibrary> m_onvif;
    CompositeLibrary m_composite{m_home, m_onvif, kSecondBase};
};

TEST_F(CompositeLibraryTest, CameraOfBothProtocolsIsListedOnceAndDrivenByTheHomeProtocol)
{
    m_composite.StartSearchIPC();
    m_onvifResults = {{"BOTH1", "00:1a:2b:00:00:01", "127.0.0.5", 8080},
                      {"ONVIF2", "00:1A:2B:00:00:02", "127.0.0.6", 8080}};
    ASSERT_EQ(m_composite.GetSearchIPCCount(), 2);
    EXPECT_EQ(listedProtocol(entry(0)), ListedProtocol::Onvif);

    // The home protocol's answer for the same camera (its MAC in capitals)
    // comes later: it takes the ONVIF entry's place, the list does not grow.
    m_homeResults = {{"BOTH1", "00:1A:2B:00:00:01", "127.0.0.5", 8000},
                     {"HOME3", "00:1A:2B:00:00:03", "127.0.0.7", 8000}};
    ASSERT_EQ(m_composite.GetSearchIPCCount(), 3);
    EXPECT_EQ(std::string(entry(0).serialNo), "BOTH1");
    EXPECT_EQ(listedProtocol(entry(0)), ListedProtocol::Home);
    EXPECT_EQ(entry(0).port, 8000);
    EXPECT_EQ(std::string(entry(1).serialNo), "ONVIF2");
    EXPECT_EQ(std::string(entry(2).serialNo), "HOME3");

    // A later ONVIF answer for a camera the home protocol listed adds nothing.
    m_onvifResults.push_back({"HOME3", "", "127.0.0.7", 8080});
    EXPECT_EQ(m_composite.GetSearchIPCCount(), 3);

    // The same serial with another MAC is another camera.
    m_onvifResults.push_back({"ONVIF2", "00:1A:2B:00:00:09", "127.0.0.9", 8080});
    EXPECT_EQ(m_composite.GetSearchIPCCount(), 4);
}

TEST_F(CompositeLibraryTest, LoginsHandlesAndPositionsReachTheLibraryThatListedTheCamera)
{
    m_composite.StartSearchIPC();
    m_homeResults = {{"HOME1", "00:1A:2B:00:00:01", "127.0.0.5", 8000}};
    m_onvifResults = {{"ONVIF2", "00:1A:2B:00:00:02", "127.0.0.6", 8080}};
    ASSERT_EQ(m_composite.GetSearchIPCCount(), 2);

    EXPECT_CALL(m_onvif, Login(::testing::StrEq("127.0.0.6"), 8080, _, _, _))
        .WillOnce(Return(kSecondBase + 1));
    EXPECT_CALL(m_home, Login(::testing::StrEq("127.0.0.5"), 8000, _, _, _)).WillOnce(Return(1));
    EXPECT_EQ(m_composite.Login("127.0.0.6", 8080, "admin", "", 0), kSecondBase + 1);
    EXPECT_EQ(m_composite.Login("127.0.0.5", 8000, "admin", "", 0), 1);

    EXPECT_CALL(m_onvif, Upgrade(kSecondBase + 1, _)).WillOnce(Return(0));
    EXPECT_CALL(m_home, Upgrade(1, _)).WillOnce(Return(0));
    EXPECT_EQ(m_composite.Upgrade(kSecondBase + 1, "fw.bin"), 0);
    EXPECT_EQ(m_composite.Upgrade(1, "fw.bin"), 0);

    // Position 1 of the list is position 0 of the ONVIF library.
    const _IPCINFO moved = entry(1);
    EXPECT_CALL(m_onvif, ModifyIPC(0, _)).WillOnce(Return(0));
    EXPECT_CALL(m_home, ModifyIPC(_, _)).Times(0);
    EXPECT_EQ(m_composite.ModifyIPC(1, &moved), 0);
}

} // namespace

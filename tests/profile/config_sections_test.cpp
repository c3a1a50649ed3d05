#include "tests/support/mock_device_library.h"

#include "engine/device_record.h"
#include "platform/codepage.h"
#include "profile/config_sections.h"
#include "profile/route_command.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace vexlo {

namespace {

using ::testing::_;
using ::testing::Return;
using ::testing::StrEq;

TEST(ConfigSectionTableTest, EachRowReadsItsOwnEnabledFlag)
{
    auto profile = std::make_unique<vexlo::ConfigProfile>();
    const auto sections = vexlo::configSections();
    for (const vexlo::ConfigSection& section : sections)
        EXPECT_FALSE(vexlo::sectionEnabled(section, *profile));

    profile->motion.enabled = 1;
    profile->lan.enabled = 2; // only exactly 1 selects a section
    for (const vexlo::ConfigSection& section : sections)
        EXPECT_EQ(vexlo::sectionEnabled(section, *profile), section.replyCode == 822);

    // The builder of each row reads its own section: change one field per
    // section and only that row's body changes.
    auto edited = std::make_unique<vexlo::ConfigProfile>();
    edited->cloud.syncTime = 1;
    const auto zero = std::make_unique<vexlo::ConfigProfile>();
    for (const vexlo::ConfigSection& section : sections) {
        EXPECT_EQ(section.build(*edited) != section.build(*zero), section.replyCode == 335)
            << section.replyCode;
    }
}

TEST(ConfigSectionTableTest, RequestIsCutToTheLimitMinusOne)
{
    auto profile = std::make_unique<vexlo::ConfigProfile>();
    for (vexlo::FtpServerEntry& server : profile->ftp.servers) {
        vexlo::copyToField(server.serverAddress, std::string(255, 'a'));
        vexlo::copyToField(server.storagePath, std::string(255, '&')); // 5 bytes each when sent
    }
    const vexlo::ConfigSection& ftp = vexlo::configSections()[1];
    ASSERT_EQ(ftp.replyCode, 421);
    const std::string full = ftp.build(*profile);
    ASSERT_GT(full.size(), 2047u);
    const std::string sent = vexlo::sectionRequestText(ftp, *profile);
    EXPECT_EQ(sent.size(), 2047u);
    EXPECT_EQ(sent, full.substr(0, 2047));

    // A body that fits is sent whole, also when it needs exactly limit - 1 bytes.
    EXPECT_EQ(vexlo::cutToLimit(std::string(1023, 'x'), 1024).size(), 1023u);
    EXPECT_EQ(vexlo::cutToLimit(std::string(1024, 'x'), 1024).size(), 1023u);
    EXPECT_EQ(vexlo::cutToLimit("abc", 0), "");
}

TEST(RouteCommandTest, RangeEdgesAndCodesOutsideTheTable)
{
    using vexlo::CommandRoute;
    const std::pair<int, CommandRoute> cases[] = {
        {201, CommandRoute::GetConfig},      {206, CommandRoute::GetConfig},
        {313, CommandRoute::GetConfig},      {800, CommandRoute::GetConfig},
        {222, CommandRoute::SetConfig},      {228, CommandRoute::SetConfig},
        {330, CommandRoute::SetConfig},      {335, CommandRoute::SetConfig},
        {527, CommandRoute::SetConfig},      {529, CommandRoute::SetConfig},
        {826, CommandRoute::SetConfig},      {1002, CommandRoute::SystemControl},
        {1021, CommandRoute::SystemControl}, {1051, CommandRoute::SystemControl},
    };
    for (const auto& [code, route] : cases)
        EXPECT_EQ(vexlo::commandRouteOf(code), route) << code;
    for (int code : {0,   200, 207,  221,  229,  324,  327,  329,  336,  528, 530,
                     823, 827, 1004, 1006, 1009, 1016, 1022, 1049, 1052, -1})
        EXPECT_EQ(vexlo::commandRouteOf(code), CommandRoute::None) << code;
}

TEST(RouteCommandTest, CallsTheLibraryWithTheRightArguments)
{
    ::testing::StrictMock<MockDeviceLibrary> library;
    EXPECT_CALL(library, GetDVRConfig(7, 203, 0, nullptr, 0, nullptr)).WillOnce(Return(0));
    EXPECT_CALL(library, SetDVRConfig(7, 620, 0, StrEq("<X />"), 6)).WillOnce(Return(3));
    EXPECT_CALL(library, SystemControl(7, 1012, 0, StrEq("q"))).WillOnce(Return(0));
    EXPECT_EQ(routeCommand(7, 203, "ignored"), 0);
    EXPECT_EQ(routeCommand(7, 620, "<X />"), 3);
    EXPECT_EQ(routeCommand(7, 1012, "q"), 0);
    // Not routed: no call at all.
    EXPECT_EQ(routeCommand(7, 1009, "x"), -1);
    EXPECT_EQ(routeCommand(7, 0, nullptr), -1);
}

} // namespace

} // namespace vexlo

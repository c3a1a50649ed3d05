#include "ipcsim/command_reply.h"
#include "protocol/command_codes.h"

#include <gtest/gtest.h>

using namespace vexlo::ipcsim;
using vexlo::protocol::CallKind;
using vexlo::protocol::Command;

namespace {

Command command(std::uint32_t code, std::string text = {}, CallKind kind = CallKind::SystemControl)
{
    Command c;
    c.code = code;
    c.kind = kind;
    c.text = std::move(text);
    return c;
}

} // namespace

TEST(CommandReply, ScenarioFaultsComeFirst)
{
    CameraSetup setup = makeCamera("SIM1", "127.0.0.2");
    setup.faults.refusedCodes = {kCodeVersion};
    setup.faults.unansweredCodes = {kCodeStorage};
    setup.faults.answerDelaySeconds = {{kCodeVersion, 4}, {kCodeFormat, 3}};
    const ConfigStore none;

    const auto refused = replyTo(setup, "V1", command(kCodeVersion), none);
    EXPECT_TRUE(refused.answered);
    EXPECT_TRUE(refused.refused);
    EXPECT_DOUBLE_EQ(refused.delaySeconds, 4) << "a refusal is delayed like an answer";
    EXPECT_TRUE(refused.text.empty());

    EXPECT_FALSE(replyTo(setup, "V1", command(kCodeStorage), none).answered);

    const auto format = replyTo(setup, "V1", command(kCodeFormat, "0"), none);
    EXPECT_FALSE(format.refused);
    EXPECT_DOUBLE_EQ(format.delaySeconds, setup.formatSeconds + 3);
    EXPECT_EQ(format.text, "0");
}

TEST(CommandReply, FormatRefusesStorageThatIsNotThere)
{
    CameraSetup setup = makeCamera("SIM1", "127.0.0.2");
    setup.storage = {0, -1, 100};
    const ConfigStore none;
    EXPECT_TRUE(replyTo(setup, "V1", command(kCodeFormat, "0"), none).refused);
    EXPECT_TRUE(replyTo(setup, "V1", command(kCodeFormat, "1"), none).refused);
    EXPECT_FALSE(replyTo(setup, "V1", command(kCodeFormat, "2"), none).refused);
    EXPECT_TRUE(replyTo(setup, "V1", command(kCodeFormat, "3"), none).refused);
    EXPECT_TRUE(replyTo(setup, "V1", command(kCodeFormat, ""), none).refused);
}

TEST(CommandReply, RebootRestoreAndTheVerdictCode)
{
    const CameraSetup setup = makeCamera("SIM1", "127.0.0.2");
    const ConfigStore none;
    const auto reboot = replyTo(setup, "V1", command(vexlo::protocol::kCodeReboot), none);
    EXPECT_EQ(reboot.after, AfterAnswer::Reboot);
    EXPECT_TRUE(reboot.text.empty());
    EXPECT_EQ(replyTo(setup, "V1", command(vexlo::protocol::kCodeFactoryRestore), none).after,
              AfterAnswer::FactoryRestore);
    // Nobody but the camera sends 1009.
    EXPECT_TRUE(replyTo(setup, "V1", command(kCodeFirmwareVerdict), none).refused);

    CameraSetup refusing = setup;
    refusing.faults.refusedCodes = {vexlo::protocol::kCodeReboot};
    EXPECT_EQ(replyTo(refusing, "V1", command(vexlo::protocol::kCodeReboot), none).after,
              AfterAnswer::Nothing);
}

TEST(CommandReply, VersionAnswerFollowsTheRunningVersion)
{
    const CameraSetup setup = makeCamera("SIM1", "127.0.0.2");
    const ConfigStore none;
    EXPECT_NE(replyTo(setup, "V7.0", command(kCodeVersion), none).text.find("\"V7.0\""),
              std::string::npos);
}

TEST(CommandReply, ConfigStoreIsBounded)
{
    ConfigStore config;
    for (CommandCode code = 1; code <= kMaxStoredConfigs + 10; ++code) {
        rememberConfig(config, code, "x");
    }
    EXPECT_EQ(config.size(), kMaxStoredConfigs);
    rememberConfig(config, 1, "updated");
    EXPECT_EQ(config.at(1), "updated");
}

TEST(CommandReply, TimeInRequest)
{
    EXPECT_EQ(
        timeInRequest("<REQUEST_PARAM\r\nTime=\"20261207 19:53:56\"\r\nTimeZone=\"4800\"\n/>"),
        "20261207 19:53:56");
    EXPECT_EQ(timeInRequest("<REQUEST_PARAM\r\nTimeZone=\"4800\"\n/>"), "");
    EXPECT_EQ(timeInRequest("<X\r\nTime=\"unterminated"), "");
    EXPECT_EQ(timeInRequest(""), "");
}

TEST(CommandReply, RequestKinds)
{
    EXPECT_EQ(requestKindOf(command(kCodeFormat)), "FormatDisk");
    EXPECT_EQ(requestKindOf(command(vexlo::protocol::kCodeReboot)), "RebootDVR");
    EXPECT_EQ(requestKindOf(command(vexlo::protocol::kCodeFactoryRestore)), "RestoreConfig");
    EXPECT_EQ(requestKindOf(command(620, "", CallKind::SetDVRConfig)), "SetDVRConfig");
    EXPECT_EQ(requestKindOf(command(620, "", CallKind::GetDVRConfig)), "GetDVRConfig");
    EXPECT_EQ(requestKindOf(command(kCodeVersion)), "SystemControl");
}

// vexlo-cli driving ONVIF cameras of vexlo-ipcsim: every instruction ends in
// the texts and summaries the home protocol's cameras give, and a mixed site
// runs both protocols in one instruction.
#include "cli_site.h"

#include "profile/config_profile.h"
#include "profile/config_sections.h"
#include "profile/profile_file.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <sys/stat.h>

namespace vexlo {

using namespace cli_test;

namespace {

std::string onvifCamera(const std::string& serial, const std::string& more = {})
{
    return R"("serial": ")" + serial + R"(", "protocol": "onvif")" + (more.empty() ? "" : ", ") +
           more;
}

} // namespace

TEST_F(CliEndToEnd, MixedSiteListsEveryCameraOnceAndUpgradesBothKinds)
{
    startSite({onvifCamera("ON0001"), R"("serial": "HP0002")",
               R"("serial": "BO0003", "protocol": "both")",
               onvifCamera("NV0004", R"("type": "NVR")")});
    const std::string file = firmware("V6.0.0");
    const CliRun run = cli({"--expect", "3", "--upgrade", file});
    EXPECT_EQ(run.status, 0) << dump(run);
    ASSERT_EQ(run.starting("device").size(), 3u) << dump(run);
    for (const char* serial : {"ON0001", "HP0002", "BO0003"}) {
        EXPECT_EQ(run.device(serial)[4], "V5.2.0") << serial;
        EXPECT_EQ(run.device(serial)[5], "V6.0.0") << serial;
        EXPECT_EQ(run.status6(serial), "升级成功") << serial;
    }
    EXPECT_EQ(run.device("ON0001")[0], address(1));
    EXPECT_TRUE(run.device("NV0004").empty()) << "a recorder is never listed";
    // The camera that speaks both was driven by the home protocol.
    EXPECT_FALSE(logged("BO0003", "Upgrade").empty());
    EXPECT_TRUE(logged("BO0003", "StartFirmwareUpgrade").empty());
    EXPECT_EQ(logged("ON0001", "FirmwareUpload").size(), 1u);
}

TEST_F(CliEndToEnd, OnvifUpgradeEndsInTheHomeProtocolsTexts)
{
    startSite({onvifCamera("OK0001"),
               onvifCamera("BAD0002", R"("faults": {"refuseFirmware": true})"),
               onvifCamera("BAD0003", R"("faults": {"uploadFailAtPercent": 40})"),
               onvifCamera("BAD0004", R"("faults": {"neverBackAfterReboot": true})"),
               onvifCamera("BAD0005", R"("faults": {"uploadStallAtPercent": 50})")});
    const std::string file = firmware("V6.0.0");
    const CliRun run = cli({"--protocol", "onvif", "--expect", "5", "--upgrade", file});
    EXPECT_EQ(run.status, 1) << dump(run);
    EXPECT_TRUE(run.has("ask\t升级完成, 总共:5, 成功:1, 失败:4。是否播放视频来找出这些设备?\tno"))
        << dump(run);
    EXPECT_EQ(run.status6("OK0001"), "升级成功");
    EXPECT_EQ(run.device("OK0001")[5], "V6.0.0");
    EXPECT_EQ(run.status6("BAD0002"), "该文件不能升级");
    // A POST the camera answers 500 is its verdict on the image.
    EXPECT_EQ(run.status6("BAD0003"), "该文件不能升级");
    EXPECT_EQ(run.status6("BAD0004"), "登录失败") << dump(run);
    // It took the whole image and never gave its verdict.
    EXPECT_EQ(run.status6("BAD0005"), "校验文件超时，升级失败");
}

TEST_F(CliEndToEnd, OnvifTimeSyncRestoreAndRebootCountAsAtHome)
{
    startSite({onvifCamera("OK0001"),
               onvifCamera("BAD0002", R"("faults": {"refuseCodes": [1005]})"),
               onvifCamera("BAD0003", R"("faults": {"loginRefused": true})")});
    const CliRun run = cli({"--protocol", "onvif", "--expect", "3", "--sync-time", "--restore",
                            "--reboot", "--answer", "yes"});
    EXPECT_EQ(run.status, 1) << dump(run);
    EXPECT_TRUE(run.has("ask\t同步时间完成, 总共:3，成功:1 失败:2。是否继续操作？\tyes"))
        << dump(run);
    EXPECT_TRUE(run.has("ask\t恢复出厂设置完成, 总共:3，成功:2 失败:1。是否继续操作？\tyes"));
    EXPECT_TRUE(run.has("box\t重启设备完成, 总共:3，成功:2 失败:1。"));
    EXPECT_TRUE(run.has("row\tOK0001\t6\t恢复出厂设置成功"));
    EXPECT_EQ(run.status6("OK0001"), "重启设备成功");
    EXPECT_EQ(run.status6("BAD0002"), "重启设备成功");
    EXPECT_EQ(run.status6("BAD0003"), "登录失败");
}

TEST_F(CliEndToEnd, OnvifModifyIpMovesAndFindsEveryCameraAgain)
{
    startSite({onvifCamera("OK0001"), onvifCamera("OK0002"), onvifCamera("OK0003")});
    const CliRun run = cli({"--protocol", "onvif", "--modify-ip", "--expect", "3"});
    EXPECT_EQ(run.status, 0) << dump(run);
    std::set<std::string> addresses;
    for (const char* serial : {"OK0001", "OK0002", "OK0003"}) {
        EXPECT_EQ(run.status6(serial), "修改IP成功") << serial;
        addresses.insert(run.device(serial).at(0));
    }
    EXPECT_EQ(addresses.size(), 3u) << "no two cameras share an address";
}

TEST_F(CliEndToEnd, SiteCredentialsAreTriedInTheirOrder)
{
    startSite({onvifCamera("OK0001", R"("user": "installer", "password": "second")"),
               onvifCamera("OK0002", R"("password": "own-pass")"),
               onvifCamera("BAD0003", R"("password": "nobody-knows")")});
    {
        std::ofstream file(m_directory / "credentials.json");
        file << R"({"logins": [{"user": "admin", "password": "first"},
                               {"user": "installer", "password": "second"}],
                    "cameras": [{"serial": "OK0002", "user": "admin", "password": "own-pass"}]})";
    }
    ::chmod((m_directory / "credentials.json").c_str(), 0600);
    const CliRun run = cli({"--protocol", "onvif", "--expect", "3", "--sync-time"});
    EXPECT_EQ(run.status, 1) << dump(run);
    EXPECT_EQ(run.status6("OK0001"), "同步时间成功");
    EXPECT_EQ(run.status6("OK0002"), "同步时间成功");
    EXPECT_EQ(run.status6("BAD0003"), "同步时间失败") << "its login failed";
    EXPECT_EQ(run.device("BAD0003")[0], address(3)) << "listed from what discovery told";
    for (const std::string& line : run.lines)
        EXPECT_EQ(line.find("second"), std::string::npos) << "a password in the output: " << line;
    EXPECT_EQ(run.errors.find("second"), std::string::npos);
}

TEST_F(CliEndToEnd, MalformedCredentialsFileStopsTheRunAndStaysAsItWas)
{
    startSite({onvifCamera("OK0001")});
    const std::string malformed = R"({"logins": [{"user": 7}]})";
    std::ofstream(m_directory / "credentials.json") << malformed;
    const CliRun run = cli({"--protocol", "onvif", "--expect", "1", "--sync-time"});
    EXPECT_EQ(run.status, 2) << dump(run);
    EXPECT_NE(run.errors.find("credentials.json"), std::string::npos) << run.errors;
    std::ifstream file(m_directory / "credentials.json");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), malformed);
}

TEST_F(CliEndToEnd, OnvifConfigurationPushSetsWhatTheStandardCarriesAndRefusesTheRest)
{
    startSite({onvifCamera("OK0001")});
    auto profile = std::make_unique<vexlo::ConfigProfile>();
    std::memset(static_cast<void*>(profile.get()), 0, sizeof(vexlo::ConfigProfile));
    profile->cloud.enabled = 1; // no ONVIF operation: refused
    profile->stream.enabled = 1;
    profile->stream.streamPort = 8564;
    profile->stream.webPort = 8090;
    profile->account.enabled = 1;
    std::strcpy(profile->account.newPassword, "new-pass-1");
    std::strcpy(profile->account.passwordConfirm, "new-pass-1");
    profile->time.enabled = 1;
    profile->time.updateMode = 0; // NTP
    profile->time.timeZone = 20;  // GMT+08:00
    std::strcpy(profile->time.ntpServer, "127.0.0.1");
    profile->capture.enabled = 1;
    profile->capture.brightness = 255; // the top of the camera's range
    profile->capture.contrast = 0;     // its bottom
    profile->capture.whiteBalance = 0; // automatic
    profile->overlay.enabled = 1;
    profile->overlay.osdEnabled = 1;
    profile->overlay.timePosition = 1;  // top left
    profile->overlay.titlePosition = 4; // bottom right
    std::strcpy(profile->overlay.title, "Gate 1^North");
    profile->videoEncode.enabled = 1;
    profile->videoEncode.mainStream = {0, 2, 0, 50, 3000, 24}; // 1080P, 3000 kbit/s, 25 fps
    profile->videoEncode.subStream = {0, 13, 0, 50, 500, 14};  // 640X360, 15 fps
    profile->audioEncode.enabled = 1;
    profile->audioEncode.encodingOn = 1; // G.711 at 8000 Hz
    profile->motion.enabled = 1;
    profile->motion.alarmOn = 1;
    profile->motion.gridSize = 2;      // 3 x 3
    profile->motion.regionMask[4] = 1; // the middle cell
    profile->motion.sensitivity = 500; // the page allows it; the camera takes 0..100
    profile->lan.enabled = 1;          // the last section: the camera moves
    std::strcpy(profile->lan.ipAddress, address(5).c_str());
    std::strcpy(profile->lan.netmask, "255.0.0.0");
    std::strcpy(profile->lan.gateway, "127.0.0.1");
    std::strcpy(profile->lan.dns1, "127.0.0.53");
    ASSERT_EQ(vexlo::saveProfile(*profile, m_directory), vexlo::kProfileOk);

    const CliRun run = cli({"--protocol", "onvif", "--expect", "1", "--other-settings"});
    // The refused section fails the camera, and the run still ends with its list.
    EXPECT_EQ(run.status, 1) << dump(run);
    EXPECT_TRUE(run.has("done")) << dump(run);
    EXPECT_TRUE(run.has("row\tOK0001\t6\t设置云平台失败")) << dump(run);
    EXPECT_TRUE(run.has("row\tOK0001\t6\t设置流媒体成功")) << dump(run);
    EXPECT_TRUE(run.has("row\tOK0001\t6\t设置admin帐号成功")) << dump(run);
    EXPECT_TRUE(run.has("row\tOK0001\t6\t设置时钟成功")) << dump(run);
    EXPECT_TRUE(run.has("row\tOK0001\t6\t设置以太网成功")) << dump(run);
    EXPECT_TRUE(run.has("row\tOK0001\t6\t设置视频编码成功")) << dump(run);
    EXPECT_TRUE(run.has("row\tOK0001\t6\t设置音频编码成功")) << dump(run);
    const auto encoders = logged("OK0001", "SetVideoEncoderConfiguration");
    ASSERT_EQ(encoders.size(), 2u) << "the main and the sub profile";
    EXPECT_NE(encoders[0].find("<tt:Width>1920</tt:Width>"), std::string::npos) << encoders[0];
    EXPECT_NE(encoders[0].find("<tt:FrameRateLimit>25</tt:FrameRateLimit>"), std::string::npos);
    EXPECT_NE(encoders[0].find("<tt:BitrateLimit>3000</tt:BitrateLimit>"), std::string::npos);
    EXPECT_EQ(logged("OK0001", "SetAudioEncoderConfiguration").size(), 1u);
    EXPECT_TRUE(run.has("row\tOK0001\t6\t设置视频采集成功")) << dump(run);
    EXPECT_TRUE(run.has("row\tOK0001\t6\t设置移动侦测告警成功")) << dump(run);
    // The middle third of the camera's 22 x 18 cells: columns 7..14, rows 6..11.
    ASSERT_EQ(logged("OK0001", "ModifyRules").size(), 1u);
    EXPECT_NE(logged("OK0001", "ModifyRules")[0].find("48 of 396 cells active"), std::string::npos)
        << logged("OK0001", "ModifyRules")[0];
    ASSERT_EQ(logged("OK0001", "ModifyAnalyticsModules").size(), 1u);
    EXPECT_NE(logged("OK0001", "ModifyAnalyticsModules")[0].find(": sensitivity 100\""),
              std::string::npos);
    EXPECT_NE(run.errors.find("OK0001 (" + address(1) +
                              "): motion detection: the sensitivity 500 is outside 0..100, "
                              "100 was set"),
              std::string::npos)
        << run.errors;
    EXPECT_TRUE(run.has("row\tOK0001\t6\t设置时间和标题成功")) << dump(run);
    std::string osds;
    for (const char* kind : {"SetOSD", "CreateOSD"}) {
        for (const std::string& line : logged("OK0001", kind))
            osds += line;
    }
    EXPECT_NE(osds.find("<tt:PlainText>Gate 1 North</tt:PlainText>"), std::string::npos) << osds;
    EXPECT_NE(osds.find("LowerRight"), std::string::npos) << osds;
    EXPECT_NE(osds.find("<tt:DateFormat>yyyy-MM-dd</tt:DateFormat>"), std::string::npos) << osds;
    const auto imaging = logged("OK0001", "SetImagingSettings");
    ASSERT_EQ(imaging.size(), 1u);
    EXPECT_NE(imaging[0].find("<tt:Brightness>100</tt:Brightness>"), std::string::npos)
        << imaging[0];
    EXPECT_NE(imaging[0].find("<tt:Contrast>0</tt:Contrast>"), std::string::npos);
    EXPECT_NE(imaging[0].find("<tt:IrCutFilter>AUTO</tt:IrCutFilter>"), std::string::npos);
    ASSERT_EQ(logged("OK0001", "SetDNS").size(), 1u) << "set at the new address, last";
    EXPECT_NE(logged("OK0001", "SetDNS")[0].find(address(5)), std::string::npos);
    // The camera moved its device service to the new port (the old one no
    // longer answers), took the new password, and was reached there and
    // signed in with it for the clock.
    ASSERT_EQ(logged("OK0001", "SetNTP").size(), 1u);
    EXPECT_NE(logged("OK0001", "SetUser")[0].find("changed admin"), std::string::npos);
    EXPECT_NE(logged("OK0001", "SetSystemDateAndTime")[0].find("UTC-8"), std::string::npos);
    EXPECT_NE(logged("OK0001", "SetNTP")[0].find("127.0.0.1"), std::string::npos);
    for (const std::string& line : run.lines) {
        EXPECT_EQ(line.find("new-pass-1"), std::string::npos) << line;
        // The camera took capture, video and audio at once: no restart wait.
        EXPECT_EQ(line.find("完成,进程重启"), std::string::npos) << line;
    }

#ifdef VEXLO_READ_BACK_SCRIPT
    // What was set, as a client nobody here wrote reads it back.
    ChildProcess reader;
    ASSERT_TRUE(reader.start(
        {VEXLO_NODE_PATH, VEXLO_READ_BACK_SCRIPT, address(5), "8090", "admin", "new-pass-1"}, {},
        m_directory / "read_back.err"));
    const std::vector<std::string> read = split(reader.readAll(kRunLimit), '\n');
    EXPECT_EQ(reader.wait(5s), 0) << "see " << (m_directory / "read_back.err");
    const auto readAs = [&](const std::string& line) {
        return std::find(read.begin(), read.end(), line) != read.end();
    };
    for (const char* line :
         {"imaging.brightness=100", "imaging.contrast=0", "imaging.irCutFilter=AUTO",
          "imaging.whiteBalance=AUTO", "osd.DateAndTime=UpperLeft yyyy-MM-dd HH:mm:ss",
          "osd.Plain=LowerRight Gate 1 North",
          "video.VideoEncoder_1=H264 1920x1080 25 fps 3000 kbit/s", "audio=G711 8 kHz 64 kbit/s",
          "ntp=127.0.0.1", "dns=127.0.0.53", "protocol.HTTP=8090", "protocol.RTSP=8564"})
        EXPECT_TRUE(readAs(line)) << line << " was not read back";
#endif

    // The camera's new password was kept for it, so the next run logs in.
    struct stat kept
    {
    };
    ASSERT_EQ(::stat((m_directory / "credentials.json").c_str(), &kept), 0);
    EXPECT_EQ(kept.st_mode & 0777, 0600u);
    const CliRun next = cli({"--protocol", "onvif", "--expect", "1", "--sync-time"});
    EXPECT_EQ(next.status6("OK0001"), "同步时间成功") << dump(next);
    EXPECT_EQ(next.device("OK0001")[0], address(5));
}

namespace {

// The "bodyHex" of a request-log line.
std::string bodyHexOf(const std::string& line)
{
    const std::string key = "\"bodyHex\":\"";
    const std::size_t start = line.find(key);
    if (start == std::string::npos)
        return {};
    const std::size_t from = start + key.size();
    return line.substr(from, line.find('"', from) - from);
}

std::string hexOf(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return hex;
}

} // namespace

TEST_F(CliEndToEnd, OnvifPushThatTheCameraTakesAtOnceEndsAsASuccess)
{
    startSite({onvifCamera("OK0003")});
    auto profile = std::make_unique<vexlo::ConfigProfile>();
    std::memset(static_cast<void*>(profile.get()), 0, sizeof(vexlo::ConfigProfile));
    profile->overlay.enabled = 1;
    profile->overlay.osdEnabled = 1;
    std::strcpy(profile->overlay.title, "Yard");
    ASSERT_EQ(vexlo::saveProfile(*profile, m_directory), vexlo::kProfileOk);

    const CliRun run = cli({"--expect", "1", "--other-settings"});
    EXPECT_TRUE(run.has("row\tOK0003\t6\t设置时间和标题成功")) << dump(run);
    EXPECT_EQ(run.status, 0) << "a section taken at once is no failure\n" << dump(run);
}

TEST_F(CliEndToEnd, MixedSitePushGivesHomeCamerasTheirBodiesAndOnvifCamerasTheStandard)
{
    startSite({onvifCamera("ON0001"), R"("serial": "HP0002")"});
    auto profile = std::make_unique<vexlo::ConfigProfile>();
    std::memset(static_cast<void*>(profile.get()), 0, sizeof(vexlo::ConfigProfile));
    profile->cloud.enabled = 1;
    profile->overlay.enabled = 1;
    profile->overlay.osdEnabled = 1;
    profile->overlay.timePosition = 2;
    std::strcpy(profile->overlay.title, "Dock^3");
    profile->motion.enabled = 1;
    profile->motion.alarmOn = 0; // detection off: no cell counts
    profile->motion.sensitivity = 70;
    ASSERT_EQ(vexlo::saveProfile(*profile, m_directory), vexlo::kProfileOk);

    const CliRun run = cli({"--expect", "2", "--other-settings"});
    for (const char* serial : {"ON0001", "HP0002"}) {
        EXPECT_TRUE(run.has("row\t" + std::string(serial) + "\t6\t设置时间和标题成功"))
            << dump(run);
        EXPECT_TRUE(run.has("row\t" + std::string(serial) + "\t6\t设置移动侦测告警成功"))
            << dump(run);
    }
    EXPECT_TRUE(run.has("row\tON0001\t6\t设置云平台失败")) << "no ONVIF operation for it";
    EXPECT_TRUE(run.has("row\tHP0002\t6\t设置云平台成功")) << dump(run);

    // The home camera got each section's body exactly as the profile builds it.
    std::size_t compared = 0;
    for (const vexlo::ConfigSection& section : vexlo::configSections()) {
        if (!vexlo::sectionEnabled(section, *profile))
            continue;
        std::string body;
        for (const std::string& line : logged("HP0002", "SetDVRConfig")) {
            if (line.find("\"code\":" + std::to_string(section.replyCode) + ",") !=
                std::string::npos)
                body = bodyHexOf(line);
        }
        EXPECT_EQ(body, hexOf(vexlo::sectionRequestText(section, *profile))) << section.replyCode;
        ++compared;
    }
    EXPECT_EQ(compared, 3u);
    ASSERT_EQ(logged("ON0001", "ModifyRules").size(), 1u);
    EXPECT_NE(logged("ON0001", "ModifyRules")[0].find("0 of 396 cells active"), std::string::npos);
    EXPECT_TRUE(logged("HP0002", "ModifyRules").empty());
}

} // namespace vexlo

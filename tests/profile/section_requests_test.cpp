#include "platform/codepage.h"
#include "profile/config_sections.h"
#include "profile/request_values.h"
#include "profile/section_requests.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

namespace vexlo {

namespace {

std::string ftpRow(int index,
                   const std::string& values = "ServerIP=\"\" ServerPort=\"0\" "
                                               "Username=\"\" Password=\"\" FilePath=\"\"")
{
    return "<FTPConfig Index=\"" + std::to_string(index) + "\" " + values + " />";
}

const std::string kZeroStream =
    "EncodeFormat=\"H264\" BitRateControl=\"CBR\" Initquant=\"0\" BitRate=\"0\" FrameRate=\"1\"";

// What a device receives for a profile nobody has edited, by section name.
const std::map<std::u16string, std::string>& neverEditedBodies()
{
    static const std::map<std::u16string, std::string> bodies = {
        {u"设置以太网",
         "<LANConfig IPAddress=\"\" Netmask=\"\" Gateway=\"\" DNS1=\"\" DNS2=\"\" />"},
        {u"设置云平台", "<P2PConfig Enable=\"0\" SyncTime=\"0\" />"},
        {u"设置FTP", "<FTPList>" + ftpRow(0) + ftpRow(1) + ftpRow(2) + ftpRow(3) + "</FTPList>"},
        {u"设置SMTP",
         "<SMTPList ServerIP=\"\" ServerPort=\"0\" Auth=\"0\" Username=\"\" Password=\"\" "
         "FromEmail=\"\">"
         "<SMTPConfig Index=\"0\" ToEmail=\"\" CcEmail=\"\" Subject=\"\" />"
         "<SMTPConfig Index=\"1\" ToEmail=\"\" CcEmail=\"\" Subject=\"\" />"
         "<SMTPConfig Index=\"2\" ToEmail=\"\" CcEmail=\"\" Subject=\"\" /></SMTPList>"},
        {u"设置流媒体", "<MediaStreamConfig><StreamAccess Auth=\"0\" VideoPort=\"0\" "
                        "RTPOverRTSP=\"0\" PTZPort=\"0\" WEBPort=\"0\" /></MediaStreamConfig>"},
        {u"设置平台接入", "<PlatformConfig><OrvaneConfig Enable=\"0\" Server=\"\" Port=\"0\" "
                          "Username=\"\" Password=\"\" /></PlatformConfig>"},
        {u"设置视频采集",
         "<Capture IrcutMode=\"0\" IrcutKeepColor=\"0\" IrcutSensitivity=\"0\" "
         "IrcutNightStartTime=\"00:00:00\" IrcutNightEndTime=\"00:00:00\" Brightness=\"0\" "
         "Saturation=\"0\" Sharpness=\"0\" Contrast=\"0\" BackLight=\"0\" DayNight=\"0\" "
         "WhiteBalance=\"0\" Switch2A=\"0\" BinningSkip=\"0\" TVSystem=\"0\" HFlip=\"0\" "
         "VFlip=\"0\" XOffset=\"\" YOffset=\"\" />"},
        {u"设置时间和标题", "<Overlay Enable=\"0\" Transparency=\"0\">"
                            "<TimeOverlay PosX=\"2\" PosY=\"2\" Format=\"yyyy-mm-dd hh:mm:ss\" />"
                            "<TitleOverlay PosX=\"2\" PosY=\"2\" Title=\"\" /></Overlay>"},
        {u"设置视频编码", "<Encode><EncodeConfig Stream=\"1\" Resolution=\"720P\" " + kZeroStream +
                              " /><EncodeConfig Stream=\"2\" Resolution=\"720P\" " + kZeroStream +
                              " /><AdvanceEncodeConfig EncodeProfile=\"0\" "
                              "DisablePrivateData=\"0\" /></Encode>"},
        {u"设置音频编码", "<Audio><Encode Enable=\"0\" SampleRate=\"8000\" EncodeType=\"G.711\" "
                          "BitRate=\"6400\" /></Audio>"},
        {u"设置移动侦测告警",
         "<MotionDetectAlarm Enable=\"0\" BlockCount=\"262148\" BlockConfig=\"" +
             std::string(64, '0') +
             "\" Sensitivity=\"0\" AlarmThreshold=\"0\" NightSensitivity=\"0\" "
             "NightAlarmThreshold=\"0\" NightStartTime=\"00:00:00\" NightEndTime=\"00:00:00\" "
             "DayNightSwitch=\"0\"><EnableTimeList /></MotionDetectAlarm>"},
        {u"设置admin帐号", "<UserConfig><Account Username=\"admin\" Password=\"\" "
                           "Group=\"Administrator\" Status=\"Enable\" /></UserConfig>"},
        {u"设置时钟", "<TimeConfig TimeMode=\"NTP\" TimeZone=\"0\"><NTPConfig ServerIP=\"\" "
                      "ServerPort=\"0\" RefreshInterval=\"0\" /></TimeConfig>"},
        {u"设置定时维护", "<MaintainConfig Enable=\"0\" Day=\"0\" Time=\"00:00:00\" />"},
        {u"设置设备语言", "<MiscConfig Language=\"zh_cn\" />"},
    };
    return bodies;
}

TEST(SectionRequestTest, NeverEditedProfileGivesTheZeroBodies)
{
    const auto profile = std::make_unique<vexlo::ConfigProfile>();
    ASSERT_EQ(neverEditedBodies().size(), vexlo::configSections().size());
    for (const vexlo::ConfigSection& section : vexlo::configSections()) {
        const std::u16string name(section.sectionName);
        ASSERT_TRUE(neverEditedBodies().count(name)) << vexlo::utf16ToUtf8(name);
        EXPECT_EQ(vexlo::sectionRequestText(section, *profile), neverEditedBodies().at(name))
            << vexlo::utf16ToUtf8(name);
    }
}

// ---- network sections, filled -------------------------------------------------------------

TEST(SectionRequestTest, FilledLanAndCloud)
{
    vexlo::LanSection lan{};
    copyToField(lan.ipAddress, "192.168.1.20");
    copyToField(lan.netmask, "255.255.255.0");
    copyToField(lan.gateway, "192.168.1.1");
    copyToField(lan.dns1, "8.8.8.8");
    copyToField(lan.dns2, "8.8.4.4");
    EXPECT_EQ(vexlo::buildLanRequest(lan),
              "<LANConfig IPAddress=\"192.168.1.20\" Netmask=\"255.255.255.0\" "
              "Gateway=\"192.168.1.1\" DNS1=\"8.8.8.8\" DNS2=\"8.8.4.4\" />");

    vexlo::CloudSection cloud{1, 1, -3};
    EXPECT_EQ(vexlo::buildCloudRequest(cloud), "<P2PConfig Enable=\"1\" SyncTime=\"-3\" />");
}

TEST(SectionRequestTest, FtpSendsAllFourRowsWhenOnlyRowTwoIsFilled)
{
    vexlo::FtpSection ftp{};
    vexlo::FtpServerEntry& row = ftp.servers[2];
    copyToField(row.serverAddress, "10.0.0.5");
    row.serverPort = 21;
    copyToField(row.account, "backup");
    copyToField(row.password, "p&ss<1>");
    copyToField(row.storagePath, "/cfg");
    EXPECT_EQ(vexlo::buildFtpRequest(ftp),
              "<FTPList>" + ftpRow(0) + ftpRow(1) +
                  ftpRow(2, "ServerIP=\"10.0.0.5\" ServerPort=\"21\" Username=\"backup\" "
                            "Password=\"p&amp;ss&lt;1&gt;\" FilePath=\"/cfg\"") +
                  ftpRow(3) + "</FTPList>");
}

TEST(SectionRequestTest, SmtpNeverSendsThePasswordConfirmation)
{
    vexlo::SmtpSection smtp{};
    copyToField(smtp.serverAddress, "smtp.example.com");
    smtp.serverPort = 465;
    smtp.secureConnection = 1;
    copyToField(smtp.account, "cam@example.com");
    copyToField(smtp.password, "secret");
    copyToField(smtp.passwordConfirm, "different");
    copyToField(smtp.sender, "Camera 1");
    copyToField(smtp.recipients[0].toAddress, "a@example.com");
    copyToField(smtp.recipients[1].ccAddress, "b@example.com");
    copyToField(smtp.recipients[2].subject, "\xB8\xE6\xBE\xAF"); // GBK "告警"
    EXPECT_EQ(vexlo::buildSmtpRequest(smtp),
              "<SMTPList ServerIP=\"smtp.example.com\" ServerPort=\"465\" Auth=\"1\" "
              "Username=\"cam@example.com\" Password=\"secret\" FromEmail=\"Camera 1\">"
              "<SMTPConfig Index=\"0\" ToEmail=\"a@example.com\" CcEmail=\"\" Subject=\"\" />"
              "<SMTPConfig Index=\"1\" ToEmail=\"\" CcEmail=\"b@example.com\" Subject=\"\" />"
              "<SMTPConfig Index=\"2\" ToEmail=\"\" CcEmail=\"\" Subject=\"\xB8\xE6\xBE\xAF\" />"
              "</SMTPList>");
}

TEST(SectionRequestTest, FilledStreamAndPlatform)
{
    vexlo::StreamSection stream{1, 1, 554, 1, 801, 80};
    EXPECT_EQ(vexlo::buildStreamRequest(stream),
              "<MediaStreamConfig><StreamAccess Auth=\"1\" VideoPort=\"554\" RTPOverRTSP=\"1\" "
              "PTZPort=\"801\" WEBPort=\"80\" /></MediaStreamConfig>");

    vexlo::PlatformSection platform{};
    platform.platformLogin = 1;
    copyToField(platform.serverAddress, "access.example.com");
    platform.serverPort = 7000;
    copyToField(platform.account, "it's");
    copyToField(platform.password, "a\"b");
    EXPECT_EQ(vexlo::buildPlatformRequest(platform),
              "<PlatformConfig><OrvaneConfig Enable=\"1\" Server=\"access.example.com\" "
              "Port=\"7000\" Username=\"it&apos;s\" Password=\"a&quot;b\" /></PlatformConfig>");
}

TEST(SectionRequestTest, TextValuesAreEscapedAndGbkPassesUnchanged)
{
    vexlo::AccountSection account{};
    copyToField(account.newPassword, "a&#xZZ");
    EXPECT_NE(vexlo::buildAccountRequest(account).find("Password=\"a&amp;#xZZ\""),
              std::string::npos);
    copyToField(account.newPassword, "&#x41;");
    EXPECT_NE(vexlo::buildAccountRequest(account).find("Password=\"&#x41;\""), std::string::npos);
    copyToField(account.newPassword, "tab\there\x01");
    EXPECT_NE(vexlo::buildAccountRequest(account).find("Password=\"tab&#x09;here&#x01;\""),
              std::string::npos);
    copyToField(account.newPassword, "\xC3\xDC\xC2\xEB"); // GBK "密码"
    EXPECT_NE(vexlo::buildAccountRequest(account).find("Password=\"\xC3\xDC\xC2\xEB\""),
              std::string::npos);
}

// ---- media sections --------------------------------------------------------------------------

TEST(SectionRequestTest, FilledCaptureSendsTvSystemAfterBinningSkip)
{
    vexlo::CaptureSection capture{};
    capture.irCutMode = 3;
    capture.keepColour = 1;
    capture.irCutSensitivity = 50;
    capture.nightStart = {18, 30, 5};
    capture.nightEnd = {6, 0, 0};
    capture.brightness = 128;
    capture.saturation = 100;
    capture.sharpness = 90;
    capture.contrast = 80;
    capture.backlight = 7;
    capture.videoStandard = 1;
    capture.dayNight = 1;
    capture.whiteBalance = 2;
    capture.autoExposureWhiteBalance = 1;
    capture.sensorReadout = 1;
    capture.horizontalFlip = 1;
    capture.verticalFlip = 9; // out of the list: sent as stored
    EXPECT_EQ(vexlo::buildCaptureRequest(capture),
              "<Capture IrcutMode=\"3\" IrcutKeepColor=\"1\" IrcutSensitivity=\"50\" "
              "IrcutNightStartTime=\"18:30:05\" IrcutNightEndTime=\"06:00:00\" "
              "Brightness=\"128\" Saturation=\"100\" Sharpness=\"90\" Contrast=\"80\" "
              "BackLight=\"7\" DayNight=\"1\" WhiteBalance=\"2\" Switch2A=\"1\" BinningSkip=\"1\" "
              "TVSystem=\"1\" HFlip=\"1\" VFlip=\"9\" XOffset=\"\" YOffset=\"\" />");
}

TEST(SectionRequestTest, OverlayPositionsFormatsAndHexTitle)
{
    vexlo::OverlaySection overlay{};
    overlay.osdEnabled = 1;
    overlay.extraInfo = 3;
    overlay.timePosition = 3;
    overlay.timeFormat = 7;
    overlay.titlePosition = 2;
    overlay.transparency = 55; // never sent
    copyToField(overlay.title, "abc");
    EXPECT_EQ(vexlo::buildOverlayRequest(overlay),
              "<Overlay Enable=\"1\" Transparency=\"3\">"
              "<TimeOverlay PosX=\"0\" PosY=\"1\" Format=\"hh:mm:ss mm-dd-yyyy\" />"
              "<TitleOverlay PosX=\"1\" PosY=\"0\" Title=\"616263\" /></Overlay>");

    // GBK "门口^1" : the device gets the bytes, lower-case hex.
    copyToField(overlay.title, "\xC3\xC5\xBF\xDA^1");
    overlay.timePosition = 5; // outside the list: not shown
    overlay.timeFormat = 8;   // outside the list: empty
    overlay.titlePosition = -1;
    EXPECT_EQ(vexlo::buildOverlayRequest(overlay),
              "<Overlay Enable=\"1\" Transparency=\"3\">"
              "<TimeOverlay PosX=\"2\" PosY=\"2\" Format=\"\" />"
              "<TitleOverlay PosX=\"2\" PosY=\"2\" Title=\"c3c5bfda5e31\" /></Overlay>");
}

TEST(SectionRequestTest, EveryPositionAndTimeFormat)
{
    struct Position
    {
        int index, x, y;
    };
    for (const Position& p :
         {Position{0, 2, 2}, Position{1, 0, 0}, Position{2, 1, 0}, Position{3, 0, 1},
          Position{4, 1, 1}, Position{5, 2, 2}, Position{-1, 2, 2}}) {
        SCOPED_TRACE(p.index);
        EXPECT_EQ(vexlo::overlayPosition(p.index).x, p.x);
        EXPECT_EQ(vexlo::overlayPosition(p.index).y, p.y);
    }
    const char* const formats[] = {
        "yyyy-mm-dd hh:mm:ss", "yyyy/mm/dd hh:mm:ss", "yy-mm-dd hh:mm:ss",   "yy/mm/dd hh:mm:ss",
        "hh:mm:ss dd/mm/yyyy", "hh:mm:ss dd-mm-yyyy", "hh:mm:ss mm/dd/yyyy", "hh:mm:ss mm-dd-yyyy"};
    for (int index = 0; index < 8; ++index)
        EXPECT_EQ(vexlo::timeFormatText(index), formats[index]) << index;
    EXPECT_EQ(vexlo::timeFormatText(-1), "");
    EXPECT_EQ(vexlo::timeFormatText(8), "");
}

TEST(SectionRequestTest, HexEncodeStopsAtTheNul)
{
    EXPECT_EQ(vexlo::hexEncode("abc"), "616263");
    EXPECT_EQ(vexlo::hexEncode(""), "");
    EXPECT_EQ(vexlo::hexEncode(std::string_view("\xFF\x01\0zz", 5)), "ff01");
}

TEST(SectionRequestTest, FilledVideoEncodeMapsBothStreamLists)
{
    vexlo::VideoEncodeSection video{};
    video.mainStream = {0, 5, 1, 25, 4096, 29};
    video.subStream = {0, 5, 2, 50, 512, 14};
    video.encodeProfile = 1;
    video.privateData = 1;
    EXPECT_EQ(vexlo::buildVideoEncodeRequest(video),
              "<Encode><EncodeConfig Stream=\"1\" Resolution=\"256X192\" EncodeFormat=\"H264\" "
              "BitRateControl=\"VBR\" Initquant=\"25\" BitRate=\"4096\" FrameRate=\"30\" />"
              "<EncodeConfig Stream=\"2\" Resolution=\"448P\" EncodeFormat=\"H264\" "
              "BitRateControl=\"CVBR\" Initquant=\"50\" BitRate=\"512\" FrameRate=\"15\" />"
              "<AdvanceEncodeConfig EncodeProfile=\"1\" DisablePrivateData=\"1\" /></Encode>");
}

TEST(SectionRequestTest, ResolutionListsSendTheChosenEntry)
{
    // The main list lacks "448P", so from index 5 on it is one behind the full list.
    EXPECT_EQ(vexlo::mainStreamResolutionName(4), "1512P");
    EXPECT_EQ(vexlo::mainStreamResolutionName(5), "256X192");
    EXPECT_EQ(vexlo::mainStreamResolutionName(14), "D1");
    EXPECT_EQ(vexlo::resolutionName(5), "448P");
    EXPECT_EQ(vexlo::resolutionName(15), "D1");
    for (int outside : {-1, 15, 16})
        EXPECT_EQ(vexlo::mainStreamResolutionName(outside), "720P") << outside;
    for (int outside : {-1, 16})
        EXPECT_EQ(vexlo::resolutionName(outside), "720P") << outside;
    EXPECT_EQ(vexlo::bitRateControlName(3), "CBR");
}

TEST(SectionRequestTest, AudioChoicesAndOutOfListValues)
{
    vexlo::AudioEncodeSection audio{1, 1, 1, 1, 1};
    EXPECT_EQ(vexlo::buildAudioEncodeRequest(audio),
              "<Audio><Encode Enable=\"1\" SampleRate=\"16000\" EncodeType=\"AAC\" "
              "BitRate=\"16000\" /></Audio>");
    audio = {1, 2, 7, -1, 2};
    EXPECT_EQ(vexlo::buildAudioEncodeRequest(audio),
              "<Audio><Encode Enable=\"2\" SampleRate=\"8000\" EncodeType=\"G.711\" "
              "BitRate=\"6400\" /></Audio>");
}

// ---- alarm and system sections ------------------------------------------------------------

TEST(SectionRequestTest, MotionMaskNightAndSchedule)
{
    vexlo::MotionSection motion{};
    motion.alarmOn = 1;
    motion.sensitivity = 60;
    motion.alarmThreshold = 70;
    motion.gridSize = 1;
    motion.regionMask[0] = 1;
    motion.regionMask[5] = 1;
    motion.regionMask[15] = 1;
    motion.regionMask[20] = 2; // only exactly 1 counts
    motion.nightParametersOn = 1;
    motion.nightStart = {20, 0, 0};
    motion.nightEnd = {7, 15, 30};
    motion.nightSensitivity = 40;
    motion.nightAlarmThreshold = 45;
    motion.schedule[6] = {1, {8, 0, 0}, {12, 0, 0}};    // Sunday
    motion.schedule[7] = {-1, {0, 0, 0}, {23, 59, 59}}; // every day; any non-zero is active

    std::string mask(64, '0');
    mask[0] = mask[5] = mask[15] = '1';
    EXPECT_EQ(vexlo::buildMotionRequest(motion),
              "<MotionDetectAlarm Enable=\"1\" BlockCount=\"262147\" BlockConfig=\"" + mask +
                  "\" Sensitivity=\"60\" AlarmThreshold=\"70\" NightSensitivity=\"40\" "
                  "NightAlarmThreshold=\"45\" NightStartTime=\"20:00:00\" "
                  "NightEndTime=\"07:15:30\" DayNightSwitch=\"1\"><EnableTimeList>"
                  "<Workday Day=\"0\"><TimeSpan StartTime=\"08:00:00\" EndTime=\"12:00:00\" />"
                  "</Workday><Workday Day=\"7\"><TimeSpan StartTime=\"00:00:00\" "
                  "EndTime=\"23:59:59\" /></Workday></EnableTimeList></MotionDetectAlarm>");
}

TEST(SectionRequestTest, MotionScheduleDaysInStoredOrder)
{
    vexlo::MotionSection motion{};
    for (auto& entry : motion.schedule)
        entry.active = 1;
    const std::string body = vexlo::buildMotionRequest(motion);
    std::string days;
    for (std::size_t at = body.find("Day=\""); at != std::string::npos;
         at = body.find("Day=\"", at + 1))
        days += body[at + 5];
    EXPECT_EQ(days, "12345607");
    EXPECT_LT(body.size(), 1200u);
}

TEST(SectionRequestTest, BlockCountForEveryGridIndex)
{
    EXPECT_EQ(vexlo::motionBlockCount(0), 4 * 65536 + 4);
    EXPECT_EQ(vexlo::motionBlockCount(1), 4 * 65536 + 3);
    EXPECT_EQ(vexlo::motionBlockCount(2), 3 * 65536 + 3);
    EXPECT_EQ(vexlo::motionBlockCount(3), 3 * 65536 + 2);
    EXPECT_EQ(vexlo::motionBlockCount(4), 2 * 65536 + 2);
    EXPECT_EQ(vexlo::motionBlockCount(5), 65537);
    EXPECT_EQ(vexlo::motionBlockCount(6), 65537);
    EXPECT_EQ(vexlo::motionBlockCount(-1), 65537);
}

TEST(SectionRequestTest, TimeModesAndZones)
{
    vexlo::TimeSection time{};
    time.updateMode = 1;
    time.timeZone = 20;
    time.manualDateTime = {2026, 12, 7, 10, 11, 12}; // the page's only
    time.setTimeFlag = 1;
    copyToField(time.ntpServer, "pool.ntp.org");
    time.ntpPort = 123;
    time.refreshInterval = 3600;
    EXPECT_EQ(vexlo::buildTimeRequest(time),
              "<TimeConfig TimeMode=\"MANUAL\" TimeZone=\"1200\"><NTPConfig "
              "ServerIP=\"pool.ntp.org\" ServerPort=\"123\" RefreshInterval=\"3600\" />"
              "</TimeConfig>");

    EXPECT_EQ(vexlo::timeModeName(0), "NTP");
    EXPECT_EQ(vexlo::timeModeName(7), "MANUAL");
    EXPECT_EQ(vexlo::timeZoneValue(0), 0);
    EXPECT_EQ(vexlo::timeZoneValue(12), 720);
    EXPECT_EQ(vexlo::timeZoneValue(24), 1440);
    // Outside the 25 zones: the page's preselected GMT+08:00.
    EXPECT_EQ(vexlo::timeZoneValue(25), 1200);
    EXPECT_EQ(vexlo::timeZoneValue(-1), 1200);
}

TEST(SectionRequestTest, MaintenanceAndLanguage)
{
    vexlo::MaintainSection maintain{1, 1, 7, {3, 4, 5}};
    EXPECT_EQ(vexlo::buildMaintainRequest(maintain),
              "<MaintainConfig Enable=\"1\" Day=\"7\" Time=\"03:04:05\" />");
    maintain.day = 0;
    EXPECT_EQ(vexlo::buildMaintainRequest(maintain),
              "<MaintainConfig Enable=\"1\" Day=\"0\" Time=\"03:04:05\" />");

    const char* languages[] = {"zh_cn", "zh_tw", "en_us", "rs_py"};
    for (int index = 0; index < 4; ++index) {
        vexlo::LanguageSection language{1, index};
        EXPECT_EQ(vexlo::buildLanguageRequest(language),
                  std::string("<MiscConfig Language=\"") + languages[index] + "\" />");
    }
    EXPECT_EQ(vexlo::buildLanguageRequest({1, 9}), "<MiscConfig Language=\"en_us\" />");
}

TEST(SectionRequestTest, AccountWithEmptyPassword)
{
    vexlo::AccountSection account{};
    copyToField(account.passwordConfirm, "never sent");
    EXPECT_EQ(vexlo::buildAccountRequest(account),
              "<UserConfig><Account Username=\"admin\" Password=\"\" Group=\"Administrator\" "
              "Status=\"Enable\" /></UserConfig>");
}

TEST(SectionRequestTest, FilledAccountEscapesThePassword)
{
    vexlo::AccountSection account{};
    copyToField(account.newPassword, "pa&ss\"<1>");
    copyToField(account.passwordConfirm, "never sent");
    EXPECT_EQ(vexlo::buildAccountRequest(account),
              "<UserConfig><Account Username=\"admin\" Password=\"pa&amp;ss&quot;&lt;1&gt;\" "
              "Group=\"Administrator\" Status=\"Enable\" /></UserConfig>");
}

} // namespace

} // namespace vexlo

#include "settings/page_table.h"

#include "settings/page_definitions.h"
#include "settings/settings_page.h"
#include "settings/warning_motion_dlg.h"

namespace vexlo {

namespace {

constexpr PageText kNetworkGroup{u"网络参数", u"Network"};
constexpr PageText kMediaGroup{u"媒体设置", u"Media"};
constexpr PageText kAlarmGroup{u"告警设置", u"Alarm"};
constexpr PageText kSystemGroup{u"系统设置", u"System"};

// clang-format off
const std::array<SettingsPageEntry, kSettingsPageCount> kPages = {{
    {0,  kNetworkGroup, {u"网络设置",     u"Ethernet"},         "CNetworkEthernetDlg", 135, ethernetPageDefinition},
    {1,  kNetworkGroup, {u"云平台设置",   u"Cloud Platform"},   "CNetworkCloundDlg",   149, cloudPageDefinition},
    {2,  kNetworkGroup, {u"FTP帐号设置",  u"FTP Accounts"},     "CNetworkFTPDlg",      136, ftpPageDefinition},
    {3,  kNetworkGroup, {u"SMTP帐号设置", u"SMTP Account"},     "CNetworkSmtpDlg",     137, smtpPageDefinition},
    {4,  kNetworkGroup, {u"流媒体设置",   u"Streaming"},        "CNetworkStreamDlg",   145, streamPageDefinition},
    {5,  kNetworkGroup, {u"平台接入设置", u"Platform Access"},  "CNetworkPlatformDlg", 138, platformPageDefinition},
    {6,  kMediaGroup,   {u"视频采集设置", u"Video Capture"},    "CMediaCaptureDlg",    140, capturePageDefinition},
    {7,  kMediaGroup,   {u"时间和标题",   u"Time and Title"},   "CMediaTimetitleDlg",  141, timeTitlePageDefinition},
    {8,  kMediaGroup,   {u"视频编码",     u"Video Encoding"},   "CMediaVideoCodeDlg",  142, videoCodePageDefinition},
    {9,  kMediaGroup,   {u"音频编码",     u"Audio Encoding"},   "CMediaAudioCodeDlg",  143, audioCodePageDefinition},
    {10, kAlarmGroup,   {u"移动侦测",     u"Motion Detection"}, "CWarningMotionDlg",   144, motionPageDefinition, true},
    {11, kSystemGroup,  {u"帐号管理",     u"Account"},          "CSystemAccountDlg",   139, accountPageDefinition},
    {12, kSystemGroup,  {u"时钟设置",     u"Clock"},            "CSystemTimesetDlg",   146, timeSetPageDefinition},
    {13, kSystemGroup,  {u"定时维护",     u"Maintenance"},      "CSystemMaintainDlg",  147, maintainPageDefinition},
    {14, kSystemGroup,  {u"设备语言",     u"Device Language"},  "CSystemLanguageDlg",  148, languagePageDefinition},
}};
// clang-format on

} // namespace

std::span<const SettingsPageEntry, kSettingsPageCount> settingsPages()
{
    return kPages;
}

std::unique_ptr<SettingsPage> createSettingsPage(const SettingsPageEntry& entry,
                                                 SettingsContext& context)
{
    if (entry.regionGrid)
        return std::make_unique<CWarningMotionDlg>(context);
    return std::make_unique<SettingsPage>(context, entry.definition());
}

} // namespace vexlo

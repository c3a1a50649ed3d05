#include "profile/config_sections.h"

#include "profile/section_requests.h"
#include "sdk/command_codes.h"

#include <array>

namespace vexlo {
namespace {

// One row: the section member of ConfigProfile and its builder.
#define VEXLO_SECTION(member, builder)                                                             \
    [](const ConfigProfile& profile) { return profile.member.enabled; },                           \
        [](const ConfigProfile& profile) { return builder(profile.member); }

const std::array<ConfigSection, 15> kConfigSections = {{
    {u"设置云平台", sdk::kSectionCloud, 2048, false, false,
     VEXLO_SECTION(cloud, buildCloudRequest)},
    {u"设置FTP", sdk::kSectionFtp, 2048, false, false, VEXLO_SECTION(ftp, buildFtpRequest)},
    {u"设置SMTP", sdk::kSectionSmtp, 4096, false, false, VEXLO_SECTION(smtp, buildSmtpRequest)},
    {u"设置流媒体", sdk::kSectionStream, 1024, false, true,
     VEXLO_SECTION(stream, buildStreamRequest)},
    {u"设置平台接入", sdk::kSectionPlatform, 1024, false, true,
     VEXLO_SECTION(platform, buildPlatformRequest)},
    {u"设置视频采集", sdk::kSectionCapture, 2048, true, true,
     VEXLO_SECTION(capture, buildCaptureRequest)},
    {u"设置时间和标题", sdk::kSectionOverlay, 2048, false, true,
     VEXLO_SECTION(overlay, buildOverlayRequest)},
    {u"设置视频编码", sdk::kSectionVideoEncode, 2048, true, true,
     VEXLO_SECTION(videoEncode, buildVideoEncodeRequest)},
    {u"设置音频编码", sdk::kSectionAudioEncode, 1024, true, true,
     VEXLO_SECTION(audioEncode, buildAudioEncodeRequest)},
    {u"设置移动侦测告警", sdk::kSectionMotion, 2048, false, false,
     VEXLO_SECTION(motion, buildMotionRequest)},
    {u"设置admin帐号", sdk::kSectionAccount, 2048, false, false,
     VEXLO_SECTION(account, buildAccountRequest)},
    {u"设置时钟", sdk::kSectionClock, 1024, false, false, VEXLO_SECTION(time, buildTimeRequest)},
    {u"设置定时维护", sdk::kSectionMaintenance, 2048, false, false,
     VEXLO_SECTION(maintain, buildMaintainRequest)},
    {u"设置设备语言", sdk::kSectionLanguage, 1024, false, false,
     VEXLO_SECTION(language, buildLanguageRequest)},
    {u"设置以太网", sdk::kSectionEthernet, 2048, false, false, VEXLO_SECTION(lan, buildLanRequest)},
}};

#undef VEXLO_SECTION

} // namespace

std::span<const ConfigSection> configSections()
{
    return kConfigSections;
}

bool sectionEnabled(const ConfigSection& section, const ConfigProfile& profile)
{
    return section.enabled(profile) == 1;
}

std::string cutToLimit(std::string text, std::size_t limit)
{
    if (limit == 0)
        return {};
    if (text.size() > limit - 1)
        text.resize(limit - 1);
    return text;
}

std::string sectionRequestText(const ConfigSection& section, const ConfigProfile& profile)
{
    return cutToLimit(section.build(profile), section.textLimit);
}

} // namespace vexlo

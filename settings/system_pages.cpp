#include "settings/page_definitions.h"

namespace vexlo {

namespace {

const ControlRow kAccountRows[] = {
    tickRow(1198, u"修改admin帐号密码", profileField("account.enabled")),
    passwordRow(1089, u"新密码", profileField("account.newPassword")),
    passwordRow(1086, u"新密码确认", profileField("account.passwordConfirm")),
    saveRow(1199),
};
constexpr PageBlockLayout kAccountBlocks[] = {enableBlock(), formBlock(2), saveBlock()};

constexpr std::u16string_view kLanguageItems[] = {u"简体中文", u"繁体中文", u"English", u"русский"};

const ControlRow kLanguageRows[] = {
    tickRow(1200, u"设置设备语言", profileField("language.enabled")),
    choiceRow(1201, u"语言列表", profileField("language.languageIndex"), kLanguageItems),
    saveRow(1202),
};
constexpr PageBlockLayout kLanguageBlocks[] = {enableBlock(), formBlock(1), saveBlock()};

constexpr std::u16string_view kMaintainDayItems[] = {u"星期一", u"星期二", u"星期三", u"星期四",
                                                     u"星期五", u"星期六", u"星期日", u"每天"};

const ControlRow kMaintainRows[] = {
    tickRow(1203, u"定时维护", profileField("maintain.enabled")),
    choiceRow(1204, u"定时维护", profileField("maintain.maintenanceOn"), kOffOnItems),
    choiceRow(1205, u"维护日期", profileField("maintain.day"), kMaintainDayItems, 7),
    timeRow(1206, u"维护时间", profileField("maintain.time")),
    saveRow(1207),
};
constexpr PageBlockLayout kMaintainBlocks[] = {enableBlock(), formBlock(3), saveBlock()};

constexpr std::u16string_view kUpdateModeItems[] = {u"使用NTP服务", u"手动设置"};

// The time-zone index times 60 is the zone's minutes east of GMT-12:00.
constexpr std::u16string_view kTimeZoneItems[] = {
    u"(GMT-12:00)埃尼威托克，夸贾林岛",
    u"(GMT-11:00)中途岛，萨摩亚群岛",
    u"(GMT-10:00)夏威夷",
    u"(GMT-09:00)阿拉斯加",
    u"(GMT-08:00)太平洋时间（美国和加拿大）；蒂华",
    u"(GMT-07:00)山地时间（美国和加拿大）；亚利桑那",
    u"(GMT-06:00)中部时间（美国和加拿大）；中美洲，墨西哥城",
    u"(GMT-05:00)东部时间（美国和加拿大）；波哥达，利马",
    u"(GMT-04:00)大西洋时间（加拿大）；加拉加斯，圣地亚哥",
    u"(GMT-03:00)巴西利亚，布宜诺斯艾利斯，乔治敦，格陵兰",
    u"(GMT-02:00)中大西洋",
    u"(GMT-01:00)佛得角群岛，亚速尔群岛",
    u"(GMT)格林威治平时；都柏林，爱丁堡，伦敦，里斯本",
    u"(GMT+01:00)阿姆斯特丹，柏林，罗马，斯得哥尔摩，巴黎",
    u"(GMT+02:00)开罗，雅典，伊斯坦布尔，明斯克，耶路撒冷",
    u"(GMT+03:00)巴格达，科威特，利雅得，莫斯科，圣彼得堡",
    u"(GMT+04:00)阿布扎比，马斯喀特，巴库，第比利斯，埃里温",
    u"(GMT+05:00)叶卡捷林堡，伊斯兰堡，卡拉奇，塔什干",
    u"(GMT+06:00)阿拉木图，新西伯利亚，阿斯塔纳，达卡",
    u"(GMT+07:00)曼谷，雅加达，河内",
    u"(GMT+08:00)北京，重庆，乌鲁木齐，香港特别行政区，台北",
    u"(GMT+09:00)东京，大坂，札幌，汉城，雅库茨克",
    u"(GMT+10:00)布里斯班，关岛，堪培拉，墨尔本，悉尼",
    u"(GMT+11:00)马加丹，索罗门群岛，新喀里多尼亚",
    u"(GMT+12:00)富士，勘察加半岛，马绍尔群岛，惠灵顿",
};

// "设置时间" is in the template but hidden; it still keeps its flag.
const ControlRow kTimeSetRows[] = {
    tickRow(1059, u"时钟设置", profileField("time.enabled")),
    choiceRow(1208, u"更新方式", profileField("time.updateMode"), kUpdateModeItems),
    choiceRow(1021, u"时区", profileField("time.timeZone"), kTimeZoneItems, 20),
    dateTimeRow(1102, u"时间", profileField("time.manualDateTime")),
    tickRow(1060, u"设置时间", profileField("time.setTimeFlag"), false),
    textRow(1209, u"NTP服务器IP", profileField("time.ntpServer")),
    numberRow(1212, u"NTP端口(1-65535)", profileField("time.ntpPort")),
    withUnit(numberRow(1213, u"刷新间隔(60-999999)", profileField("time.refreshInterval")),
             u"秒(s)"),
    saveRow(1073),
};
constexpr PageBlockLayout kTimeSetBlocks[] = {enableBlock(), formBlock(6), saveBlock()};

} // namespace

const PageDefinition& accountPageDefinition()
{
    static const PageDefinition page{kAccountRows, kAccountBlocks,
                                     &profileField("account.newPassword"),
                                     &profileField("account.passwordConfirm")};
    return page;
}

const PageDefinition& languagePageDefinition()
{
    static const PageDefinition page{kLanguageRows, kLanguageBlocks};
    return page;
}

const PageDefinition& maintainPageDefinition()
{
    static const PageDefinition page{kMaintainRows, kMaintainBlocks};
    return page;
}

const PageDefinition& timeSetPageDefinition()
{
    static const PageDefinition page{kTimeSetRows, kTimeSetBlocks};
    return page;
}

} // namespace vexlo

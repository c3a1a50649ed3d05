#include "settings/page_definitions.h"

namespace vexlo {

namespace {

const ControlRow kAccountRows[] = {
    tickRow(1198, {u"修改admin帐号密码", u"Change admin Password"},
            profileField("account.enabled")),
    passwordRow(1089, {u"新密码", u"New Password"}, profileField("account.newPassword")),
    passwordRow(1086, {u"新密码确认", u"Confirm Password"},
                profileField("account.passwordConfirm")),
    saveRow(1199),
};
constexpr PageBlockLayout kAccountBlocks[] = {enableBlock(), formBlock(2), saveBlock()};

constexpr PageText kLanguageItems[] = {{u"简体中文", u"Simplified Chinese"},
                                       {u"繁体中文", u"Traditional Chinese"},
                                       {u"English"},
                                       {u"русский", u"Russian"}};

const ControlRow kLanguageRows[] = {
    tickRow(1200, {u"设置设备语言", u"Set Device Language"}, profileField("language.enabled")),
    choiceRow(1201, {u"语言列表", u"Language"}, profileField("language.languageIndex"),
              kLanguageItems),
    saveRow(1202),
};
constexpr PageBlockLayout kLanguageBlocks[] = {enableBlock(), formBlock(1), saveBlock()};

constexpr PageText kMaintainDayItems[] = {{u"星期一", u"Monday"},    {u"星期二", u"Tuesday"},
                                          {u"星期三", u"Wednesday"}, {u"星期四", u"Thursday"},
                                          {u"星期五", u"Friday"},    {u"星期六", u"Saturday"},
                                          {u"星期日", u"Sunday"},    {u"每天", u"Every Day"}};

const ControlRow kMaintainRows[] = {
    tickRow(1203, {u"定时维护", u"Set Maintenance"}, profileField("maintain.enabled")),
    choiceRow(1204, {u"定时维护", u"Scheduled Maintenance"}, profileField("maintain.maintenanceOn"),
              kOffOnItems),
    choiceRow(1205, {u"维护日期", u"Day"}, profileField("maintain.day"), kMaintainDayItems, 7),
    timeRow(1206, {u"维护时间", u"Time"}, profileField("maintain.time")),
    saveRow(1207),
};
constexpr PageBlockLayout kMaintainBlocks[] = {enableBlock(), formBlock(3), saveBlock()};

constexpr PageText kUpdateModeItems[] = {{u"使用NTP服务", u"NTP Server"}, {u"手动设置", u"Manual"}};

// The time-zone index times 60 is the zone's minutes east of GMT-12:00.
constexpr PageText kTimeZoneItems[] = {
    {u"(GMT-12:00)埃尼威托克，夸贾林岛", u"(GMT-12:00) Eniwetok, Kwajalein"},
    {u"(GMT-11:00)中途岛，萨摩亚群岛", u"(GMT-11:00) Midway Island, Samoa"},
    {u"(GMT-10:00)夏威夷", u"(GMT-10:00) Hawaii"},
    {u"(GMT-09:00)阿拉斯加", u"(GMT-09:00) Alaska"},
    {u"(GMT-08:00)太平洋时间（美国和加拿大）；蒂华",
     u"(GMT-08:00) Pacific Time (US & Canada); Tijuana"},
    {u"(GMT-07:00)山地时间（美国和加拿大）；亚利桑那",
     u"(GMT-07:00) Mountain Time (US & Canada); Arizona"},
    {u"(GMT-06:00)中部时间（美国和加拿大）；中美洲，墨西哥城",
     u"(GMT-06:00) Central Time (US & Canada); Central America, Mexico City"},
    {u"(GMT-05:00)东部时间（美国和加拿大）；波哥达，利马",
     u"(GMT-05:00) Eastern Time (US & Canada); Bogota, Lima"},
    {u"(GMT-04:00)大西洋时间（加拿大）；加拉加斯，圣地亚哥",
     u"(GMT-04:00) Atlantic Time (Canada); Caracas, Santiago"},
    {u"(GMT-03:00)巴西利亚，布宜诺斯艾利斯，乔治敦，格陵兰",
     u"(GMT-03:00) Brasilia, Buenos Aires, Georgetown, Greenland"},
    {u"(GMT-02:00)中大西洋", u"(GMT-02:00) Mid-Atlantic"},
    {u"(GMT-01:00)佛得角群岛，亚速尔群岛", u"(GMT-01:00) Cape Verde Is., Azores"},
    {u"(GMT)格林威治平时；都柏林，爱丁堡，伦敦，里斯本",
     u"(GMT) Greenwich Mean Time; Dublin, Edinburgh, London, Lisbon"},
    {u"(GMT+01:00)阿姆斯特丹，柏林，罗马，斯得哥尔摩，巴黎",
     u"(GMT+01:00) Amsterdam, Berlin, Rome, Stockholm, Paris"},
    {u"(GMT+02:00)开罗，雅典，伊斯坦布尔，明斯克，耶路撒冷",
     u"(GMT+02:00) Cairo, Athens, Istanbul, Minsk, Jerusalem"},
    {u"(GMT+03:00)巴格达，科威特，利雅得，莫斯科，圣彼得堡",
     u"(GMT+03:00) Baghdad, Kuwait, Riyadh, Moscow, St. Petersburg"},
    {u"(GMT+04:00)阿布扎比，马斯喀特，巴库，第比利斯，埃里温",
     u"(GMT+04:00) Abu Dhabi, Muscat, Baku, Tbilisi, Yerevan"},
    {u"(GMT+05:00)叶卡捷林堡，伊斯兰堡，卡拉奇，塔什干",
     u"(GMT+05:00) Ekaterinburg, Islamabad, Karachi, Tashkent"},
    {u"(GMT+06:00)阿拉木图，新西伯利亚，阿斯塔纳，达卡",
     u"(GMT+06:00) Almaty, Novosibirsk, Astana, Dhaka"},
    {u"(GMT+07:00)曼谷，雅加达，河内", u"(GMT+07:00) Bangkok, Jakarta, Hanoi"},
    {u"(GMT+08:00)北京，重庆，乌鲁木齐，香港特别行政区，台北",
     u"(GMT+08:00) Beijing, Chongqing, Urumqi, Hong Kong SAR, Taipei"},
    {u"(GMT+09:00)东京，大坂，札幌，汉城，雅库茨克",
     u"(GMT+09:00) Tokyo, Osaka, Sapporo, Seoul, Yakutsk"},
    {u"(GMT+10:00)布里斯班，关岛，堪培拉，墨尔本，悉尼",
     u"(GMT+10:00) Brisbane, Guam, Canberra, Melbourne, Sydney"},
    {u"(GMT+11:00)马加丹，索罗门群岛，新喀里多尼亚",
     u"(GMT+11:00) Magadan, Solomon Is., New Caledonia"},
    {u"(GMT+12:00)富士，勘察加半岛，马绍尔群岛，惠灵顿",
     u"(GMT+12:00) Fiji, Kamchatka, Marshall Is., Wellington"}};

// "设置时间" is in the template but hidden; it still keeps its flag.
const ControlRow kTimeSetRows[] = {
    tickRow(1059, {u"时钟设置", u"Set Clock"}, profileField("time.enabled")),
    choiceRow(1208, {u"更新方式", u"Update Mode"}, profileField("time.updateMode"),
              kUpdateModeItems),
    choiceRow(1021, {u"时区", u"Time Zone"}, profileField("time.timeZone"), kTimeZoneItems, 20),
    dateTimeRow(1102, {u"时间", u"Date and Time"}, profileField("time.manualDateTime")),
    tickRow(1060, {u"设置时间", u"Set Time"}, profileField("time.setTimeFlag"), false),
    textRow(1209, {u"NTP服务器IP", u"NTP Server"}, profileField("time.ntpServer")),
    numberRow(1212, {u"NTP端口(1-65535)", u"NTP Port (1-65535)"}, profileField("time.ntpPort")),
    withUnit(numberRow(1213, {u"刷新间隔(60-999999)", u"Update Interval (60-999999)"},
                       profileField("time.refreshInterval")),
             {u"秒(s)", u"s"}),
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

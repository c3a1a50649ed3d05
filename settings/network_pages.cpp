#include "settings/page_definitions.h"

namespace vexlo {

namespace {

constexpr PageText kProtocolItems[] = {{u"UDP"}, {u"TCP"}};

const ControlRow kEthernetRows[] = {
    tickRow(1059, {u"设置以太网", u"Set Ethernet"}, profileField("lan.enabled")),
    addressRow(1080, {u"IP地址", u"IP Address"}, profileField("lan.ipAddress")),
    addressRow(1081, {u"子网掩码", u"Subnet Mask"}, profileField("lan.netmask")),
    addressRow(1082, {u"网关", u"Gateway"}, profileField("lan.gateway")),
    addressRow(1083, {u"DNS1"}, profileField("lan.dns1")),
    addressRow(1084, {u"DNS2"}, profileField("lan.dns2")),
    saveRow(1105),
};
constexpr PageBlockLayout kEthernetBlocks[] = {enableBlock(), formBlock(5), saveBlock()};

const ControlRow kCloudRows[] = {
    tickRow(1039, {u"设置云平台", u"Set Cloud Platform"}, profileField("cloud.enabled")),
    choiceRow(1106, {u"登录云管理平台", u"Cloud Management Login"},
              profileField("cloud.cloudLogin"), kOffOnItems),
    choiceRow(1107, {u"同步时间", u"Sync Time"}, profileField("cloud.syncTime"), kOffOnItems),
    saveRow(1108),
};
constexpr PageBlockLayout kCloudBlocks[] = {enableBlock(), formBlock(2), saveBlock()};

// The grid's rows are the four servers; the label of each edit names its column.
const ControlRow kFtpRows[] = {
    tickRow(1110, {u"设置FTP帐号", u"Set FTP Accounts"}, profileField("ftp.enabled")),
    textRow(1111, {u"FTP服务器地址", u"FTP Server"}, profileField("ftp.servers[0].serverAddress")),
    numberRow(1112, {u"FTP端口", u"FTP Port"}, profileField("ftp.servers[0].serverPort")),
    textRow(1113, {u"FTP帐号", u"FTP User"}, profileField("ftp.servers[0].account")),
    passwordRow(1114, {u"FTP密码", u"FTP Password"}, profileField("ftp.servers[0].password")),
    textRow(1102, {u"FTP服务器存储路径", u"Storage Path"},
            profileField("ftp.servers[0].storagePath")),
    textRow(1115, {u"FTP服务器地址", u"FTP Server"}, profileField("ftp.servers[1].serverAddress")),
    numberRow(1116, {u"FTP端口", u"FTP Port"}, profileField("ftp.servers[1].serverPort")),
    textRow(1117, {u"FTP帐号", u"FTP User"}, profileField("ftp.servers[1].account")),
    passwordRow(1118, {u"FTP密码", u"FTP Password"}, profileField("ftp.servers[1].password")),
    textRow(1103, {u"FTP服务器存储路径", u"Storage Path"},
            profileField("ftp.servers[1].storagePath")),
    textRow(1119, {u"FTP服务器地址", u"FTP Server"}, profileField("ftp.servers[2].serverAddress")),
    numberRow(1120, {u"FTP端口", u"FTP Port"}, profileField("ftp.servers[2].serverPort")),
    textRow(1121, {u"FTP帐号", u"FTP User"}, profileField("ftp.servers[2].account")),
    passwordRow(1101, {u"FTP密码", u"FTP Password"}, profileField("ftp.servers[2].password")),
    textRow(1104, {u"FTP服务器存储路径", u"Storage Path"},
            profileField("ftp.servers[2].storagePath")),
    textRow(1122, {u"FTP服务器地址", u"FTP Server"}, profileField("ftp.servers[3].serverAddress")),
    numberRow(1123, {u"FTP端口", u"FTP Port"}, profileField("ftp.servers[3].serverPort")),
    textRow(1124, {u"FTP帐号", u"FTP User"}, profileField("ftp.servers[3].account")),
    passwordRow(1125, {u"FTP密码", u"FTP Password"}, profileField("ftp.servers[3].password")),
    textRow(1105, {u"FTP服务器存储路径", u"Storage Path"},
            profileField("ftp.servers[3].storagePath")),
    saveRow(1109),
};
constexpr PageText kFtpServerHeads[] = {{u"告警上传", u"Alarm Upload"},
                                        {u"日志备份", u"Log Backup"},
                                        {u"配置备份", u"Config Backup"},
                                        {u"远程升级", u"Remote Upgrade"}};
constexpr PageBlockLayout kFtpBlocks[] = {enableBlock(), gridBlock(kFtpServerHeads, 5),
                                          saveBlock()};

// The account's lines, then a grid of three recipients.
const ControlRow kSmtpRows[] = {
    tickRow(1126, {u"设置SMTP帐号", u"Set SMTP Account"}, profileField("smtp.enabled")),
    textRow(1127, {u"服务器地址", u"Server Address"}, profileField("smtp.serverAddress")),
    numberRow(1128, {u"服务器端口", u"Server Port"}, profileField("smtp.serverPort")),
    choiceRow(1129, {u"SSL/TSL连接", u"SSL/TLS"}, profileField("smtp.secureConnection"),
              kOffOnItems),
    textRow(1130, {u"邮件帐号", u"Mail Account"}, profileField("smtp.account")),
    passwordRow(1131, {u"邮件密码", u"Mail Password"}, profileField("smtp.password")),
    passwordRow(1132, {u"密码确认", u"Confirm Password"}, profileField("smtp.passwordConfirm")),
    textRow(1133, {u"显示帐号", u"Sender Name"}, profileField("smtp.sender")),
    textRow(1134, {u"接收邮件地址", u"To"}, profileField("smtp.recipients[0].toAddress")),
    textRow(1135, {u"抄送邮件地址", u"Cc"}, profileField("smtp.recipients[0].ccAddress")),
    textRow(1098, {u"邮件主题", u"Subject"}, profileField("smtp.recipients[0].subject")),
    textRow(1096, {u"接收邮件地址", u"To"}, profileField("smtp.recipients[1].toAddress")),
    textRow(1136, {u"抄送邮件地址", u"Cc"}, profileField("smtp.recipients[1].ccAddress")),
    textRow(1097, {u"邮件主题", u"Subject"}, profileField("smtp.recipients[1].subject")),
    textRow(1137, {u"接收邮件地址", u"To"}, profileField("smtp.recipients[2].toAddress")),
    textRow(1100, {u"抄送邮件地址", u"Cc"}, profileField("smtp.recipients[2].ccAddress")),
    textRow(1099, {u"邮件主题", u"Subject"}, profileField("smtp.recipients[2].subject")),
    saveRow(1138),
};
constexpr PageText kMailRecipientHeads[] = {
    {u"告警上传", u"Alarm Upload"}, {u"日志备份", u"Log Backup"}, {u"配置备份", u"Config Backup"}};
constexpr PageBlockLayout kSmtpBlocks[] = {enableBlock(), formBlock(7),
                                           gridBlock(kMailRecipientHeads, 3), saveBlock()};

const ControlRow kStreamRows[] = {
    tickRow(1139, {u"设置流媒体", u"Set Streaming"}, profileField("stream.enabled")),
    choiceRow(1140, {u"是否需要认证", u"Require Authentication"},
              profileField("stream.authRequired"), kNoYesItems),
    numberRow(1141, {u"访问端口(554, 1000-65535)", u"RTSP Port (554, 1000-65535)"},
              profileField("stream.streamPort")),
    choiceRow(1142, {u"访问协议", u"Protocol"}, profileField("stream.protocol"), kProtocolItems),
    numberRow(1143, {u"云台控制端口(801,1000-65535)", u"PTZ Port (801, 1000-65535)"},
              profileField("stream.ptzPort")),
    numberRow(1144, {u"WEB访问端口(80,1000-65535)", u"Web Port (80, 1000-65535)"},
              profileField("stream.webPort")),
    saveRow(1145),
};
constexpr PageBlockLayout kStreamBlocks[] = {enableBlock(), formBlock(5), saveBlock()};

const ControlRow kPlatformRows[] = {
    tickRow(1146, {u"设置平台接入", u"Set Platform Access"}, profileField("platform.enabled")),
    choiceRow(1147, {u"登录接入服务器", u"Server Login"}, profileField("platform.platformLogin"),
              kOffOnItems),
    textRow(1148, {u"接入服务器地址", u"Server Address"}, profileField("platform.serverAddress")),
    numberRow(1149, {u"接入服务器端口(1-65535)", u"Server Port (1-65535)"},
              profileField("platform.serverPort")),
    textRow(1150, {u"接入服务器帐号", u"Server Account"}, profileField("platform.account")),
    passwordRow(1151, {u"接入服务器密码", u"Server Password"}, profileField("platform.password")),
    saveRow(1152),
};
constexpr PageBlockLayout kPlatformBlocks[] = {enableBlock(), formBlock(5), saveBlock()};

} // namespace

const PageDefinition& ethernetPageDefinition()
{
    static const PageDefinition page{kEthernetRows, kEthernetBlocks};
    return page;
}

const PageDefinition& cloudPageDefinition()
{
    static const PageDefinition page{kCloudRows, kCloudBlocks};
    return page;
}

const PageDefinition& ftpPageDefinition()
{
    static const PageDefinition page{kFtpRows, kFtpBlocks};
    return page;
}

const PageDefinition& smtpPageDefinition()
{
    static const PageDefinition page{kSmtpRows, kSmtpBlocks, &profileField("smtp.password"),
                                     &profileField("smtp.passwordConfirm")};
    return page;
}

const PageDefinition& streamPageDefinition()
{
    static const PageDefinition page{kStreamRows, kStreamBlocks};
    return page;
}

const PageDefinition& platformPageDefinition()
{
    static const PageDefinition page{kPlatformRows, kPlatformBlocks};
    return page;
}

} // namespace vexlo

#include "platform/codepage.h"
#include "profile/request_values.h"
#include "profile/section_requests.h"
#include "profile/xml_compact_printer.h"

#include <tinyxml.h>

namespace vexlo {

std::string buildLanRequest(const LanSection& section)
{
    TiXmlDocument document;
    TiXmlElement& root = appendChild(document, "LANConfig");
    setText(root, "IPAddress", fieldText(section.ipAddress));
    setText(root, "Netmask", fieldText(section.netmask));
    setText(root, "Gateway", fieldText(section.gateway));
    setText(root, "DNS1", fieldText(section.dns1));
    setText(root, "DNS2", fieldText(section.dns2));
    return printCompact(document);
}

std::string buildCloudRequest(const CloudSection& section)
{
    TiXmlDocument document;
    TiXmlElement& root = appendChild(document, "P2PConfig");
    setDecimal(root, "Enable", section.cloudLogin);
    setDecimal(root, "SyncTime", section.syncTime);
    return printCompact(document);
}

std::string buildFtpRequest(const FtpSection& section)
{
    TiXmlDocument document;
    TiXmlElement& root = appendChild(document, "FTPList");
    for (std::size_t row = 0; row < kFtpServerCount; ++row) {
        const FtpServerEntry& server = section.servers[row];
        TiXmlElement& config = appendChild(root, "FTPConfig");
        setDecimal(config, "Index", static_cast<std::int32_t>(row));
        setText(config, "ServerIP", fieldText(server.serverAddress));
        setDecimal(config, "ServerPort", server.serverPort);
        setText(config, "Username", fieldText(server.account));
        setText(config, "Password", fieldText(server.password));
        setText(config, "FilePath", fieldText(server.storagePath));
    }
    return printCompact(document);
}

std::string buildSmtpRequest(const SmtpSection& section)
{
    TiXmlDocument document;
    TiXmlElement& root = appendChild(document, "SMTPList");
    setText(root, "ServerIP", fieldText(section.serverAddress));
    setDecimal(root, "ServerPort", section.serverPort);
    setDecimal(root, "Auth", section.secureConnection);
    setText(root, "Username", fieldText(section.account));
    setText(root, "Password", fieldText(section.password));
    setText(root, "FromEmail", fieldText(section.sender));
    for (std::size_t row = 0; row < kSmtpRecipientCount; ++row) {
        const SmtpRecipientEntry& recipient = section.recipients[row];
        TiXmlElement& config = appendChild(root, "SMTPConfig");
        setDecimal(config, "Index", static_cast<std::int32_t>(row));
        setText(config, "ToEmail", fieldText(recipient.toAddress));
        setText(config, "CcEmail", fieldText(recipient.ccAddress));
        setText(config, "Subject", fieldText(recipient.subject));
    }
    return printCompact(document);
}

std::string buildStreamRequest(const StreamSection& section)
{
    TiXmlDocument document;
    TiXmlElement& root = appendChild(document, "MediaStreamConfig");
    TiXmlElement& access = appendChild(root, "StreamAccess");
    setDecimal(access, "Auth", section.authRequired);
    setDecimal(access, "VideoPort", section.streamPort);
    setDecimal(access, "RTPOverRTSP", section.protocol);
    setDecimal(access, "PTZPort", section.ptzPort);
    setDecimal(access, "WEBPort", section.webPort);
    return printCompact(document);
}

std::string buildPlatformRequest(const PlatformSection& section)
{
    TiXmlDocument document;
    TiXmlElement& root = appendChild(document, "PlatformConfig");
    TiXmlElement& server = appendChild(root, "OrvaneConfig");
    setDecimal(server, "Enable", section.platformLogin);
    setText(server, "Server", fieldText(section.serverAddress));
    setDecimal(server, "Port", section.serverPort);
    setText(server, "Username", fieldText(section.account));
    setText(server, "Password", fieldText(section.password));
    return printCompact(document);
}

} // namespace vexlo

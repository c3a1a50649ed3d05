#include "onvif/osd_messages.h"

#include "onvif/xml_reader.h"
#include "onvif/xml_writer.h"

namespace vexlo::onvif {

namespace {

XmlWriter openMediaRequest(std::string_view operation)
{
    return openServiceRequest("trt", kOnvifMediaNamespace, operation);
}

std::vector<std::string> words(pugi::xml_node parent, std::string_view name)
{
    std::vector<std::string> out;
    for (const pugi::xml_node node : children(parent, name)) {
        if (std::string word(trimSpace(text(node))); !word.empty())
            out.push_back(std::move(word));
    }
    return out;
}

std::vector<std::string> tokensOf(pugi::xml_node payload, std::string_view name)
{
    std::vector<std::string> tokens;
    for (const pugi::xml_node node : children(payload, name)) {
        if (std::string token = attribute(node, "token"); !token.empty())
            tokens.push_back(std::move(token));
    }
    return tokens;
}

std::optional<std::string> buildOsd(std::string_view operation, const OsdText& osd, bool withToken)
{
    if ((withToken && osd.token.empty()) || osd.videoSourceConfigurationToken.empty() ||
        osd.positionType.empty() || osd.textType.empty())
        return std::nullopt;
    XmlWriter writer = openMediaRequest(operation);
    writer.open("trt:OSD");
    if (withToken)
        writer.attribute("token", osd.token);
    writer.element("tt:VideoSourceConfigurationToken", osd.videoSourceConfigurationToken)
        .element("tt:Type", "Text")
        .open("tt:Position")
        .element("tt:Type", osd.positionType)
        .close()
        .open("tt:TextString")
        .element("tt:Type", osd.textType);
    if (!osd.dateFormat.empty())
        writer.element("tt:DateFormat", osd.dateFormat);
    if (!osd.timeFormat.empty())
        writer.element("tt:TimeFormat", osd.timeFormat);
    if (osd.textType == "Plain")
        writer.element("tt:PlainText", osd.plainText);
    writer.close().close();
    return writer.finish();
}

} // namespace

std::string buildGetVideoSourceConfigurations()
{
    return openMediaRequest("GetVideoSourceConfigurations").finish();
}

Reply<std::vector<std::string>> parseGetVideoSourceConfigurations(std::string_view bytes)
{
    return readResponse<std::vector<std::string>>(
        bytes, "GetVideoSourceConfigurationsResponse",
        [](pugi::xml_node payload) { return std::optional(tokensOf(payload, "Configurations")); });
}

std::string buildGetOSDs()
{
    return openMediaRequest("GetOSDs").finish();
}

Reply<std::vector<OsdText>> parseGetOSDs(std::string_view bytes)
{
    return readResponse<std::vector<OsdText>>(bytes, "GetOSDsResponse", [](pugi::xml_node payload) {
        std::vector<OsdText> osds;
        for (const pugi::xml_node node : children(payload, "OSDs")) {
            if (text(child(node, "Type")) != "Text")
                continue;
            OsdText osd;
            osd.token = attribute(node, "token");
            osd.videoSourceConfigurationToken = text(child(node, "VideoSourceConfigurationToken"));
            osd.positionType = text(find(node, {"Position", "Type"}));
            const pugi::xml_node string = child(node, "TextString");
            osd.textType = text(child(string, "Type"));
            osd.dateFormat = text(child(string, "DateFormat"));
            osd.timeFormat = text(child(string, "TimeFormat"));
            osd.plainText = text(child(string, "PlainText"));
            if (!osd.token.empty())
                osds.push_back(std::move(osd));
        }
        return std::optional(std::move(osds));
    });
}

std::optional<std::string> buildGetOSDOptions(std::string_view videoSourceConfigurationToken)
{
    if (videoSourceConfigurationToken.empty())
        return std::nullopt;
    XmlWriter writer = openMediaRequest("GetOSDOptions");
    writer.element("trt:ConfigurationToken", videoSourceConfigurationToken);
    return writer.finish();
}

Reply<OsdOffer> parseGetOSDOptions(std::string_view bytes)
{
    return readResponse<OsdOffer>(bytes, "GetOSDOptionsResponse", [](pugi::xml_node payload) {
        const pugi::xml_node options = child(payload, "OSDOptions");
        const pugi::xml_node textOption = child(options, "TextOption");
        OsdOffer offer;
        offer.positions = words(options, "PositionOption");
        offer.textTypes = words(textOption, "Type");
        offer.dateFormats = words(textOption, "DateFormat");
        offer.timeFormats = words(textOption, "TimeFormat");
        return std::optional(std::move(offer));
    });
}

std::optional<std::string> buildCreateOSD(const OsdText& osd)
{
    return buildOsd("CreateOSD", osd, false);
}

std::optional<std::string> buildSetOSD(const OsdText& osd)
{
    return buildOsd("SetOSD", osd, true);
}

std::optional<std::string> buildDeleteOSD(std::string_view token)
{
    if (token.empty())
        return std::nullopt;
    XmlWriter writer = openMediaRequest("DeleteOSD");
    writer.element("trt:OSDToken", token);
    return writer.finish();
}

} // namespace vexlo::onvif

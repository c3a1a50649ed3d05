#include "platform/codepage.h"
#include "profile/request_values.h"
#include "profile/section_requests.h"
#include "profile/xml_compact_printer.h"

#include <tinyxml.h>

namespace vexlo {
namespace {

void setPosition(TiXmlElement& element, std::int32_t positionIndex)
{
    const OverlayPosition position = overlayPosition(positionIndex);
    setDecimal(element, "PosX", position.x);
    setDecimal(element, "PosY", position.y);
}

// The attributes after "Stream" and "Resolution", the same for both streams.
void setStreamEncoding(TiXmlElement& element, const VideoStreamBlock& stream)
{
    setText(element, "EncodeFormat", "H264"); // the only format there is
    setText(element, "BitRateControl", bitRateControlName(stream.bitRateControl));
    setDecimal(element, "Initquant", stream.frameInterval);
    setDecimal(element, "BitRate", stream.bitRate);
    setDecimal(element, "FrameRate", stream.frameRate + 1);
}

} // namespace

std::string buildCaptureRequest(const CaptureSection& section)
{
    TiXmlDocument document;
    TiXmlElement& root = appendChild(document, "Capture");
    setDecimal(root, "IrcutMode", section.irCutMode);
    setDecimal(root, "IrcutKeepColor", section.keepColour);
    setDecimal(root, "IrcutSensitivity", section.irCutSensitivity);
    setText(root, "IrcutNightStartTime", timeText(section.nightStart));
    setText(root, "IrcutNightEndTime", timeText(section.nightEnd));
    setDecimal(root, "Brightness", section.brightness);
    setDecimal(root, "Saturation", section.saturation);
    setDecimal(root, "Sharpness", section.sharpness);
    setDecimal(root, "Contrast", section.contrast);
    setDecimal(root, "BackLight", section.backlight);
    setDecimal(root, "DayNight", section.dayNight);
    setDecimal(root, "WhiteBalance", section.whiteBalance);
    setDecimal(root, "Switch2A", section.autoExposureWhiteBalance);
    setDecimal(root, "BinningSkip", section.sensorReadout);
    // The camera expects the video standard here, not where the section keeps it.
    setDecimal(root, "TVSystem", section.videoStandard);
    setDecimal(root, "HFlip", section.horizontalFlip);
    setDecimal(root, "VFlip", section.verticalFlip);
    setText(root, "XOffset", "");
    setText(root, "YOffset", "");
    return printCompact(document);
}

std::string buildOverlayRequest(const OverlaySection& section)
{
    TiXmlDocument document;
    TiXmlElement& root = appendChild(document, "Overlay");
    setDecimal(root, "Enable", section.osdEnabled);
    // The device calls the extra-information choice "Transparency"; the hidden
    // transparency number of the page is never sent.
    setDecimal(root, "Transparency", section.extraInfo);

    TiXmlElement& time = appendChild(root, "TimeOverlay");
    setPosition(time, section.timePosition);
    setText(time, "Format", timeFormatText(section.timeFormat));

    TiXmlElement& title = appendChild(root, "TitleOverlay");
    setPosition(title, section.titlePosition);
    // Hex-encoded, so the device receives the title's GBK bytes whatever they are.
    setText(title, "Title", hexEncode(fieldText(section.title)));
    return printCompact(document);
}

std::string buildVideoEncodeRequest(const VideoEncodeSection& section)
{
    TiXmlDocument document;
    TiXmlElement& root = appendChild(document, "Encode");

    TiXmlElement& mainStream = appendChild(root, "EncodeConfig");
    setDecimal(mainStream, "Stream", 1);
    setText(mainStream, "Resolution", mainStreamResolutionName(section.mainStream.resolution));
    setStreamEncoding(mainStream, section.mainStream);

    TiXmlElement& subStream = appendChild(root, "EncodeConfig");
    setDecimal(subStream, "Stream", 2);
    setText(subStream, "Resolution", resolutionName(section.subStream.resolution));
    setStreamEncoding(subStream, section.subStream);

    TiXmlElement& advanced = appendChild(root, "AdvanceEncodeConfig");
    setDecimal(advanced, "EncodeProfile", section.encodeProfile);
    setDecimal(advanced, "DisablePrivateData", section.privateData);
    return printCompact(document);
}

std::string buildAudioEncodeRequest(const AudioEncodeSection& section)
{
    TiXmlDocument document;
    TiXmlElement& root = appendChild(document, "Audio");
    TiXmlElement& encode = appendChild(root, "Encode");
    setDecimal(encode, "Enable", section.encodingOn);
    setText(encode, "SampleRate", audioSampleRateText(section.sampleRate));
    setText(encode, "EncodeType", audioEncodeTypeName(section.encodeType));
    setText(encode, "BitRate", audioBitRateText(section.bitRate));
    return printCompact(document);
}

} // namespace vexlo

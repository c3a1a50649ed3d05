#include "settings/page_definitions.h"

namespace vexlo {

namespace {

constexpr std::u16string_view kIrCutModeItems[] = {u"主动模式", u"日夜模式", u"被动模式",
                                                   u"手动模式", u"反向被动模式"};
constexpr std::u16string_view kVideoStandardItems[] = {u"60HZ", u"50HZ"};
constexpr std::u16string_view kDayNightItems[] = {u"晚上", u"白天"};
constexpr std::u16string_view kWhiteBalanceItems[] = {u"自动", u"室内", u"室外"};
constexpr std::u16string_view kSensorReadoutItems[] = {u"BINNING", u"SKIP"};

const ControlRow kCaptureRows[] = {
    tickRow(1153, u"设置视频采集", profileField("capture.enabled")),
    choiceRow(1154, u"工作模式", profileField("capture.irCutMode"), kIrCutModeItems),
    choiceRow(1155, u"保持彩色", profileField("capture.keepColour"), kNoYesItems),
    numberRow(1156, u"灵敏度(0-100)", profileField("capture.irCutSensitivity")),
    timeRow(1168, u"夜开始时间", profileField("capture.nightStart")),
    timeRow(1169, u"夜结束时间", profileField("capture.nightEnd")),
    numberRow(1092, u"亮度(0-255)", profileField("capture.brightness")),
    numberRow(1094, u"饱和度(0-255)", profileField("capture.saturation")),
    numberRow(1091, u"锐度(0-255)", profileField("capture.sharpness")),
    numberRow(1095, u"对比度(0-255)", profileField("capture.contrast")),
    numberRow(1093, u"背光(0-255)", profileField("capture.backlight")),
    choiceRow(1160, u"视频制式", profileField("capture.videoStandard"), kVideoStandardItems),
    choiceRow(1161, u"晚上和白天", profileField("capture.dayNight"), kDayNightItems),
    choiceRow(1162, u"白平衡", profileField("capture.whiteBalance"), kWhiteBalanceItems),
    choiceRow(1163, u"自动爆光白平衡", profileField("capture.autoExposureWhiteBalance"),
              kOffOnItems),
    choiceRow(1164, u"图像采集模式", profileField("capture.sensorReadout"), kSensorReadoutItems),
    choiceRow(1165, u"水平翻转", profileField("capture.horizontalFlip"), kOffOnItems),
    choiceRow(1166, u"垂直翻转", profileField("capture.verticalFlip"), kOffOnItems),
    saveRow(1167),
};
constexpr PageBlockLayout kCaptureBlocks[] = {enableBlock(), formBlock(17), saveBlock()};

constexpr std::u16string_view kExtraInfoItems[] = {u"不叠加", u"叠加到分辨率", u"叠加到码率",
                                                   u"叠加到分辨率和码率"};
constexpr std::u16string_view kPositionItems[] = {u"不显示", u"左上角", u"右上角", u"左下角",
                                                  u"右下角"};
constexpr std::u16string_view kTimeFormatItems[] = {
    u"yyyy-mm-dd hh:mm:ss", u"yyyy/mm/dd hh:mm:ss", u"yy-mm-dd hh:mm:ss",   u"yy/mm/dd hh:mm:ss",
    u"hh:mm:ss dd/mm/yyyy", u"hh:mm:ss dd-mm-yyyy", u"hh:mm:ss mm/dd/yyyy", u"hh:mm:ss mm-dd-yyyy"};

// The transparency edit is in the template but hidden; it still keeps its field.
const ControlRow kTimeTitleRows[] = {
    tickRow(1169, u"设置时间和标题", profileField("overlay.enabled")),
    choiceRow(1170, u"OSD显示", profileField("overlay.osdEnabled"), kOffOnItems),
    choiceRow(1171, u"叠加附加信息", profileField("overlay.extraInfo"), kExtraInfoItems),
    choiceRow(1172, u"时间位置", profileField("overlay.timePosition"), kPositionItems),
    choiceRow(1173, u"时间显示格式", profileField("overlay.timeFormat"), kTimeFormatItems),
    choiceRow(1174, u"标题位置", profileField("overlay.titlePosition"), kPositionItems),
    textRow(1090, u"标题内容(多行用^分隔)", profileField("overlay.title")),
    numberRow(1210, u"透明度", profileField("overlay.transparency"), false),
    saveRow(1167),
};
constexpr PageBlockLayout kTimeTitleBlocks[] = {enableBlock(), formBlock(6), saveBlock()};

constexpr std::u16string_view kEncodeFormatItems[] = {u"H264"};
constexpr std::u16string_view kMainResolutionItems[] = {
    u"720P",    u"960P", u"1080P", u"1440P",   u"1512P",   u"256x192", u"288x192", u"320x192",
    u"352x192", u"QVGA", u"CIF",   u"480x360", u"640x360", u"VGA",     u"D1"};
constexpr std::u16string_view kSubResolutionItems[] = {
    u"720P",    u"960P",    u"1080P", u"1440P", u"1512P",   u"448P",    u"256x192", u"288x192",
    u"320x192", u"352x192", u"QVGA",  u"CIF",   u"480x360", u"640x360", u"VGA",     u"D1"};
constexpr std::u16string_view kBitRateControlItems[] = {u"CBR", u"VBR", u"CVBR"};
constexpr std::u16string_view kFrameRateItems[] = {
    u"1",  u"2",  u"3",  u"4",  u"5",  u"6",  u"7",  u"8",  u"9",  u"10",
    u"11", u"12", u"13", u"14", u"15", u"16", u"17", u"18", u"19", u"20",
    u"21", u"22", u"23", u"24", u"25", u"26", u"27", u"28", u"29", u"30"};
// The private-data list is "on, off"; the stored index is the "disable" value.
constexpr std::u16string_view kPrivateDataItems[] = {u"启用", u"禁用"};

const ControlRow kVideoCodeRows[] = {
    tickRow(1175, u"设置视频编码", profileField("videoEncode.enabled")),
    choiceRow(1176, u"编码格式", profileField("videoEncode.mainStream.encodeFormat"),
              kEncodeFormatItems),
    choiceRow(1177, u"编码格式", profileField("videoEncode.subStream.encodeFormat"),
              kEncodeFormatItems),
    choiceRow(1178, u"分辨率", profileField("videoEncode.mainStream.resolution"),
              kMainResolutionItems, 0),
    choiceRow(1179, u"分辨率", profileField("videoEncode.subStream.resolution"),
              kSubResolutionItems, 11),
    choiceRow(1180, u"比特率控制", profileField("videoEncode.mainStream.bitRateControl"),
              kBitRateControlItems),
    choiceRow(1026, u"比特率控制", profileField("videoEncode.subStream.bitRateControl"),
              kBitRateControlItems),
    numberRow(1181, u"帧间隔(s 1-200)", profileField("videoEncode.mainStream.frameInterval")),
    numberRow(1182, u"帧间隔(s 1-200)", profileField("videoEncode.subStream.frameInterval")),
    numberRow(1183, u"比特率(kbps 500-8000)", profileField("videoEncode.mainStream.bitRate")),
    numberRow(1184, u"比特率(kbps 500-8000)", profileField("videoEncode.subStream.bitRate")),
    choiceRow(1025, u"帧率", profileField("videoEncode.mainStream.frameRate"), kFrameRateItems, 19),
    choiceRow(1027, u"帧率", profileField("videoEncode.subStream.frameRate"), kFrameRateItems, 24),
    choiceRow(1028, u"BaseProfile", profileField("videoEncode.encodeProfile"), kOffOnItems),
    choiceRow(1029, u"私有数据", profileField("videoEncode.privateData"), kPrivateDataItems, 1),
    saveRow(1185),
};
// The main and sub stream side by side under their heads, then the two lists
// both streams share.
constexpr std::u16string_view kStreamHeads[] = {u"主码流", u"子码流"};
constexpr int kVideoCodeLineWidths[] = {2, 2, 2, 2, 2, 2, 1, 1};
constexpr PageBlockLayout kVideoCodeBlocks[] = {
    enableBlock(), formBlock(kVideoCodeLineWidths, kStreamHeads), saveBlock()};

constexpr std::u16string_view kAudioTypeItems[] = {u"G711", u"AAC"};
constexpr std::u16string_view kSampleRateItems[] = {u"8000", u"16000"};
constexpr std::u16string_view kAudioBitRateItems[] = {u"6400", u"16000"};

const ControlRow kAudioCodeRows[] = {
    tickRow(1186, u"设置音频编码", profileField("audioEncode.enabled")),
    choiceRow(1187, u"启用编码", profileField("audioEncode.encodingOn"), kOffOnItems),
    choiceRow(1188, u"编码方式", profileField("audioEncode.encodeType"), kAudioTypeItems),
    choiceRow(1022, u"采样率", profileField("audioEncode.sampleRate"), kSampleRateItems),
    choiceRow(1189, u"码率", profileField("audioEncode.bitRate"), kAudioBitRateItems),
    saveRow(1190),
};
constexpr PageBlockLayout kAudioCodeBlocks[] = {enableBlock(), formBlock(4), saveBlock()};

} // namespace

const PageDefinition& capturePageDefinition()
{
    static const PageDefinition page{kCaptureRows, kCaptureBlocks};
    return page;
}

const PageDefinition& timeTitlePageDefinition()
{
    static const PageDefinition page{kTimeTitleRows, kTimeTitleBlocks};
    return page;
}

const PageDefinition& videoCodePageDefinition()
{
    static const PageDefinition page{kVideoCodeRows, kVideoCodeBlocks, nullptr, nullptr, true};
    return page;
}

const PageDefinition& audioCodePageDefinition()
{
    static const PageDefinition page{kAudioCodeRows, kAudioCodeBlocks};
    return page;
}

} // namespace vexlo

#include "settings/page_definitions.h"

namespace vexlo {

namespace {

constexpr PageText kIrCutModeItems[] = {{u"主动模式", u"Active"},
                                        {u"日夜模式", u"Day/Night"},
                                        {u"被动模式", u"Passive"},
                                        {u"手动模式", u"Manual"},
                                        {u"反向被动模式", u"Reverse Passive"}};
constexpr PageText kVideoStandardItems[] = {{u"60HZ"}, {u"50HZ"}};
constexpr PageText kDayNightItems[] = {{u"晚上", u"Night"}, {u"白天", u"Day"}};
constexpr PageText kWhiteBalanceItems[] = {
    {u"自动", u"Auto"}, {u"室内", u"Indoor"}, {u"室外", u"Outdoor"}};
constexpr PageText kSensorReadoutItems[] = {{u"BINNING"}, {u"SKIP"}};

const ControlRow kCaptureRows[] = {
    tickRow(1153, {u"设置视频采集", u"Set Video Capture"}, profileField("capture.enabled")),
    choiceRow(1154, {u"工作模式", u"IR-Cut Mode"}, profileField("capture.irCutMode"),
              kIrCutModeItems),
    choiceRow(1155, {u"保持彩色", u"Keep Colour"}, profileField("capture.keepColour"), kNoYesItems),
    numberRow(1156, {u"灵敏度(0-100)", u"Sensitivity (0-100)"},
              profileField("capture.irCutSensitivity")),
    timeRow(1168, {u"夜开始时间", u"Night Start"}, profileField("capture.nightStart")),
    timeRow(1169, {u"夜结束时间", u"Night End"}, profileField("capture.nightEnd")),
    numberRow(1092, {u"亮度(0-255)", u"Brightness (0-255)"}, profileField("capture.brightness")),
    numberRow(1094, {u"饱和度(0-255)", u"Saturation (0-255)"}, profileField("capture.saturation")),
    numberRow(1091, {u"锐度(0-255)", u"Sharpness (0-255)"}, profileField("capture.sharpness")),
    numberRow(1095, {u"对比度(0-255)", u"Contrast (0-255)"}, profileField("capture.contrast")),
    numberRow(1093, {u"背光(0-255)", u"Backlight (0-255)"}, profileField("capture.backlight")),
    choiceRow(1160, {u"视频制式", u"Video Standard"}, profileField("capture.videoStandard"),
              kVideoStandardItems),
    choiceRow(1161, {u"晚上和白天", u"Day/Night"}, profileField("capture.dayNight"),
              kDayNightItems),
    choiceRow(1162, {u"白平衡", u"White Balance"}, profileField("capture.whiteBalance"),
              kWhiteBalanceItems),
    choiceRow(1163, {u"自动爆光白平衡", u"Auto Exposure WB"},
              profileField("capture.autoExposureWhiteBalance"), kOffOnItems),
    choiceRow(1164, {u"图像采集模式", u"Sensor Readout"}, profileField("capture.sensorReadout"),
              kSensorReadoutItems),
    choiceRow(1165, {u"水平翻转", u"Horizontal Flip"}, profileField("capture.horizontalFlip"),
              kOffOnItems),
    choiceRow(1166, {u"垂直翻转", u"Vertical Flip"}, profileField("capture.verticalFlip"),
              kOffOnItems),
    saveRow(1167),
};
constexpr PageBlockLayout kCaptureBlocks[] = {enableBlock(), formBlock(17), saveBlock()};

constexpr PageText kExtraInfoItems[] = {{u"不叠加", u"None"},
                                        {u"叠加到分辨率", u"Resolution"},
                                        {u"叠加到码率", u"Bit Rate"},
                                        {u"叠加到分辨率和码率", u"Resolution and Bit Rate"}};
constexpr PageText kPositionItems[] = {{u"不显示", u"Hidden"},
                                       {u"左上角", u"Top Left"},
                                       {u"右上角", u"Top Right"},
                                       {u"左下角", u"Bottom Left"},
                                       {u"右下角", u"Bottom Right"}};
constexpr PageText kTimeFormatItems[] = {{u"yyyy-mm-dd hh:mm:ss"}, {u"yyyy/mm/dd hh:mm:ss"},
                                         {u"yy-mm-dd hh:mm:ss"},   {u"yy/mm/dd hh:mm:ss"},
                                         {u"hh:mm:ss dd/mm/yyyy"}, {u"hh:mm:ss dd-mm-yyyy"},
                                         {u"hh:mm:ss mm/dd/yyyy"}, {u"hh:mm:ss mm-dd-yyyy"}};

// The transparency edit is in the template but hidden; it still keeps its field.
const ControlRow kTimeTitleRows[] = {
    tickRow(1169, {u"设置时间和标题", u"Set Time and Title"}, profileField("overlay.enabled")),
    choiceRow(1170, {u"OSD显示", u"OSD"}, profileField("overlay.osdEnabled"), kOffOnItems),
    choiceRow(1171, {u"叠加附加信息", u"Info Overlay"}, profileField("overlay.extraInfo"),
              kExtraInfoItems),
    choiceRow(1172, {u"时间位置", u"Time Position"}, profileField("overlay.timePosition"),
              kPositionItems),
    choiceRow(1173, {u"时间显示格式", u"Time Format"}, profileField("overlay.timeFormat"),
              kTimeFormatItems),
    choiceRow(1174, {u"标题位置", u"Title Position"}, profileField("overlay.titlePosition"),
              kPositionItems),
    textRow(1090, {u"标题内容(多行用^分隔)", u"Title (^ starts a new line)"},
            profileField("overlay.title")),
    numberRow(1210, {u"透明度", u"Transparency"}, profileField("overlay.transparency"), false),
    saveRow(1167),
};
constexpr PageBlockLayout kTimeTitleBlocks[] = {enableBlock(), formBlock(6), saveBlock()};

constexpr PageText kEncodeFormatItems[] = {{u"H264"}};
constexpr PageText kMainResolutionItems[] = {{u"720P"},    {u"960P"},    {u"1080P"},   {u"1440P"},
                                             {u"1512P"},   {u"256x192"}, {u"288x192"}, {u"320x192"},
                                             {u"352x192"}, {u"QVGA"},    {u"CIF"},     {u"480x360"},
                                             {u"640x360"}, {u"VGA"},     {u"D1"}};
constexpr PageText kSubResolutionItems[] = {{u"720P"},    {u"960P"},    {u"1080P"},   {u"1440P"},
                                            {u"1512P"},   {u"448P"},    {u"256x192"}, {u"288x192"},
                                            {u"320x192"}, {u"352x192"}, {u"QVGA"},    {u"CIF"},
                                            {u"480x360"}, {u"640x360"}, {u"VGA"},     {u"D1"}};
constexpr PageText kBitRateControlItems[] = {{u"CBR"}, {u"VBR"}, {u"CVBR"}};
constexpr PageText kFrameRateItems[] = {
    {u"1"},  {u"2"},  {u"3"},  {u"4"},  {u"5"},  {u"6"},  {u"7"},  {u"8"},  {u"9"},  {u"10"},
    {u"11"}, {u"12"}, {u"13"}, {u"14"}, {u"15"}, {u"16"}, {u"17"}, {u"18"}, {u"19"}, {u"20"},
    {u"21"}, {u"22"}, {u"23"}, {u"24"}, {u"25"}, {u"26"}, {u"27"}, {u"28"}, {u"29"}, {u"30"}};
// The private-data list is "on, off"; the stored index is the "disable" value.
constexpr PageText kPrivateDataItems[] = {{u"启用", u"Enabled"}, {u"禁用", u"Disabled"}};

const ControlRow kVideoCodeRows[] = {
    tickRow(1175, {u"设置视频编码", u"Set Video Encoding"}, profileField("videoEncode.enabled")),
    choiceRow(1176, {u"编码格式", u"Encoding"}, profileField("videoEncode.mainStream.encodeFormat"),
              kEncodeFormatItems),
    choiceRow(1177, {u"编码格式", u"Encoding"}, profileField("videoEncode.subStream.encodeFormat"),
              kEncodeFormatItems),
    choiceRow(1178, {u"分辨率", u"Resolution"}, profileField("videoEncode.mainStream.resolution"),
              kMainResolutionItems, 0),
    choiceRow(1179, {u"分辨率", u"Resolution"}, profileField("videoEncode.subStream.resolution"),
              kSubResolutionItems, 11),
    choiceRow(1180, {u"比特率控制", u"Bit Rate Control"},
              profileField("videoEncode.mainStream.bitRateControl"), kBitRateControlItems),
    choiceRow(1026, {u"比特率控制", u"Bit Rate Control"},
              profileField("videoEncode.subStream.bitRateControl"), kBitRateControlItems),
    numberRow(1181, {u"帧间隔(s 1-200)", u"I-Frame Interval (s 1-200)"},
              profileField("videoEncode.mainStream.frameInterval")),
    numberRow(1182, {u"帧间隔(s 1-200)", u"I-Frame Interval (s 1-200)"},
              profileField("videoEncode.subStream.frameInterval")),
    numberRow(1183, {u"比特率(kbps 500-8000)", u"Bit Rate (kbps 500-8000)"},
              profileField("videoEncode.mainStream.bitRate")),
    numberRow(1184, {u"比特率(kbps 500-8000)", u"Bit Rate (kbps 500-8000)"},
              profileField("videoEncode.subStream.bitRate")),
    choiceRow(1025, {u"帧率", u"Frame Rate"}, profileField("videoEncode.mainStream.frameRate"),
              kFrameRateItems, 19),
    choiceRow(1027, {u"帧率", u"Frame Rate"}, profileField("videoEncode.subStream.frameRate"),
              kFrameRateItems, 24),
    choiceRow(1028, {u"BaseProfile"}, profileField("videoEncode.encodeProfile"), kOffOnItems),
    choiceRow(1029, {u"私有数据", u"Private Data"}, profileField("videoEncode.privateData"),
              kPrivateDataItems, 1),
    saveRow(1185),
};
// The main and sub stream side by side under their heads, then the two lists
// both streams share.
constexpr PageText kStreamHeads[] = {{u"主码流", u"Main Stream"}, {u"子码流", u"Sub Stream"}};
constexpr int kVideoCodeLineWidths[] = {2, 2, 2, 2, 2, 2, 1, 1};
constexpr PageBlockLayout kVideoCodeBlocks[] = {
    enableBlock(), formBlock(kVideoCodeLineWidths, kStreamHeads), saveBlock()};

constexpr PageText kAudioTypeItems[] = {{u"G711"}, {u"AAC"}};
constexpr PageText kSampleRateItems[] = {{u"8000"}, {u"16000"}};
constexpr PageText kAudioBitRateItems[] = {{u"6400"}, {u"16000"}};

const ControlRow kAudioCodeRows[] = {
    tickRow(1186, {u"设置音频编码", u"Set Audio Encoding"}, profileField("audioEncode.enabled")),
    choiceRow(1187, {u"启用编码", u"Audio Encoding"}, profileField("audioEncode.encodingOn"),
              kOffOnItems),
    choiceRow(1188, {u"编码方式", u"Codec"}, profileField("audioEncode.encodeType"),
              kAudioTypeItems),
    choiceRow(1022, {u"采样率", u"Sample Rate"}, profileField("audioEncode.sampleRate"),
              kSampleRateItems),
    choiceRow(1189, {u"码率", u"Bit Rate"}, profileField("audioEncode.bitRate"),
              kAudioBitRateItems),
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

#include "settings/page_definitions.h"

namespace vexlo {

namespace {

constexpr PageText kGridSizeItems[] = {{u"4X4"}, {u"4X3"}, {u"3X3"}, {u"3X2"}, {u"2X2"}, {u"1X1"}};

// Schedule rows, each a check box, a start and an end picker: "每天" is entry
// 7 and stands first; the weekdays are entries 0 to 6.
const ControlRow kMotionRows[] = {
    tickRow(1191, {u"设置移动侦测告警", u"Set Motion Alarm"}, profileField("motion.enabled")),
    choiceRow(1192, {u"移动侦测告警", u"Motion Alarm"}, profileField("motion.alarmOn"),
              kOffOnItems),
    numberRow(1193, {u"灵敏度(1-100)", u"Sensitivity (1-100)"}, profileField("motion.sensitivity")),
    numberRow(1087, {u"告警门限(1-100)", u"Alarm Threshold (1-100)"},
              profileField("motion.alarmThreshold")),
    choiceRow(1023, {u"区域数量", u"Regions"}, profileField("motion.gridSize"), kGridSizeItems, 2),
    choiceRow(1024, {u"启用夜间参数", u"Night Settings"}, profileField("motion.nightParametersOn"),
              kOffOnItems),
    timeRow(1194, {u"夜间起始时间", u"Night Start"}, profileField("motion.nightStart")),
    timeRow(1103, {u"夜间结束时间", u"Night End"}, profileField("motion.nightEnd")),
    numberRow(1088, {u"夜间灵敏度(1-100)", u"Night Sensitivity (1-100)"},
              profileField("motion.nightSensitivity")),
    numberRow(1195, {u"夜间告警门限(1-100)", u"Night Threshold (1-100)"},
              profileField("motion.nightAlarmThreshold")),
    tickRow(1196, {u"每天", u"Every Day"}, profileField("motion.schedule[7].active")),
    timeRow(1104, {u"每天", u"Every Day"}, profileField("motion.schedule[7].start")),
    timeRow(1105, {u"每天", u"Every Day"}, profileField("motion.schedule[7].end")),
    tickRow(1061, {u"星期一", u"Monday"}, profileField("motion.schedule[0].active")),
    timeRow(1106, {u"星期一", u"Monday"}, profileField("motion.schedule[0].start")),
    timeRow(1107, {u"星期一", u"Monday"}, profileField("motion.schedule[0].end")),
    tickRow(1064, {u"星期二", u"Tuesday"}, profileField("motion.schedule[1].active")),
    timeRow(1108, {u"星期二", u"Tuesday"}, profileField("motion.schedule[1].start")),
    timeRow(1109, {u"星期二", u"Tuesday"}, profileField("motion.schedule[1].end")),
    tickRow(1065, {u"星期三", u"Wednesday"}, profileField("motion.schedule[2].active")),
    timeRow(1110, {u"星期三", u"Wednesday"}, profileField("motion.schedule[2].start")),
    timeRow(1111, {u"星期三", u"Wednesday"}, profileField("motion.schedule[2].end")),
    tickRow(1066, {u"星期四", u"Thursday"}, profileField("motion.schedule[3].active")),
    timeRow(1112, {u"星期四", u"Thursday"}, profileField("motion.schedule[3].start")),
    timeRow(1113, {u"星期四", u"Thursday"}, profileField("motion.schedule[3].end")),
    tickRow(1067, {u"星期五", u"Friday"}, profileField("motion.schedule[4].active")),
    timeRow(1114, {u"星期五", u"Friday"}, profileField("motion.schedule[4].start")),
    timeRow(1115, {u"星期五", u"Friday"}, profileField("motion.schedule[4].end")),
    tickRow(1068, {u"星期六", u"Saturday"}, profileField("motion.schedule[5].active")),
    timeRow(1116, {u"星期六", u"Saturday"}, profileField("motion.schedule[5].start")),
    timeRow(1117, {u"星期六", u"Saturday"}, profileField("motion.schedule[5].end")),
    tickRow(1069, {u"星期日", u"Sunday"}, profileField("motion.schedule[6].active")),
    timeRow(1118, {u"星期日", u"Sunday"}, profileField("motion.schedule[6].start")),
    timeRow(1119, {u"星期日", u"Sunday"}, profileField("motion.schedule[6].end")),
    saveRow(1197),
};
constexpr PageBlockLayout kMotionBlocks[] = {enableBlock(), formBlock(9), scheduleBlock(8),
                                             saveBlock()};

} // namespace

const PageDefinition& motionPageDefinition()
{
    static const PageDefinition page{kMotionRows, kMotionBlocks};
    return page;
}

} // namespace vexlo

#include "platform/codepage.h"
#include "profile/request_values.h"
#include "profile/section_requests.h"
#include "profile/xml_compact_printer.h"

#include <tinyxml.h>

namespace vexlo {

std::string buildMotionRequest(const MotionSection& section)
{
    TiXmlDocument document;
    TiXmlElement& root = appendChild(document, "MotionDetectAlarm");
    setDecimal(root, "Enable", section.alarmOn);
    setDecimal(root, "BlockCount", motionBlockCount(section.gridSize));
    // All 64 cells, whatever the grid size.
    setText(root, "BlockConfig", motionBlockConfig(section.regionMask));
    setDecimal(root, "Sensitivity", section.sensitivity);
    setDecimal(root, "AlarmThreshold", section.alarmThreshold);
    setDecimal(root, "NightSensitivity", section.nightSensitivity);
    setDecimal(root, "NightAlarmThreshold", section.nightAlarmThreshold);
    setText(root, "NightStartTime", timeText(section.nightStart));
    setText(root, "NightEndTime", timeText(section.nightEnd));
    setDecimal(root, "DayNightSwitch", section.nightParametersOn);

    TiXmlElement& schedule = appendChild(root, "EnableTimeList"); // present even when empty
    for (std::size_t entry = 0; entry < kMotionScheduleEntries; ++entry) {
        const MotionScheduleEntry& span = section.schedule[entry];
        if (span.active == 0)
            continue;
        TiXmlElement& workday = appendChild(schedule, "Workday");
        setDecimal(workday, "Day", motionScheduleDay(entry));
        TiXmlElement& timeSpan = appendChild(workday, "TimeSpan");
        setText(timeSpan, "StartTime", timeText(span.start));
        setText(timeSpan, "EndTime", timeText(span.end));
    }
    return printCompact(document);
}

std::string buildAccountRequest(const AccountSection& section)
{
    TiXmlDocument document;
    TiXmlElement& root = appendChild(document, "UserConfig");
    TiXmlElement& account = appendChild(root, "Account");
    setText(account, "Username", "admin");
    setText(account, "Password", fieldText(section.newPassword));
    setText(account, "Group", "Administrator");
    setText(account, "Status", "Enable");
    return printCompact(document);
}

std::string buildTimeRequest(const TimeSection& section)
{
    TiXmlDocument document;
    TiXmlElement& root = appendChild(document, "TimeConfig");
    setText(root, "TimeMode", timeModeName(section.updateMode));
    setDecimal(root, "TimeZone", timeZoneValue(section.timeZone));
    TiXmlElement& ntp = appendChild(root, "NTPConfig");
    setText(ntp, "ServerIP", fieldText(section.ntpServer));
    setDecimal(ntp, "ServerPort", section.ntpPort);
    setDecimal(ntp, "RefreshInterval", section.refreshInterval);
    return printCompact(document);
}

std::string buildMaintainRequest(const MaintainSection& section)
{
    TiXmlDocument document;
    TiXmlElement& root = appendChild(document, "MaintainConfig");
    setDecimal(root, "Enable", section.maintenanceOn);
    setDecimal(root, "Day", section.day); // Monday 0 here, unlike the motion schedule
    setText(root, "Time", timeText(section.time));
    return printCompact(document);
}

std::string buildLanguageRequest(const LanguageSection& section)
{
    TiXmlDocument document;
    TiXmlElement& root = appendChild(document, "MiscConfig");
    setText(root, "Language", languageName(section.languageIndex));
    return printCompact(document);
}

} // namespace vexlo

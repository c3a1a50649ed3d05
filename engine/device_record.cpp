#include "engine/device_record.h"

#include "platform/codepage.h"

namespace vexlo {

int sectionIndexOfCode(int code)
{
    for (int i = 0; i < kSectionCount; ++i) {
        if (kSectionReplyCodes[i] == code)
            return i;
    }
    return -1;
}

std::u16string modifyIpKey(const _IPCINFO& info)
{
    std::u16string key = vexlo::gbkToUtf16(vexlo::fieldText(info.serialNo));
    if (key.size() > 32)
        key.resize(32);
    return key;
}

std::u16string setStatusText(_DEVICERECORD& record, std::u16string_view text)
{
    std::lock_guard lock(record.textLock);
    vexlo::copyToWideField(record.statusText, text);
    return std::u16string(vexlo::wideFieldText(record.statusText));
}

std::u16string statusTextOf(_DEVICERECORD& record)
{
    std::lock_guard lock(record.textLock);
    return std::u16string(vexlo::wideFieldText(record.statusText));
}

} // namespace vexlo

#pragma once

#include "settings/settings_page.h"
#include "settings/warning_block.h"

// The motion-alarm page: its rows plus the region grid, which list 1023 lays
// out, and the schedule rule that "每天" and single weekdays exclude each other
// (several weekdays may be ticked together).
namespace vexlo {

class CWarningMotionDlg : public SettingsPage
{
public:
    static constexpr int kGridSizeId = 1023;
    static constexpr int kEveryDayId = 1196;
    static constexpr int kEveryDayEntry = 7;
    // Monday to Sunday, schedule entries 0 to 6.
    static constexpr int kWeekdayIds[] = {1061, 1064, 1065, 1066, 1067, 1068, 1069};

    explicit CWarningMotionDlg(SettingsContext& context);

    WarningBlock& grid() { return m_grid; }

protected:
    void afterStore(const ControlRow& row) override;
    void afterLoad() override;

private:
    WarningBlock m_grid;
};

} // namespace vexlo

#include "settings/warning_motion_dlg.h"

#include "profile/config_profile.h"
#include "settings/page_definitions.h"

#include <iterator>

namespace vexlo {

CWarningMotionDlg::CWarningMotionDlg(SettingsContext& context)
    : SettingsPage(context, motionPageDefinition()), m_grid(context.profile)
{
    // The grid stays empty until the first layout: list 1023 shows "3X3" but
    // nothing is laid out or stored until the user picks a size or a profile
    // is loaded.
}

void CWarningMotionDlg::afterStore(const ControlRow& row)
{
    MotionSection& motion = profile().motion;
    if (row.id == kGridSizeId) {
        m_grid.setSizeIndex(motion.gridSize);
        m_grid.layout();
        return;
    }
    if (row.id == kEveryDayId) {
        if (!model().checked(kEveryDayId))
            return;
        for (std::size_t day = 0; day < std::size(kWeekdayIds); ++day) {
            model().setChecked(kWeekdayIds[day], false);
            motion.schedule[day].active = 0;
        }
        return;
    }
    for (int weekdayId : kWeekdayIds) {
        if (row.id == weekdayId && model().checked(weekdayId)) {
            model().setChecked(kEveryDayId, false);
            motion.schedule[kEveryDayEntry].active = 0;
        }
    }
}

void CWarningMotionDlg::afterLoad()
{
    m_grid.setSizeIndex(profile().motion.gridSize);
    m_grid.layout();
    m_grid.loadStates();
}

} // namespace vexlo

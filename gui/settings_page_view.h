#pragma once

#include <QWidget>

// One settings page on Qt: the page's controls made by the generic binder
// from its model, arranged as its table's blocks say (settings/page_layout.h); the
// motion page also carries the region grid at its fixed place. The page's
// logic decides everything, the language of its texts too; this view only
// draws and reports.
namespace vexlo {

class ControlBinder;
class SettingsPage;
class WarningBlockWidget;

class SettingsPageView : public QWidget
{
public:
    // `grid`: whether the page is the motion page with its region grid.
    SettingsPageView(SettingsPage& page, bool grid, QWidget* parent = nullptr);
    ~SettingsPageView() override;

    SettingsPage& page() { return m_page; }
    ControlBinder& binder() { return *m_binder; }
    WarningBlockWidget* gridWidget() const { return m_gridWidget; }

private:
    void buildLayout(bool grid);

    SettingsPage& m_page;
    ControlBinder* m_binder = nullptr;
    WarningBlockWidget* m_gridWidget = nullptr;
};

} // namespace vexlo

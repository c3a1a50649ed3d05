#pragma once

#include <QDialog>

#include <vector>

// The settings window ("其它设置") on Qt: a modeless window of fixed client
// size with the page tree on the left and, 200 pixels from the left, the
// fifteen page views of which only the page the logic shows is visible.
// Escape never closes it; its close box only hides it (COtherSetDlg::onClose),
// so the next show finds the same page, selection and unsaved edits. Its texts
// are in the logic's language at the time it was made.
namespace vexlo {

class COtherSetDlg;
class SettingsPageView;
class SettingsTreeView;

class SettingsWindow : public QDialog
{
public:
    explicit SettingsWindow(COtherSetDlg& dialog, QWidget* parent = nullptr);
    ~SettingsWindow() override;

    // Draws what the logic changed: the tree's state and which page shows
    // (after WM_SHOW_PAGE was handled).
    void refresh();

    SettingsTreeView& treeView() { return *m_treeView; }
    // The view of page 0 to 14; nullptr for another index.
    SettingsPageView* pageView(int index) const;
    // The language the window was drawn in.
    int language() const { return m_language; }

    // The close box: hides the window and tells the logic.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    COtherSetDlg& m_dialog;
    int m_language;
    SettingsTreeView* m_treeView = nullptr;
    std::vector<SettingsPageView*> m_pageViews; // by page index
};

} // namespace vexlo

#pragma once

#include <QDialog>

// The set-IP dialog ("set ip") drawn from CSettingIPDlg's controls: the check
// box, three four-field address inputs with their captions, OK and Cancel. The
// logic stores every change at once and decides what OK and Cancel do; the
// dialog closes when the logic says it is closed.
namespace vexlo {

class CSettingIPDlg;
class ControlBinder;

class SetIpDialog : public QDialog
{
public:
    SetIpDialog(CSettingIPDlg& dialog, QWidget* parent = nullptr);

    ControlBinder& binder() { return *m_binder; }

    // The window's close button and Escape count as Cancel.
    void reject() override;

private:
    void closeWhenDone();

    CSettingIPDlg& m_dialog;
    ControlBinder* m_binder = nullptr;
};

} // namespace vexlo

#pragma once

#include "credentials/credentials_file.h"
#include "platform/address_ranges.h"

#include <QDialog>

#include <memory>

class QLabel;
class QLineEdit;

// The "扫描地址段" / "Scan address ranges" window: one line of ranges that the
// searches that follow probe address by address, besides their broadcast, to
// find cameras behind a router. OK checks the text (what the command line's
// --scan takes) and hands the ranges over only when it is sound; otherwise
// the window stays open and says what is wrong. An empty line scans nothing.
namespace vexlo {

class ScanRangesDialog : public QDialog
{
public:
    ScanRangesDialog(std::shared_ptr<ScanTargets> targets, bool loopbackOnly,
                     credentials::TextLanguage language, QWidget* parent = nullptr);

    // The window's title, which is also its entry in the main window's menu.
    static QString title(credentials::TextLanguage language);

    QLineEdit& rangesEdit() { return *m_edit; }
    QString errorText() const;

    void accept() override;

private:
    std::shared_ptr<ScanTargets> m_targets;
    bool m_loopbackOnly = true;
    QLineEdit* m_edit = nullptr;
    QLabel* m_error = nullptr;
};

} // namespace vexlo

#include "gui/set_ip_dialog.h"

#include "devices/setting_ip_dlg.h"
#include "gui/control_binder.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace vexlo {

SetIpDialog::SetIpDialog(CSettingIPDlg& dialog, QWidget* parent) : QDialog(parent), m_dialog(dialog)
{
    setWindowTitle(QString::fromStdU16String(CSettingIPDlg::title()));
    setModal(true);
    m_binder = new ControlBinder(m_dialog.model(), this);
    m_binder->setAfterUserAction([this] { closeWhenDone(); });

    auto* fields = new QGridLayout;
    const int rows[][2] = {{CSettingIPDlg::kStartAddressLabelId, CSettingIPDlg::kStartAddressId},
                           {CSettingIPDlg::kSubnetMaskLabelId, CSettingIPDlg::kSubnetMaskId},
                           {CSettingIPDlg::kGatewayLabelId, CSettingIPDlg::kGatewayId}};
    int row = 0;
    for (const auto& [labelId, fieldId] : rows) {
        fields->addWidget(m_binder->widget(labelId), row, 0);
        fields->addWidget(m_binder->widget(fieldId), row, 1);
        ++row;
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = m_binder->widgetAs<QPushButton>(CSettingIPDlg::kOkId);
    auto* cancel = m_binder->widgetAs<QPushButton>(CSettingIPDlg::kCancelId);
    ok->setDefault(true);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_binder->widget(CSettingIPDlg::kUseStartAddressId));
    layout->addLayout(fields);
    layout->addLayout(buttons);
}

void SetIpDialog::closeWhenDone()
{
    if (!m_dialog.isClosed())
        return;
    if (m_dialog.result() == CSettingIPDlg::Result::Ok)
        QDialog::accept();
    else
        QDialog::reject();
}

void SetIpDialog::reject()
{
    if (!m_dialog.isClosed())
        m_dialog.onClose();
    QDialog::reject();
}

} // namespace vexlo

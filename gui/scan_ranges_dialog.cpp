#include "gui/scan_ranges_dialog.h"

#include "netsdk/address_guard.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vexlo {

namespace {

bool isEnglish(credentials::TextLanguage language)
{
    return language == credentials::TextLanguage::English;
}

} // namespace

QString ScanRangesDialog::title(credentials::TextLanguage language)
{
    return isEnglish(language) ? QStringLiteral("Scan address ranges...")
                               : QStringLiteral("扫描地址段...");
}

ScanRangesDialog::ScanRangesDialog(std::shared_ptr<ScanTargets> targets, bool loopbackOnly,
                                   credentials::TextLanguage language, QWidget* parent)
    : QDialog(parent), m_targets(std::move(targets)), m_loopbackOnly(loopbackOnly)
{
    const bool english = isEnglish(language);
    setWindowTitle(english ? QStringLiteral("Scan address ranges") : QStringLiteral("扫描地址段"));
    auto* explanation = new QLabel(
        english ? QStringLiteral("Cameras behind a router do not hear the search. Each search "
                                 "also asks every address of these ranges, e.g. "
                                 "192.168.2.1-192.168.2.254, 10.0.8.0/24 (at most 4096 "
                                 "addresses; empty: none).")
                : QStringLiteral("路由器后面的摄像机收不到搜索广播。每次搜索时也逐个询问这些地址段"
                                 "中的每个地址，例如 192.168.2.1-192.168.2.254, 10.0.8.0/24"
                                 "（最多 4096 个地址；留空则不扫描）。"),
        this);
    explanation->setWordWrap(true);
    m_edit = new QLineEdit(this);
    QStringList written;
    for (const AddressRange& range : m_targets->ranges())
        written << QString::fromStdString(range.text);
    m_edit->setText(written.join(QStringLiteral(", ")));
    m_error = new QLabel(this);
    m_error->setWordWrap(true);
    m_error->setStyleSheet(QStringLiteral("color: #b00000"));
    m_error->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)
        ->setText(english ? QStringLiteral("OK") : QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)
        ->setText(english ? QStringLiteral("Cancel") : QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addWidget(m_edit);
    layout->addWidget(m_error);
    layout->addWidget(buttons);
    resize(480, sizeHint().height());
}

QString ScanRangesDialog::errorText() const
{
    return m_error->text();
}

void ScanRangesDialog::accept()
{
    AddressRangeList list = parseAddressRanges(m_edit->text().toStdString());
    std::string problem = list.error;
    if (problem.empty())
        problem = netsdk::AddressGuard(m_loopbackOnly).scanProblem(list.ranges);
    if (!problem.empty()) {
        m_error->setText(QString::fromStdString(problem));
        m_error->show();
        return;
    }
    m_targets->set(std::move(list.ranges));
    QDialog::accept();
}

} // namespace vexlo

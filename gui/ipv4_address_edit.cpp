#include "gui/ipv4_address_edit.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>

namespace vexlo {

Ipv4AddressEdit::Ipv4AddressEdit(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(0);
    for (int index = 0; index < 4; ++index) {
        auto* field = new QLineEdit(this);
        field->setFrame(false);
        field->setMaxLength(3);
        field->setAlignment(Qt::AlignCenter);
        field->setValidator(new QIntValidator(0, 255, field));
        field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000")));
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this,
                [this, index](const QString& text) { fieldEdited(index, text); });
        m_fields[static_cast<std::size_t>(index)] = field;
        layout->addWidget(field);
        if (index < 3)
            layout->addWidget(new QLabel(QStringLiteral("."), this));
    }
    setFocusProxy(m_fields[0]);
}

QString Ipv4AddressEdit::address() const
{
    bool allEmpty = true;
    QStringList parts;
    for (const QLineEdit* field : m_fields) {
        const QString text = field->text();
        allEmpty = allEmpty && text.isEmpty();
        parts << (text.isEmpty() ? QStringLiteral("0") : QString::number(text.toInt()));
    }
    return allEmpty ? QString() : parts.join(QLatin1Char('.'));
}

void Ipv4AddressEdit::setAddress(const QString& address)
{
    const QStringList parts = address.split(QLatin1Char('.'));
    for (std::size_t index = 0; index < m_fields.size(); ++index) {
        QString part = index < static_cast<std::size_t>(parts.size())
                           ? parts[static_cast<qsizetype>(index)].trimmed().left(3)
                           : QString();
        if (address.isEmpty())
            part.clear();
        if (m_fields[index]->text() != part)
            m_fields[index]->setText(part);
    }
}

void Ipv4AddressEdit::fieldEdited(int index, const QString& text)
{
    // A number above 255 is cut to 255, as the address control of the
    // original system does.
    if (text.toInt() > 255)
        m_fields[static_cast<std::size_t>(index)]->setText(QStringLiteral("255"));
    if (text.size() == 3 && index < 3)
        focusField(index + 1);
    emit addressEdited(address());
}

void Ipv4AddressEdit::focusField(int index)
{
    QLineEdit* next = m_fields[static_cast<std::size_t>(index)];
    next->setFocus();
    next->selectAll();
}

bool Ipv4AddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        for (int index = 0; index < 3; ++index) {
            if (watched == m_fields[static_cast<std::size_t>(index)] &&
                key->key() == Qt::Key_Period) {
                focusField(index + 1);
                return true;
            }
        }
    }
    return QFrame::eventFilter(watched, event);
}

} // namespace vexlo

#pragma once

#include <QFrame>
#include <QString>

#include <array>

class QLineEdit;

// A four-field IPv4 address input: numbers 0..255 separated by fixed dots (a
// larger number becomes 255); a full field or a typed dot moves on to the next
// field.
namespace vexlo {

class Ipv4AddressEdit : public QFrame
{
    Q_OBJECT

public:
    explicit Ipv4AddressEdit(QWidget* parent = nullptr);

    // Dotted form; empty while every field is empty, an empty field counts as 0.
    QString address() const;
    // Shows a dotted address; parts beyond the fourth are ignored, missing
    // parts stay empty. Does not emit addressEdited.
    void setAddress(const QString& address);
    QLineEdit* field(int index) const { return m_fields.at(static_cast<std::size_t>(index)); }

signals:
    // The user changed a field.
    void addressEdited(const QString& address);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fieldEdited(int index, const QString& text);
    void focusField(int index);

    std::array<QLineEdit*, 4> m_fields{};
};

} // namespace vexlo

#include "gui_test_support.h"

#include "gui/control_binder.h"
#include "gui/ipv4_address_edit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace vexlo {
namespace {

enum Id
{
    kLabel = 1,
    kGroup,
    kButton,
    kCheck,
    kRadioA,
    kRadioB,
    kEdit,
    kPassword,
    kCombo,
    kAddress,
    kTime,
    kDateTime,
    kList,
};

// One control of every kind, bound to a window; the handler records events.
class ControlBinderTest : public ::testing::Test
{
protected:
    ControlBinderTest()
    {
        model.add(kLabel, ControlKind::Label, u"总数:");
        model.add(kGroup, ControlKind::GroupBox, u"设备信息");
        model.add(kButton, ControlKind::PushButton, u"执行");
        model.add(kCheck, ControlKind::CheckBox, u"搜索");
        model.add(kRadioA, ControlKind::RadioButton, u"中文");
        model.add(kRadioB, ControlKind::RadioButton, u"English");
        model.add(kEdit, ControlKind::Edit);
        model.add(kPassword, ControlKind::PasswordEdit, u"secret");
        model.add(kCombo, ControlKind::ComboBox).items = {u"1", u"2", u"3"};
        model.add(kAddress, ControlKind::AddressEdit, u"192.168.1.100");
        model.add(kTime, ControlKind::TimePicker).dateTime = {2026, 12, 7, 8, 30, 15};
        model.add(kDateTime, ControlKind::DateTimePicker).dateTime = {2026, 12, 7, 23, 59, 58};
        model.add(kList, ControlKind::List);
        model.setChecked(kRadioA, true);
        model.setSelection(kCombo, 1);
        model.setHandler([this](int id, ControlEvent event) { events.emplace_back(id, event); });
        binder = new ControlBinder(model, &window);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    template <class Widget> Widget* widget(int id) { return binder->widgetAs<Widget>(id); }

    DialogModel model;
    QWidget window;
    ControlBinder* binder = nullptr;
    std::vector<std::pair<int, ControlEvent>> events;
};

TEST_F(ControlBinderTest, EveryKindGetsItsWidgetAndListsGetNone)
{
    EXPECT_NE(widget<QLabel>(kLabel), nullptr);
    EXPECT_NE(widget<QGroupBox>(kGroup), nullptr);
    EXPECT_NE(widget<QPushButton>(kButton), nullptr);
    EXPECT_NE(widget<QCheckBox>(kCheck), nullptr);
    EXPECT_NE(widget<QRadioButton>(kRadioA), nullptr);
    ASSERT_NE(widget<QLineEdit>(kEdit), nullptr);
    ASSERT_NE(widget<QLineEdit>(kPassword), nullptr);
    EXPECT_EQ(widget<QLineEdit>(kPassword)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(widget<QLineEdit>(kEdit)->echoMode(), QLineEdit::Normal);
    EXPECT_NE(widget<QComboBox>(kCombo), nullptr);
    EXPECT_NE(widget<Ipv4AddressEdit>(kAddress), nullptr);
    ASSERT_NE(widget<QTimeEdit>(kTime), nullptr);
    EXPECT_EQ(widget<QTimeEdit>(kTime)->buttonSymbols(), QAbstractSpinBox::UpDownArrows);
    EXPECT_NE(widget<QDateTimeEdit>(kDateTime), nullptr);
    EXPECT_EQ(binder->widget(kList), nullptr);
    EXPECT_EQ(binder->widget(999), nullptr);
}

TEST_F(ControlBinderTest, DrawsTheInitialStateOfEveryKind)
{
    EXPECT_EQ(widget<QLabel>(kLabel)->text(), QStringLiteral("总数:"));
    EXPECT_EQ(widget<QGroupBox>(kGroup)->title(), QStringLiteral("设备信息"));
    EXPECT_EQ(widget<QPushButton>(kButton)->text(), QStringLiteral("执行"));
    EXPECT_EQ(widget<QCheckBox>(kCheck)->text(), QStringLiteral("搜索"));
    EXPECT_FALSE(widget<QCheckBox>(kCheck)->isChecked());
    EXPECT_TRUE(widget<QRadioButton>(kRadioA)->isChecked());
    EXPECT_FALSE(widget<QRadioButton>(kRadioB)->isChecked());
    EXPECT_EQ(widget<QLineEdit>(kPassword)->text(), QStringLiteral("secret"));
    EXPECT_EQ(widget<QComboBox>(kCombo)->count(), 3);
    EXPECT_EQ(widget<QComboBox>(kCombo)->currentText(), QStringLiteral("2"));
    EXPECT_EQ(widget<Ipv4AddressEdit>(kAddress)->address(), QStringLiteral("192.168.1.100"));
    EXPECT_EQ(widget<Ipv4AddressEdit>(kAddress)->field(3)->text(), QStringLiteral("100"));
    EXPECT_EQ(widget<QTimeEdit>(kTime)->time(), QTime(8, 30, 15));
    EXPECT_EQ(widget<QDateTimeEdit>(kDateTime)->dateTime(),
              QDateTime(QDate(2026, 12, 7), QTime(23, 59, 58)));
    EXPECT_TRUE(events.empty());
}

TEST_F(ControlBinderTest, LaterModelChangesAreDrawnWithoutReportingBack)
{
    model.setText(kLabel, u"Total:");
    model.setText(kGroup, u"Device Info");
    model.setChecked(kCheck, true);
    model.setText(kEdit, u"/tmp/fw.bin");
    model.setItems(kCombo, {u"5", u"6"});
    model.setSelection(kCombo, 0);
    model.setText(kAddress, u"10.0.0.250");
    model.setDateTime(kTime, {2026, 12, 7, 1, 2, 3});
    model.setDateTime(kDateTime, {2027, 1, 2, 3, 4, 5});
    model.setEnabled(kButton, false);
    model.setVisible(kCheck, false);

    EXPECT_EQ(widget<QLabel>(kLabel)->text(), QStringLiteral("Total:"));
    EXPECT_EQ(widget<QGroupBox>(kGroup)->title(), QStringLiteral("Device Info"));
    EXPECT_TRUE(widget<QCheckBox>(kCheck)->isChecked());
    EXPECT_EQ(widget<QLineEdit>(kEdit)->text(), QStringLiteral("/tmp/fw.bin"));
    EXPECT_EQ(widget<QComboBox>(kCombo)->count(), 2);
    EXPECT_EQ(widget<QComboBox>(kCombo)->currentText(), QStringLiteral("5"));
    EXPECT_EQ(widget<Ipv4AddressEdit>(kAddress)->address(), QStringLiteral("10.0.0.250"));
    EXPECT_EQ(widget<QTimeEdit>(kTime)->time(), QTime(1, 2, 3));
    EXPECT_EQ(widget<QDateTimeEdit>(kDateTime)->date(), QDate(2027, 1, 2));
    EXPECT_FALSE(widget<QPushButton>(kButton)->isEnabled());
    EXPECT_TRUE(widget<QCheckBox>(kCheck)->isHidden());
    EXPECT_TRUE(events.empty()) << "drawing must never look like the user";

    model.setSelection(kCombo, -1);
    EXPECT_EQ(widget<QComboBox>(kCombo)->currentIndex(), -1);
}

TEST_F(ControlBinderTest, ClicksReachTheModelAndTheHandler)
{
    QTest::mouseClick(widget<QPushButton>(kButton), Qt::LeftButton);
    QTest::mouseClick(widget<QCheckBox>(kCheck), Qt::LeftButton);
    EXPECT_TRUE(model.checked(kCheck));
    QTest::mouseClick(widget<QCheckBox>(kCheck), Qt::LeftButton);
    EXPECT_FALSE(model.checked(kCheck));
    QTest::mouseClick(widget<QRadioButton>(kRadioB), Qt::LeftButton);
    EXPECT_TRUE(model.checked(kRadioB));
    using E = ControlEvent;
    EXPECT_EQ(events, (std::vector<std::pair<int, E>>{{kButton, E::Clicked},
                                                      {kCheck, E::Clicked},
                                                      {kCheck, E::Clicked},
                                                      {kRadioB, E::Clicked}}));
}

TEST_F(ControlBinderTest, WidgetShowsWhatTheHandlerLeftNotWhatWasClicked)
{
    // The logic refuses a tick (as an instruction exclusion would) and a radio
    // button stays selected when clicked again.
    model.setHandler([this](int id, ControlEvent) {
        if (id == kCheck)
            model.setChecked(kCheck, false);
    });
    QTest::mouseClick(widget<QCheckBox>(kCheck), Qt::LeftButton);
    EXPECT_FALSE(widget<QCheckBox>(kCheck)->isChecked());
    QTest::mouseClick(widget<QRadioButton>(kRadioA), Qt::LeftButton);
    EXPECT_TRUE(widget<QRadioButton>(kRadioA)->isChecked());
    EXPECT_TRUE(model.checked(kRadioA));
}

TEST_F(ControlBinderTest, TypingAndChoosingReachTheModel)
{
    QTest::keyClicks(widget<QLineEdit>(kEdit), QStringLiteral("fw.bin"));
    EXPECT_EQ(model.text(kEdit), u"fw.bin");
    EXPECT_EQ(events.back(), std::make_pair(int(kEdit), ControlEvent::TextChanged));

    widget<QComboBox>(kCombo)->setFocus();
    QTest::keyClick(widget<QComboBox>(kCombo), Qt::Key_Down);
    EXPECT_EQ(model.selection(kCombo), 2);
    EXPECT_EQ(events.back(), std::make_pair(int(kCombo), ControlEvent::SelectionChanged));

    QTest::keyClick(widget<QTimeEdit>(kTime), Qt::Key_Up); // steps the hour section
    EXPECT_EQ(model.control(kTime).dateTime.hour, 9);
    EXPECT_EQ(model.control(kTime).dateTime.year, 2026); // the date part is kept
    EXPECT_EQ(events.back(), std::make_pair(int(kTime), ControlEvent::DateTimeChanged));

    QTest::keyClick(widget<QDateTimeEdit>(kDateTime), Qt::Key_Up); // steps the year
    EXPECT_EQ(model.control(kDateTime).dateTime.year, 2027);
}

TEST_F(ControlBinderTest, AddressFieldsEditTheDottedTextAndMoveOn)
{
    auto* address = widget<Ipv4AddressEdit>(kAddress);
    model.setText(kAddress, u"");
    EXPECT_EQ(address->address(), QString());
    address->field(0)->setFocus();
    QTest::keyClicks(address->field(0), QStringLiteral("192"));
    EXPECT_TRUE(address->field(1)->hasFocus()) << "a full field moves on";
    QTest::keyClicks(address->field(1), QStringLiteral("168."));
    EXPECT_TRUE(address->field(2)->hasFocus()) << "a dot moves on";
    QTest::keyClicks(address->field(2), QStringLiteral("0."));
    QTest::keyClicks(address->field(3), QStringLiteral("999")); // beyond 255: cut to 255
    QTest::keyClicks(address->field(3), QStringLiteral("1"));   // a full field takes no more
    EXPECT_EQ(model.text(kAddress), u"192.168.0.255");
    EXPECT_EQ(events.back(), std::make_pair(int(kAddress), ControlEvent::TextChanged));
}

TEST_F(ControlBinderTest, DisabledOrHiddenControlsIgnoreTheUser)
{
    model.setEnabled(kEdit, false);
    QTest::keyClicks(widget<QLineEdit>(kEdit), QStringLiteral("x"));
    EXPECT_EQ(model.text(kEdit), u"");
    EXPECT_TRUE(events.empty());
}

TEST_F(ControlBinderTest, UnbindingLeavesTheModelUsable)
{
    delete binder;
    binder = nullptr;
    model.setText(kLabel, u"after"); // no observer left to reach deleted widgets
    EXPECT_EQ(model.text(kLabel), u"after");
}

} // namespace
} // namespace vexlo

#include "settings_fixture.h"

#include "profile/profile_fields.h"
#include "settings/page_table.h"
#include "settings/settings_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <map>
#include <string>

namespace vexlo::test {
namespace {

std::u16string u16(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

int itemIndex(const DialogModel& model, int id, std::u16string_view text)
{
    const auto& items = model.control(id).items;
    auto it = std::find(items.begin(), items.end(), text);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

// A value per row that differs from row to row, so a control bound to the
// wrong field shows.
std::int32_t distinctNumber(const ControlRow& row)
{
    return row.id * 3 + 1;
}

TimeOfDay distinctTime(const ControlRow& row)
{
    return TimeOfDay{row.id % 24, row.id % 60, (row.id / 7) % 60};
}

using PagesTest = SettingsFixture;

TEST_F(PagesTest, EveryControlWritesOnlyItsOwnFieldAtOnce)
{
    for (const SettingsPageEntry& entry : settingsPages()) {
        SettingsPage& page = window->page(entry.index);
        for (const ControlRow& row : entry.definition().rows) {
            if (!row.field || !row.visible)
                continue;
            SCOPED_TRACE(std::string(entry.className) + " control " + std::to_string(row.id));
            const ConfigProfile before = profile;
            DialogModel& model = page.model();
            switch (row.rule) {
            case StoreRule::Tick:
                model.userClick(row.id);
                EXPECT_EQ(readInt32(profile, *row.field), 1);
                break;
            case StoreRule::Choice: {
                const int last = static_cast<int>(row.items.size()) - 1;
                model.userSelect(row.id, last);
                EXPECT_EQ(readInt32(profile, *row.field), last);
                break;
            }
            case StoreRule::Text:
                model.userEditText(row.id, u"文本" + u16(std::to_string(row.id)));
                EXPECT_EQ(readTextUtf16(profile, *row.field),
                          u"文本" + u16(std::to_string(row.id)));
                break;
            case StoreRule::Address:
                model.userEditText(row.id, u"10.0.0." + u16(std::to_string(row.id % 250)));
                EXPECT_EQ(readTextUtf16(profile, *row.field),
                          u"10.0.0." + u16(std::to_string(row.id % 250)));
                break;
            case StoreRule::Number:
                model.userEditText(row.id, u16(std::to_string(distinctNumber(row))));
                EXPECT_EQ(readInt32(profile, *row.field), distinctNumber(row));
                break;
            case StoreRule::Time: {
                const TimeOfDay t = distinctTime(row);
                model.userSetDateTime(row.id,
                                      DateTimeValue{2030, 1, 2, t.hour, t.minute, t.second});
                const TimeOfDay stored = readTimeOfDay(profile, *row.field);
                EXPECT_EQ(stored.hour, t.hour);
                EXPECT_EQ(stored.minute, t.minute);
                EXPECT_EQ(stored.second, t.second);
                break;
            }
            case StoreRule::DateTime: {
                model.userSetDateTime(row.id, DateTimeValue{2031, 2, 3, 4, 5, 6});
                const ProfileDateTime stored = readDateTime(profile, *row.field);
                EXPECT_EQ(stored.year, 2031);
                EXPECT_EQ(stored.month, 2);
                EXPECT_EQ(stored.day, 3);
                EXPECT_EQ(stored.second, 6);
                break;
            }
            default:
                break;
            }
            // Nothing outside the field moved, except that a schedule tick
            // clears the rows it excludes (tested on its own elsewhere).
            const bool scheduleTick = row.field->name.starts_with("motion.schedule[");
            const auto* a = reinterpret_cast<const unsigned char*>(&before);
            const auto* b = reinterpret_cast<const unsigned char*>(&profile);
            for (std::size_t i = 0; i < sizeof(ConfigProfile); ++i) {
                if (i >= row.field->offset && i < row.field->offset + row.field->width)
                    continue;
                if (scheduleTick && i >= offsetof(ConfigProfile, motion.schedule) &&
                    i < offsetof(ConfigProfile, account))
                    continue;
                ASSERT_EQ(a[i], b[i]) << "byte " << i;
            }
        }
    }
    EXPECT_TRUE(ui.boxes.empty()) << "no change saves or shows a message";
}

TEST_F(PagesTest, EverySectionFieldHasExactlyOneControl)
{
    std::map<std::string_view, int> bound;
    for (const SettingsPageEntry& entry : settingsPages()) {
        std::map<int, int> ids;
        for (const ControlRow& row : entry.definition().rows) {
            EXPECT_EQ(++ids[row.id], 1) << entry.className << " repeats id " << row.id;
            if (row.field)
                ++bound[row.field->name];
        }
    }
    bool inSections = false;
    for (const ProfileField& field : kProfileFields) {
        inSections = inSections || field.name == "lan.enabled";
        if (!inSections || field.name == "motion.regionMask")
            continue; // the mask belongs to the region grid
        EXPECT_EQ(bound[field.name], 1) << field.name;
    }
}

TEST_F(PagesTest, NumberEditsStoreWhatTheTypedDigitsForm)
{
    DialogModel& stream = window->page(4).model();
    stream.userEditText(1141, u"8080x");
    EXPECT_EQ(profile.stream.streamPort, 8080);
    stream.userEditText(1141, u"abc");
    EXPECT_EQ(profile.stream.streamPort, 0);
    stream.userEditText(1141, u"99999");
    EXPECT_EQ(profile.stream.streamPort, 99999) << "ranges in labels are not checked";
    stream.userEditText(1141, u"");
    EXPECT_EQ(profile.stream.streamPort, 0);

    window->page(4).LoadFromProfile();
    EXPECT_EQ(stream.text(1141), u"0");

    DialogModel& motion = window->page(10).model();
    motion.userEditText(1193, u"500");
    EXPECT_EQ(profile.motion.sensitivity, 500);
}

TEST_F(PagesTest, CombosStoreTheIndexOfTheChosenItem)
{
    DialogModel& video = window->page(8).model();
    video.userSelect(1029, itemIndex(video, 1029, u"禁用"));
    EXPECT_EQ(profile.videoEncode.privateData, 1);
    video.userSelect(1029, itemIndex(video, 1029, u"启用"));
    EXPECT_EQ(profile.videoEncode.privateData, 0);

    video.userSelect(1178, itemIndex(video, 1178, u"256x192"));
    EXPECT_EQ(profile.videoEncode.mainStream.resolution, 5);
    video.userSelect(1179, itemIndex(video, 1179, u"448P"));
    EXPECT_EQ(profile.videoEncode.subStream.resolution, 5);
    EXPECT_EQ(video.control(1178).items.size(), 15u);
    EXPECT_EQ(video.control(1179).items.size(), 16u);

    DialogModel& timeSet = window->page(12).model();
    timeSet.userSelect(1208, itemIndex(timeSet, 1208, u"手动设置"));
    EXPECT_EQ(profile.time.updateMode, 1);
    timeSet.userSelect(1021, 24);
    EXPECT_EQ(profile.time.timeZone, 24);
}

TEST_F(PagesTest, InitialSelectionsAreShownButNotStored)
{
    EXPECT_EQ(window->page(8).model().selectedText(1179), u"CIF");
    EXPECT_EQ(window->page(8).model().selectedText(1178), u"720P");
    EXPECT_EQ(window->page(8).model().selectedText(1025), u"20");
    EXPECT_EQ(window->page(8).model().selectedText(1027), u"25");
    EXPECT_EQ(window->page(8).model().selectedText(1029), u"禁用");
    EXPECT_EQ(window->page(10).model().selectedText(1023), u"3X3");
    EXPECT_EQ(window->page(13).model().selectedText(1205), u"每天");
    EXPECT_EQ(window->page(12).model().selectedText(1021),
              u"(GMT+08:00)北京，重庆，乌鲁木齐，香港特别行政区，台北");
    EXPECT_EQ(window->page(2).model().text(1112), u"") << "edits start empty";
    EXPECT_FALSE(window->page(0).model().checked(1059));

    const ConfigProfile zero{};
    EXPECT_EQ(std::memcmp(&profile, &zero, sizeof zero), 0) << "creating pages stores nothing";
}

TEST_F(PagesTest, PickersStartAtTheCurrentTime)
{
    EXPECT_EQ(window->page(6).model().control(1168).dateTime, kFixedNow);
    EXPECT_EQ(window->page(12).model().control(1102).dateTime, kFixedNow);
}

TEST_F(PagesTest, HiddenControlsAreThereButNotShown)
{
    EXPECT_FALSE(window->page(7).model().control(1210).visible);
    EXPECT_FALSE(window->page(12).model().control(1060).visible);
    EXPECT_EQ(window->page(12).model().control(1060).kind, ControlKind::CheckBox);
}

// Fills every bound field with a value of its own, loads, and checks each
// control shows its own field.
TEST_F(PagesTest, LoadFromProfileRestoresEveryControl)
{
    for (const SettingsPageEntry& entry : settingsPages()) {
        for (const ControlRow& row : entry.definition().rows) {
            if (!row.field)
                continue;
            switch (row.rule) {
            case StoreRule::Tick:
                writeInt32(profile, *row.field, 1);
                break;
            case StoreRule::Choice:
                writeInt32(profile, *row.field, (row.id % static_cast<int>(row.items.size())));
                break;
            case StoreRule::Text:
            case StoreRule::Address:
                writeTextUtf16(profile, *row.field, u"值" + u16(std::to_string(row.id)));
                break;
            case StoreRule::Number:
                writeInt32(profile, *row.field, distinctNumber(row));
                break;
            case StoreRule::Time:
                writeTimeOfDay(profile, *row.field, distinctTime(row));
                break;
            case StoreRule::DateTime:
                writeDateTime(profile, *row.field, ProfileDateTime{2024, 2, 29, 23, 59, 59});
                break;
            default:
                break;
            }
        }
    }
    window->LoadFromProfile();

    for (const SettingsPageEntry& entry : settingsPages()) {
        const DialogModel& model = window->page(entry.index).model();
        for (const ControlRow& row : entry.definition().rows) {
            if (!row.field)
                continue;
            SCOPED_TRACE(std::string(entry.className) + " control " + std::to_string(row.id));
            switch (row.rule) {
            case StoreRule::Tick:
                EXPECT_TRUE(model.checked(row.id));
                break;
            case StoreRule::Choice:
                EXPECT_EQ(model.selection(row.id), row.id % static_cast<int>(row.items.size()));
                break;
            case StoreRule::Text:
            case StoreRule::Address:
                EXPECT_EQ(model.text(row.id), u"值" + u16(std::to_string(row.id)));
                break;
            case StoreRule::Number:
                EXPECT_EQ(model.text(row.id), u16(std::to_string(distinctNumber(row))));
                break;
            case StoreRule::Time: {
                const TimeOfDay t = distinctTime(row);
                EXPECT_EQ(model.control(row.id).dateTime,
                          (DateTimeValue{kFixedNow.year, kFixedNow.month, kFixedNow.day, t.hour,
                                         t.minute, t.second}))
                    << "today's date with the stored time";
                break;
            }
            case StoreRule::DateTime:
                EXPECT_EQ(model.control(row.id).dateTime, (DateTimeValue{2024, 2, 29, 23, 59, 59}));
                break;
            default:
                break;
            }
        }
    }
}

TEST_F(PagesTest, StreamCombosLoadEachFromItsOwnField)
{
    profile.stream.authRequired = 1;
    profile.stream.protocol = 0;
    window->page(4).LoadFromProfile();
    EXPECT_EQ(window->page(4).model().selectedText(1140), u"是");
    EXPECT_EQ(window->page(4).model().selectedText(1142), u"UDP");

    profile.stream.authRequired = 0;
    profile.stream.protocol = 1;
    window->page(4).LoadFromProfile();
    EXPECT_EQ(window->page(4).model().selectedText(1140), u"否");
    EXPECT_EQ(window->page(4).model().selectedText(1142), u"TCP");
}

TEST_F(PagesTest, LoadingShowsNoSelectionForAnIndexTheListDoesNotHave)
{
    profile.language.languageIndex = 9;
    profile.capture.irCutMode = -1;
    window->LoadFromProfile();
    EXPECT_EQ(window->page(14).model().selection(1201), -1);
    EXPECT_EQ(window->page(6).model().selection(1154), -1);
}

TEST_F(PagesTest, AnAllZeroClockDateKeepsTheCurrentDateAndTime)
{
    window->LoadFromProfile();
    EXPECT_EQ(window->page(12).model().control(1102).dateTime, kFixedNow);

    profile.time.manualDateTime = ProfileDateTime{2023, 2, 29, 10, 0, 0}; // no such day
    window->LoadFromProfile();
    EXPECT_EQ(window->page(12).model().control(1102).dateTime, kFixedNow);
}

TEST_F(PagesTest, ATimeNoPickerCanShowLeavesThePickerAsItIs)
{
    profile.maintain.time = TimeOfDay{23, 59, 59};
    window->LoadFromProfile();
    EXPECT_EQ(window->page(13).model().control(1206).dateTime,
              (DateTimeValue{kFixedNow.year, kFixedNow.month, kFixedNow.day, 23, 59, 59}));

    profile.maintain.time = TimeOfDay{99, -4, 70};
    window->LoadFromProfile();
    EXPECT_EQ(window->page(13).model().control(1206).dateTime,
              (DateTimeValue{kFixedNow.year, kFixedNow.month, kFixedNow.day, 23, 59, 59}));
}

TEST_F(PagesTest, ChineseTitlesRoundTripAndLongTextsAreCut)
{
    DialogModel& overlay = window->page(7).model();
    overlay.userEditText(1090, u"大门^北侧");
    EXPECT_EQ(std::string(profile.overlay.title), "\xB4\xF3\xC3\xC5^\xB1\xB1\xB2\xE0");
    overlay.setText(1090, u"");
    window->page(7).LoadFromProfile();
    EXPECT_EQ(overlay.text(1090), u"大门^北侧");

    overlay.userEditText(1090, std::u16string(300, u'汉'));
    EXPECT_EQ(std::strlen(profile.overlay.title), 254u) << "cut on a character boundary";
    EXPECT_EQ(profile.overlay.title[255], '\0');

    overlay.userEditText(1090, std::u16string(400, u'a'));
    EXPECT_EQ(std::strlen(profile.overlay.title), 255u);
}

TEST_F(PagesTest, VideoPageTakesItsTickFromTheProfileWhenCreated)
{
    profile.videoEncode.enabled = 1;
    COtherSetDlg second(profile, directory, ui, [] { return kFixedNow; });
    second.onInitDialog(800, 500);
    EXPECT_TRUE(second.page(8).model().checked(1175));
    EXPECT_FALSE(second.page(9).model().checked(1186));
}

} // namespace
} // namespace vexlo::test

#include "engine/batch_state.h"
#include "engine/device_record.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace vexlo {

namespace {

TEST(DeviceRecord, StartsZeroFilledWithTheSearchResultAtItsHead)
{
    _IPCINFO found{};
    std::strcpy(found.serialNo, "SN0001");
    std::strcpy(found.ipAddress, "127.0.1.5");
    found.port = 8000;
    found.reserved1[7] = 0xAB; // bytes the library owns travel along

    auto record = std::make_unique<_DEVICERECORD>();
    static_cast<_IPCINFO&>(*record) = found;

    EXPECT_EQ(std::memcmp(static_cast<_IPCINFO*>(record.get()), &found, sizeof found), 0);
    EXPECT_EQ(static_cast<void*>(static_cast<_IPCINFO*>(record.get())),
              static_cast<void*>(record.get()))
        << "the search result is the head of the record";
    EXPECT_EQ(record->loginHandle.load(), 0);
    EXPECT_EQ(record->upgradeResult.load(), 0);
    EXPECT_EQ(record->versionBefore[0], 0);
    EXPECT_EQ(record->statusText[0], 0);
    for (auto& flag : record->sectionResult)
        EXPECT_EQ(flag.load(), 0);
}

TEST(DeviceRecord, StatusTextIsCutToTheFieldAndCopiedOut)
{
    auto record = std::make_unique<_DEVICERECORD>();
    EXPECT_EQ(setStatusText(*record, u"上传文件 42%"), u"上传文件 42%");
    EXPECT_EQ(statusTextOf(*record), u"上传文件 42%");

    std::u16string tooLong(300, u'字');
    EXPECT_EQ(setStatusText(*record, tooLong).size(), 255u);
    EXPECT_EQ(record->statusText[255], 0);
}

TEST(ModifyIpMap, KeyIsTheSerialAsUtf16AndTheLaterChangeWins)
{
    _IPCINFO a{}, b{};
    vexlo::copyUtf16ToField(a.serialNo, u"摄像机01");
    std::memcpy(b.serialNo, a.serialNo, sizeof a.serialNo);
    EXPECT_EQ(modifyIpKey(a), u"摄像机01");

    BatchState state;
    _MODIFYIP first{}, second{};
    std::strcpy(first.newIpAddress, "127.0.0.3");
    std::strcpy(second.newIpAddress, "127.0.0.4");
    state.modifyIpMap[modifyIpKey(a)] = first;
    state.modifyIpMap[modifyIpKey(b)] = second;
    ASSERT_EQ(state.modifyIpMap.size(), 1u);
    EXPECT_STREQ(state.modifyIpMap[modifyIpKey(a)].newIpAddress, "127.0.0.4");
}

TEST(ModifyIpMap, KeyOfAFullWidthSerialStopsAtTheField)
{
    _IPCINFO info{};
    std::memset(info.serialNo, 'S', sizeof info.serialNo); // no terminator at all
    EXPECT_EQ(modifyIpKey(info), std::u16string(32, u'S'));
}

TEST(BatchLists, LookupByHandleTakesTheFirstMatchAndSkipsEmptySlots)
{
    _DEVICERECORD a{}, b{}, c{};
    a.loginHandle = 5;
    b.loginHandle = 6;
    c.loginHandle = 6;
    LockedList<_DEVICERECORD> list;
    list.assign({nullptr, &a, &b, &c});
    EXPECT_EQ(findByLoginHandle(list.items, 6), &b);
    EXPECT_EQ(findByLoginHandle(list.items, 7), nullptr);

    EXPECT_TRUE(list.remove(&b));
    EXPECT_EQ(findByLoginHandle(list.items, 6), &c);
    EXPECT_FALSE(list.remove(&b));
}

} // namespace

} // namespace vexlo

#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace vexlo {
namespace {

// GBK bytes of "正在升级" and "设置以太网".
const std::string kUpgradingGbk = "\xD5\xFD\xD4\xDA\xC9\xFD\xBC\xB6";
const std::string kEthernetGbk = "\xC9\xE8\xD6\xC3\xD2\xD4\xCC\xAB\xCD\xF8";

TEST(GbkConversion, ChineseTextRoundTripsWithTheWindowsBytes)
{
    EXPECT_EQ(utf16ToGbk(u"正在升级"), kUpgradingGbk);
    EXPECT_EQ(utf16ToGbk(u"设置以太网"), kEthernetGbk);
    EXPECT_EQ(gbkToUtf16(kUpgradingGbk), u"正在升级");
    EXPECT_EQ(gbkToUtf16(kEthernetGbk), u"设置以太网");

    const std::u16string mixed = u"IPC-2 升级成功：V1.4.5，完成。";
    EXPECT_EQ(gbkToUtf16(utf16ToGbk(mixed)), mixed);
    EXPECT_EQ(utf16ToGbk(u"admin"), "admin");
    EXPECT_EQ(gbkToUtf16(""), u"");
}

TEST(GbkConversion, CharactersGbkCannotHoldBecomeOneQuestionMarkEach)
{
    EXPECT_EQ(utf16ToGbk(u"a😀b"), "a?b") << "a surrogate pair is one character";
    EXPECT_EQ(utf16ToGbk(u"x\u0E01y"), "x?y"); // Thai
    const char16_t loneHigh[] = {u'a', 0xD800, u'b', 0};
    EXPECT_EQ(utf16ToGbk(loneHigh), "a?b");
    const char16_t trailingHigh[] = {u'a', 0xD83D, 0};
    EXPECT_EQ(utf16ToGbk(trailingHigh), "a?");
    const char16_t loneLow[] = {0xDC00, u'z', 0};
    EXPECT_EQ(utf16ToGbk(loneLow), "?z");
}

TEST(GbkConversion, InvalidBytesBecomeReplacementCharacters)
{
    EXPECT_EQ(gbkToUtf16("a\xFF"
                         "b"),
              u"a\uFFFDb")
        << "0xFF is never GBK";
    EXPECT_EQ(gbkToUtf16("\xA1\x40"), u"\uFFFD") << "a well-formed pair with no character is one";
    EXPECT_EQ(gbkToUtf16("\x81\x30"), u"\uFFFD0") << "a lead byte without a trail byte";
    EXPECT_EQ(gbkToUtf16("ok\xD5"), u"ok\uFFFD") << "cut in the middle of a character";
    EXPECT_EQ(gbkToUtf16(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(GbkConversion, AnyBytesConvertWithoutFault)
{
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(static_cast<std::size_t>(round % 40), '\0');
        for (char& c : bytes) {
            c = static_cast<char>(byte(random));
        }
        const std::u16string text = gbkToUtf16(bytes);
        EXPECT_LE(text.size(), bytes.size());
        const std::string back = utf16ToGbk(text);

        char field[9];
        copyToField(field, bytes);
        EXPECT_EQ(field[8], '\0');
        const std::size_t cut = gbkPrefixLength(bytes, 8);
        EXPECT_LE(cut, 8u);
        EXPECT_EQ(gbkPrefixLength(bytes, cut), cut) << "a cut ends on a character boundary";
        copyUtf16ToField(field, text);
        EXPECT_EQ(field[8], '\0');
    }
}

TEST(FieldCopy, CutsAtTheFieldSizeWithoutSplittingACharacter)
{
    char field[4];
    std::memset(field, 'X', sizeof field);
    copyToField(field, utf16ToGbk(u"正在"));
    EXPECT_EQ(fieldText(field), "\xD5\xFD");
    EXPECT_EQ(field[2], '\0');
    EXPECT_EQ(field[3], '\0') << "the rest of the field is cleared";

    char odd[5];
    copyToField(odd, utf16ToGbk(u"a正在"));
    EXPECT_EQ(gbkToUtf16(fieldText(odd)), u"a正");
    copyToField(odd, utf16ToGbk(u"正在"));
    EXPECT_EQ(gbkToUtf16(fieldText(odd)), u"正在");

    char wide[256];
    copyUtf16ToField(wide, u"设置以太网");
    EXPECT_EQ(fieldText(wide), kEthernetGbk);
}

TEST(FieldCopy, TinyFieldsHoldOnlyTheTerminator)
{
    char one[1] = {'X'};
    copyToField(one, "abc");
    EXPECT_EQ(one[0], '\0');
    char two[2] = {'X', 'X'};
    copyToField(two, kUpgradingGbk);
    EXPECT_EQ(two[0], '\0') << "half a character is never copied";
    char untouched = 'X';
    copyToField(&untouched, 0, "abc");
    EXPECT_EQ(untouched, 'X');
}

TEST(FieldCopy, PrefixLengthReadsCharactersFromTheStart)
{
    // 0x81 is a lead byte and also a trail byte: only a walk from the start
    // can tell that the third 0x81 begins a character.
    const std::string bytes = "\x81\x81\x81\x81";
    EXPECT_EQ(gbkPrefixLength(bytes, 3), 2u);
    EXPECT_EQ(gbkPrefixLength(bytes, 1), 0u);
    EXPECT_EQ(gbkPrefixLength(bytes, 4), 4u);
    EXPECT_EQ(gbkPrefixLength("ab\xFF"
                              "c",
                              3),
              3u)
        << "a stray byte counts as one";
    EXPECT_EQ(gbkPrefixLength("abc", 100), 3u);
}

TEST(FieldText, StopsAtTheFirstNulOrTheWidth)
{
    const char terminated[8] = {'a', 'b', '\0', 'c', 'd', 'e', 'f', 'g'};
    EXPECT_EQ(fieldText(terminated), "ab");
    const char full[4] = {'w', 'x', 'y', 'z'};
    EXPECT_EQ(fieldText(full), "wxyz") << "never reads past the field";
    EXPECT_EQ(fieldText(nullptr, 10), "");
}

TEST(WideField, NeverSplitsASurrogatePair)
{
    char16_t field[3];
    copyToWideField(field, u"a😀");
    EXPECT_EQ(wideFieldText(field), u"a");
    EXPECT_EQ(field[1], u'\0');
    EXPECT_EQ(field[2], u'\0');

    char16_t roomy[4];
    copyToWideField(roomy, u"a😀");
    EXPECT_EQ(wideFieldText(roomy), u"a😀");

    char16_t exact[5];
    copyToWideField(exact, u"升级成功啊");
    EXPECT_EQ(wideFieldText(exact), u"升级成功");

    const char16_t unterminated[2] = {u'x', u'y'};
    EXPECT_EQ(wideFieldText(unterminated), u"xy");
}

TEST(Utf8, RoundTripsChineseAndCharactersBeyondTheBasicPlane)
{
    const std::u16string text = u"状态信息 OK 😀";
    EXPECT_EQ(utf16ToUtf8(u"升级"), "升级");
    EXPECT_EQ(utf8ToUtf16(utf16ToUtf8(text)), text);
    EXPECT_EQ(utf16ToUtf8(u"😀"), "\xF0\x9F\x98\x80");
}

TEST(Utf8, MalformedInputBecomesReplacementCharacters)
{
    EXPECT_EQ(utf8ToUtf16("\xC0\x80"), u"\uFFFD\uFFFD") << "overlong NUL";
    EXPECT_EQ(utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD") << "encoded surrogate";
    EXPECT_EQ(utf8ToUtf16("a\xE6\xAD"), u"a\uFFFD\uFFFD") << "truncated sequence";
    EXPECT_EQ(utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD") << "beyond U+10FFFF";
    const char16_t lone[] = {u'a', 0xDC00, 0};
    EXPECT_EQ(utf16ToUtf8(lone), "a\xEF\xBF\xBD");
}

} // namespace
} // namespace vexlo

#include "settings/decimal_text.h"

#include <gtest/gtest.h>

namespace vexlo {
namespace {

TEST(DecimalText, ReadsDigitsUpToTheFirstOtherCharacter)
{
    EXPECT_EQ(parseDecimal(u"8080x"), 8080);
    EXPECT_EQ(parseDecimal(u"12 34"), 12);
    EXPECT_EQ(parseDecimal(u"500"), 500);
}

TEST(DecimalText, NoDigitsGiveZero)
{
    EXPECT_EQ(parseDecimal(u""), 0);
    EXPECT_EQ(parseDecimal(u"abc"), 0);
    EXPECT_EQ(parseDecimal(u"-"), 0);
    EXPECT_EQ(parseDecimal(u" x12"), 0);
}

TEST(DecimalText, AcceptsLeadingBlanksAndASign)
{
    EXPECT_EQ(parseDecimal(u"  \t42"), 42);
    EXPECT_EQ(parseDecimal(u"-17"), -17);
    EXPECT_EQ(parseDecimal(u"+9"), 9);
    EXPECT_EQ(parseDecimal(u"- 9"), 0);
}

TEST(DecimalText, SaturatesInsteadOfWrapping)
{
    EXPECT_EQ(parseDecimal(u"2147483647"), 2147483647);
    EXPECT_EQ(parseDecimal(u"2147483648"), 2147483647);
    EXPECT_EQ(parseDecimal(u"99999999999999999999999"), 2147483647);
    EXPECT_EQ(parseDecimal(u"-2147483648"), -2147483647 - 1);
    EXPECT_EQ(parseDecimal(u"-99999999999999999999"), -2147483647 - 1);
}

TEST(DecimalText, FullWidthDigitsAreNotDigits)
{
    EXPECT_EQ(parseDecimal(u"８０"), 0);
}

} // namespace
} // namespace vexlo

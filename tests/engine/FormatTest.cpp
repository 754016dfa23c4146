#include "Format.h"

#include <gtest/gtest.h>

using namespace kelsim;

struct FormatCase {
    double value;
    int decimals;
    bool pFlag;
    const char *text;
};

TEST(FormatValue, tableValuesFollowTheHouseStyle)
{
    const FormatCase cases[] = {
        {0.05, 3, false, ".050"},    {0.5, 3, false, ".500"},    {0.12345, 3, false, ".123"},
        {0, 3, false, "0.000"},      {7, 3, false, "7.000"},     {12, 3, false, "12.000"},
        {2.25, 3, false, "2.250"},   {3, 2, false, "3.00"},      {0.5, 2, false, ".50"},
        {1.25, 2, false, "1.25"},    {0.0004, 3, true, "<.001"}, {1, 3, true, " 1. "},
        {0.02, 3, true, ".020"},     {0.0004, 2, true, "0.00"},  {41.6, 0, false, "42"},
        {0.4, 0, false, "0"},        {0.0125, 3, false, ".013"}, {-0.0125, 3, false, "-.012"},
        {0, 3, true, "<.001"},       {-2, 3, true, "<.001"},     {0.001, 3, true, ".001"},
        {0.9995, 3, true, "1.000"},  {1, 3, false, "1.000"},     {2.5, 2, false, "2.50"},
        {0.333333, 2, false, ".33"}, {-3, 2, false, "-3.00"},    {0.0004, 3, false, "0.000"},
        {123, 3, false, "123.000"},  {1.5, 3, false, "1.500"},   {12.5, 3, false, "12.500"},
    };
    for (const FormatCase &c : cases)
        EXPECT_EQ(formatValue(c.value, c.decimals, c.pFlag), c.text) << c.value << " " << c.decimals;
}

TEST(FormatValue, singlePrecisionLimitsTheDigits)
{
    EXPECT_NE(formatValue(12345678, 0), "12345678");
    EXPECT_EQ(formatValue(1234567, 0), "1234567");
    EXPECT_EQ(formatValue(16352.0 * 16351.0 / 2.0, 0), "1.336858E+08");
}

TEST(StrText, countsAndProportionsCarryALeadingBlank)
{
    EXPECT_EQ(strText(int64_t{36}), " 36");
    EXPECT_EQ(strText(int64_t{0}), " 0");
    EXPECT_EQ(strText(int64_t{-2}), "-2");
    EXPECT_EQ(strText(0.25), " .25");
    EXPECT_EQ(strText(1.0 / 3.0), " .333333333333333");
    EXPECT_EQ(strText(0.4f), " .4");
    EXPECT_EQ(strText(3.0f / 7.0f), " .4285714");
    EXPECT_EQ(strText(-0.5), "-.5");
    EXPECT_EQ(strText(1.0), " 1");
}

TEST(LeadingValue, readsTheNumberAtTheStart)
{
    EXPECT_DOUBLE_EQ(leadingValue(" .333"), 0.333);
    EXPECT_DOUBLE_EQ(leadingValue("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(leadingValue(" 1. "), 1.0);
    EXPECT_DOUBLE_EQ(leadingValue("<.001"), 0.0);
    EXPECT_DOUBLE_EQ(leadingValue(""), 0.0);
    EXPECT_DOUBLE_EQ(leadingValue("-.5x"), -0.5);
    EXPECT_DOUBLE_EQ(leadingValue("1E-08"), 1e-8);
    EXPECT_DOUBLE_EQ(leadingValue("3E"), 3.0);
}

TEST(GroupedNumber, separatesThousands)
{
    EXPECT_EQ(groupedNumber(100000), "100,000");
    EXPECT_EQ(groupedNumber(999), "999");
    EXPECT_EQ(groupedNumber(1234567), "1,234,567");
    EXPECT_EQ(groupedNumber(0), "0");
}

#include "common/Numbers.h"

#include <gtest/gtest.h>

#include <limits>

namespace classdiv {
namespace {

TEST(TextValue, ReadsTheLongestHalfWidthNumberAtTheStart)
{
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"", 0}, {"78", 78}, {"  78  ", 78}, {"7 8", 78}, {"1\t2\n3", 123}, // blanks anywhere are ignored
        {"-12.5", -12.5}, {"+3", 3}, {"85A", 85}, {"abc", 0}, {"A-17", 0}, {"00123", 123}, {"1.2.3", 1.2},
        {"-.5", -0.5}, {".", 0}, {"-", 0}, {"1E3", 1000}, {"2.5e-1", 0.25}, {"1D2", 100},
        {"1E", 1}, // an exponent without digits is no exponent
        {"&H1F", 31}, {"&hff", 255}, {"&O17", 15}, {"&o7", 7}, {"&X1", 0}, {"&H", 0},
        {"&H1G", 1}, {"&O18", 1}, {"&O9", 0}, {"&Hg", 0}, {"&H1@", 1}, // the digits of the radix only
        {"&H1Z", 1}, {"&O1:", 1}, {"&ha", 10}, {"&HA0", 160}, {"- 1E1", -10},
        {"１２", 0}, {"1２", 1},          // full-width digits are no number
        {"\xe3\x80\x80" "5", 0},          // nor is an ideographic space a blank
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(textValue(QString::fromUtf8(c.text)), c.expected) << c.text;
}

TEST(TextValue, PlainDecimalsAreReadBitForBitAsStrtodReadsThem)
{
    // Scores take a short path; it must give exactly the double strtod gives.
    const char* texts[] = {"85", "-72.5", "0.1", "84.5", "+3", "007", "1.", ".5", "-0", "1234567890123456",
                           "3.14159265358979", "99999999999999.9", "0.000000000000001", "123456789012345"};
    for (const char* t : texts) {
        const double expected = std::strtod(t, nullptr);
        const double actual = textValue(QString::fromLatin1(t));
        EXPECT_EQ(std::memcmp(&expected, &actual, sizeof(double)), 0) << t << ": " << actual;
    }
}

TEST(Rounding, WholeNumbersGoHalfToEvenAndCheckTheRange)
{
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        std::optional<int16_t> expected;
    } cases[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {2.4999, 2}, {2.5001, 3}, {0.5, 0},
        {32767.4, 32767}, {32767.5, std::nullopt}, {-32768.5, -32768}, {-32768.6, std::nullopt},
        {inf, std::nullopt}, {std::numeric_limits<double>::quiet_NaN(), std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(toInt16(c.value), c.expected) << c.value;
    const struct {
        double value;
        std::optional<int32_t> expected;
    } cases32[] = {
        {2147483647.0, 2147483647}, {2147483648.0, std::nullopt}, {-2147483648.0, -2147483647 - 1},
        {-2147483649.0, std::nullopt}, {std::numeric_limits<double>::quiet_NaN(), std::nullopt}, {-inf, std::nullopt},
    };
    for (const auto& c : cases32)
        EXPECT_EQ(toInt32(c.value), c.expected) << c.value;
    EXPECT_EQ(boxNumber(QStringLiteral("40000")), std::nullopt);
}

TEST(Rounding, OneDecimalWorksOnTheSingleValue)
{
    EXPECT_FLOAT_EQ(roundOneDecimal(1247.0f / 20.0f), 62.3f); // 62.35 is stored just below
    EXPECT_FLOAT_EQ(roundOneDecimal(1245.0f / 20.0f), 62.3f); // 62.25 is exact: half goes up
    EXPECT_FLOAT_EQ(roundOneDecimal(-2.35f), -2.3f);
    EXPECT_FLOAT_EQ(roundOneDecimal(-2.36f), -2.4f);
}

TEST(NumberText, FileAndPrintForms)
{
    const struct {
        double value;
        int digits;
        const char* file;
        const char* print;
    } cases[] = {
        {0, 15, "0", " 0 "}, {-0.0, 15, "0", " 0 "}, {-3, 15, "-3", "-3 "}, {78.5, 15, "78.5", " 78.5 "},
        {-0.5, 15, "-0.5", "-0.5 "}, {1e20, 15, "100000000000000000000", " 100000000000000000000 "},
        {0.000125, 15, "0.000125", " 0.000125 "},
        {123456789012345678.0, 15, "123456789012346000", " 123456789012346000 "},
        {62.3f, 7, "62.3", " 62.3 "}, {0.1f, 7, "0.1", " 0.1 "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fileNumber(c.value, c.digits), QString::fromLatin1(c.file)) << c.file;
        EXPECT_EQ(printNumber(c.value, c.digits), QString::fromLatin1(c.print)) << c.print;
    }
}

} // namespace
} // namespace classdiv

// The number conversions decide every frequency the panel believes in.
#include "support/RowName.h"
#include "text/NumberText.h"

#include <gtest/gtest.h>

#include <optional>

using numtext::ConversionError;

namespace {

struct IntRow {
    const char* proves;
    const char* text;
    std::optional<int> value; // nullopt: the conversion fails
};

const IntRow int16Rows[] = {
    {"plain number", "888", 888},
    {"blanks around", "  888 ", 888},
    {"explicit plus sign", "+888", 888},
    {"point with nothing after", "888.", 888},
    {"half rounds down to even", "0.5", 0},
    {"half rounds up to even", "1.5", 2},
    {"negative half to even", "-2.5", -2},
    {"port half to even", "888.5", 888},
    {"above a half rounds up", "888.51", 889},
    {"exponent", "8.88e2", 888},
    {"upper-case exponent with sign", "8880E-1", 888},
    {"top of range", "32767", 32767},
    {"half above top rounds out", "32767.5", std::nullopt},
    {"bottom of range", "-32768", -32768},
    {"half below bottom rounds in", "-32768.5", -32768},
    {"beyond bottom", "-32769", std::nullopt},
    {"far out", "40000", std::nullopt},
    {"letters", "abc", std::nullopt},
    {"empty", "", std::nullopt},
    {"blanks only", "   ", std::nullopt},
    {"trailing letters", "888abc", std::nullopt},
    {"blank inside", "8 88", std::nullopt},
    {"two points", "888..", std::nullopt},
    {"hex is not taken", "0x378", std::nullopt},
    {"comma is no decimal point", "888,5", std::nullopt},
    {"tab is no blank", "\t888", std::nullopt},
    {"exponent without digits", "888e", std::nullopt},
    {"sign alone", "-", std::nullopt},
    {"non-ASCII letter", "70ä30", std::nullopt},
};

class Int16Conversion : public ::testing::TestWithParam<IntRow> {};

TEST_P(Int16Conversion, FollowsTheRoundingAndRangeRules)
{
    const IntRow& row = GetParam();
    if (row.value) {
        EXPECT_EQ(numtext::toInt16(QString::fromUtf8(row.text), u"Port"), *row.value) << row.proves;
    } else {
        EXPECT_THROW(numtext::toInt16(QString::fromUtf8(row.text), u"Port"), ConversionError) << row.proves;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, Int16Conversion, ::testing::ValuesIn(int16Rows), RowName());

struct TextRow {
    const char* proves;
    double value;
    const char* text;
};

const TextRow textRows[] = {
    {"whole number has no point", 7040, "7040"},
    {"one decimal", 7040.2, "7040.2"},
    {"two decimals", 7030.05, "7030.05"},
    {"zero", 0, "0"},
    {"negative zero reads zero", -0.0, "0"},
    {"negative", -0.05, "-0.05"},
    {"fifteen digits round away representation noise", 7040.2 + 0.2, "7040.4"},
    {"subtraction back to a whole number", 7040.2 - 0.2, "7040"},
    {"small fraction", 0.0001, "0.0001"},
    {"tiny switches to exponent", 0.00001, "1E-05"},
    {"fifteen-digit integer stays fixed", 123456789012345.0, "123456789012345"},
    {"sixteen digits switch to exponent", 1234567890123456.0, "1.23456789012346E+15"},
    {"rounded to fifteen significant digits", 1.0 / 3, "0.333333333333333"},
};

class NumberToText : public ::testing::TestWithParam<TextRow> {};

TEST_P(NumberToText, WritesAtMostFifteenSignificantDigits)
{
    const TextRow& row = GetParam();
    EXPECT_EQ(numtext::toText(row.value).toStdString(), row.text) << row.proves;
}

INSTANTIATE_TEST_SUITE_P(Rows, NumberToText, ::testing::ValuesIn(textRows), RowName());

struct LeadingRow {
    const char* proves;
    const char* text;
    double value;
};

const LeadingRow leadingRows[] = {
    {"plain", "7030.05", 7030.05},
    {"empty reads zero", "", 0},
    {"letters read zero", "abc", 0},
    {"stops at a second point", "7030..5", 7030},
    {"stops at letters", "7030.5abc", 7030.5},
    {"blanks inside are ignored", "7 030.5", 7030.5},
    {"tabs and line feeds are ignored", "\t70\n30", 7030},
    {"preset's leading blank", " 3330.8", 3330.8},
    {"exponent", "7.03e3", 7030},
    {"exponent without digits stops before the e", "7030e", 7030},
    {"sign", "-540", -540},
    {"stops at an expression", "7040.2 + 0.2", 7040.2},
    {"stops at a non-ASCII letter", "70ä30", 70},
};

class LeadingNumber : public ::testing::TestWithParam<LeadingRow> {};

TEST_P(LeadingNumber, ReadsWhatANumberCanContinue)
{
    const LeadingRow& row = GetParam();
    EXPECT_DOUBLE_EQ(numtext::leadingNumber(QString::fromUtf8(row.text)), row.value) << row.proves;
}

INSTANTIATE_TEST_SUITE_P(Rows, LeadingNumber, ::testing::ValuesIn(leadingRows), RowName());

} // namespace

TEST(NumberConversions, DoubleTakesBlanksSignAndExponentButNoExpression)
{
    EXPECT_EQ(numtext::toDouble(QStringLiteral(" 7030.05 "), u"Text5"), 7030.05);
    EXPECT_EQ(numtext::toDouble(QStringLiteral("-.5"), u"Text5"), -0.5);
    EXPECT_EQ(numtext::toDouble(QStringLiteral("1e3"), u"Text5"), 1000);
    EXPECT_THROW(numtext::toDouble(QStringLiteral("7040.2 + 0.2"), u"Text5"), ConversionError);
    EXPECT_THROW(numtext::toDouble(QStringLiteral("1e999"), u"Text5"), ConversionError);
    EXPECT_THROW(numtext::toDouble(QStringLiteral("７０４０"), u"Text5"), ConversionError);
}

TEST(NumberConversions, ErrorNamesTheControlAndItsText)
{
    try {
        numtext::toInt16(QStringLiteral("abc"), u"Port");
        FAIL();
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "Port \"abc\" is not a number");
    }
    try {
        numtext::toInt16(QStringLiteral("40000"), u"Port");
        FAIL();
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "Port \"40000\" is out of range -32768..32767");
    }
}

TEST(NumberConversions, ThirtyTwoBitRange)
{
    EXPECT_EQ(numtext::toInt32(QStringLiteral("2147483647"), u"x"), 2147483647);
    EXPECT_EQ(numtext::toInt32(QStringLiteral("-2147483648.5"), u"x"), -2147483647 - 1);
    EXPECT_THROW(numtext::toInt32(QStringLiteral("2147483647.5"), u"x"), ConversionError);
}

TEST(NumberConversions, FiveThousandStepsThroughTheTextEndExactly)
{
    QString text = QStringLiteral("7040");
    for (int i = 0; i < 5000; ++i)
        text = numtext::toText(numtext::toDouble(text, u"Text3") + 0.2);
    EXPECT_EQ(text, QStringLiteral("8040"));
    for (int i = 0; i < 5000; ++i)
        text = numtext::toText(numtext::toDouble(text, u"Text3") - 0.05);
    EXPECT_EQ(text, QStringLiteral("7790"));
}

TEST(NumberConversions, SignedTextHasOneBlankForNonNegative)
{
    EXPECT_EQ(numtext::toSignedText(3330.8), QStringLiteral(" 3330.8"));
    EXPECT_EQ(numtext::toSignedText(3560), QStringLiteral(" 3560"));
    EXPECT_EQ(numtext::toSignedText(0), QStringLiteral(" 0"));
    EXPECT_EQ(numtext::toSignedText(-1.5), QStringLiteral("-1.5"));
}

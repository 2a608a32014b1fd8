#include "common/NumberText.h"

#include "common/AppError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace quorlin;

TEST(NumberText, displayForm) {
    EXPECT_EQ(displayNumberText(4), "4");
    EXPECT_EQ(displayNumberText(0.5), "0.5");
    EXPECT_EQ(displayNumberText(-12.3457), "-12.3457");
    EXPECT_EQ(displayNumberText(-5), "-5");
    EXPECT_EQ(displayNumberText(-0.25), "-0.25");
    EXPECT_EQ(displayNumberText(0), "0");
    EXPECT_EQ(displayNumberText(-0.0), "0");
    EXPECT_EQ(displayNumberText(12.34), "12.34");
    EXPECT_EQ(displayNumberText(100), "100");
    EXPECT_EQ(displayNumberText(1e15), "1E+15");
    EXPECT_EQ(displayNumberText(1e-5), "1E-05");
    EXPECT_EQ(displayNumberText(0.0001), "0.0001");
    EXPECT_EQ(displayNumberText(123456789012345), "123456789012345");
    EXPECT_EQ(displayNumberText(0.1 + 0.2), "0.3");
}

TEST(NumberText, stepFormGivesTheDigitsTheStepNeeds) {
    struct Case {
        double value;
        double step;
        const char* text;
    };
    const Case cases[] = {
        {6.7756300001, 1e-10, "6.7756300001"},  // where six digits read "6.77563" each time
        {6.7756300002, 1e-10, "6.7756300002"},
        {0.1 * 3, 0.1, "0.3"},
        {2.5, 2.5, "2.5"},
        {0.25 * 7, 0.25, "1.75"},
        {-1e-17, 0.2, "0"},  // a tick at zero that the sum missed by a hair
        {1500, 500, "1500"},
        {3e8, 1e8, "300000000"},
        {1.25e-7, 2.5e-8, "1.25E-07"},
        {-40, 20, "-40"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(stepNumberText(c.value, c.step), QString::fromLatin1(c.text))
            << c.value << " step " << c.step;
    }
    // Adjacent ticks differ however fine the step, down to the fifteenth digit.
    for (double step = 1; step > 1e-14; step /= 10) {
        const double tick = 6.77 + 7 * step;
        EXPECT_NE(stepNumberText(tick, step), stepNumberText(tick + step, step)) << step;
    }
}

TEST(NumberText, shortForm) {
    EXPECT_EQ(shortNumberText(4), "4");
    EXPECT_EQ(shortNumberText(0.5), ".5");
    EXPECT_EQ(shortNumberText(-0.25), "-.25");
    EXPECT_EQ(shortNumberText(-12.3457), "-12.3457");
    EXPECT_EQ(shortNumberText(0), "0");
    EXPECT_EQ(shortNumberText(-0.0), "0");
    EXPECT_EQ(shortNumberText(12.34), "12.34");
    EXPECT_EQ(shortNumberText(100), "100");
    EXPECT_EQ(shortNumberText(1e15), "1E+15");
    EXPECT_EQ(shortNumberText(1e20), "1E+20");
    EXPECT_EQ(shortNumberText(1e-5), "1E-05");
    EXPECT_EQ(shortNumberText(1.5e-7), "1.5E-07");
    EXPECT_EQ(shortNumberText(-2.5e-300), "-2.5E-300");
    EXPECT_EQ(shortNumberText(0.0001), ".0001");
    EXPECT_EQ(shortNumberText(123456789012345), "123456789012345");
    EXPECT_EQ(printFormText(1.5), " 1.5 ");
    EXPECT_EQ(printFormText(-2), "-2 ");
    EXPECT_EQ(printFormText(0.5), " .5 ");
}

TEST(NumberText, shortFormRoundTripsFifteenDigits) {
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-30, 30);
    for (int i = 0; i < 20000; ++i) {
        const double v = mantissa(random) * std::pow(10.0, exponent(random));
        const QString text = shortNumberText(v);
        int digits = 0;
        for (QChar c : text) {
            if (c == u'E') {
                break;
            }
            digits += (c.isDigit() && (digits > 0 || c != u'0')) ? 1 : 0;  // significant ones
        }
        ASSERT_LE(digits, 15) << text.toStdString();
        const double back = leadingNumber(text);
        // Within half a unit of the 15th significant digit.
        ASSERT_LE(std::fabs(back - v), std::fabs(v) * 5e-15) << text.toStdString();
        // Stable: the text of what was read back is the same text.
        ASSERT_EQ(shortNumberText(back), text);
    }
}

TEST(NumberText, leadingNumberRule) {
    const std::pair<const char*, double> cases[] = {
        {"4abc", 4},    {"2.5", 2.5},   {" 1 2 3", 123}, {"\t-.5", -0.5}, {"abc", 0}, {"", 0},
        {"1e3", 1000},  {"1E-2", 0.01}, {"1e", 1},       {"1e+", 1},      {"-", 0},   {"+5", 5},
        {"1.2.3", 1.2}, {"5.", 5},      {"\n7\n", 7},    {"- 3", -3},     {".", 0},   {"e5", 0},
        {"1d2", 100},   {"0x10", 0},    {"12,5", 12},    {"1e-400", 0},   {"--5", 0}, {"3 .5", 3.5},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_DOUBLE_EQ(leadingNumber(QString::fromLatin1(text)), expected) << '"' << text << '"';
    }
    for (const char* text : {"1e400", "-1e400", "1e+999"}) {
        try {
            leadingNumber(QString::fromLatin1(text));
            ADD_FAILURE() << "no overflow for " << text;
        } catch (const AppError& e) {
            EXPECT_EQ(e.number, ErrorNumber::Overflow) << text;
        }
    }
}

TEST(NumberText, wholeNumber) {
    double v = -1;
    EXPECT_TRUE(parseWholeNumber(u" 2.5 ", v));
    EXPECT_DOUBLE_EQ(v, 2.5);
    EXPECT_TRUE(parseWholeNumber(u"-.25", v));
    EXPECT_DOUBLE_EQ(v, -0.25);
    EXPECT_TRUE(parseWholeNumber(u"1E+15", v));
    EXPECT_DOUBLE_EQ(v, 1e15);
    EXPECT_TRUE(parseWholeNumber(u"1e-400", v));
    EXPECT_EQ(v, 0);
    EXPECT_THROW(parseWholeNumber(u"-1e400", v), AppError);
    for (const char16_t* bad : {u"", u"  ", u"4abc", u"1,5", u"+-1", u"1e", u"abc", u"1 2"}) {
        EXPECT_FALSE(parseWholeNumber(QStringView(bad), v))
            << QStringView(bad).toString().toStdString();
    }
}

TEST(NumberText, fieldNumberTakesWhatShortNumberTextWrites) {
    for (double v : {0.0, 0.5, -0.25, 12.345, -3.0, 1e20, 1.5e-7, 123456789012345.0}) {
        double read = -99;
        const QByteArray text = shortNumberText(v).toLatin1();
        EXPECT_TRUE(parseFieldNumber(std::string_view(text.data(), text.size()), read)) << v;
        EXPECT_DOUBLE_EQ(read, v);
    }
    double v = 7;
    for (const char* bad : {"", "-", ".", "+1", " 1", "1 ", "1,5", "1e", "inf", "-nan", "NaN",
                            "1e400", "0x10", "1.2.3"}) {
        EXPECT_FALSE(parseFieldNumber(bad, v)) << '"' << bad << '"';
    }
    EXPECT_EQ(v, 7);
}

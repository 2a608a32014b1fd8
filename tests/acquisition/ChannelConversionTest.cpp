#include "acquisition/ChannelConversion.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <limits>

namespace quorlin {
namespace {

class ChannelConversionTest : public ::testing::Test {
  protected:
    void linear(int k, double slope, double offset) {
        settings.CalibrationMode[k] = false;
        settings.Slope[k] = slope;
        settings.Offset[k] = offset;
    }
    void polynomial(int k, qint16 order, std::initializer_list<double> coeffs) {
        settings.CalibrationMode[k] = true;
        settings.Polynomial[k].PolyOrder = order;
        int i = 0;
        for (double c : coeffs) {
            settings.Polynomial[k].PolyCoeff[i++] = c;
        }
    }
    const ChannelReading& row(int k) const { return rows.row(k); }

    SettingsModel settings;
    AcquisitionValues values;
    ChannelReadings rows;
    test::FakeClock clock;
    ChannelConversion conversion{settings, values, rows, clock};
};

TEST_F(ChannelConversionTest, linearConversionWithTareAndUntare) {
    linear(2, 2, 1);
    conversion.cmdTare_Click(2);  // before any reading: a tare of 0, but a tare
    EXPECT_EQ(row(2).tareCaption, "Untare");
    EXPECT_EQ(values.ChannelTare[2], 0.0);
    conversion.cmdTare_Click(2);
    rows.setVoltsText(2, QStringLiteral("1.5"));
    EXPECT_EQ(row(2).scaledText, "4");
    values.ChannelScaled[2] = 123;  // the same text again runs no conversion
    rows.setVoltsText(2, QStringLiteral("1.5"));
    EXPECT_EQ(values.ChannelScaled[2], 123.0);

    conversion.cmdTare_Click(2);
    EXPECT_EQ(values.ChannelTare[2], 4.0);
    EXPECT_EQ(row(2).tareCaption, "Untare");
    EXPECT_EQ(row(2).scaledText, "0");

    rows.setVoltsText(2, QStringLiteral("2"));
    EXPECT_EQ(row(2).scaledText, "1");

    conversion.cmdTare_Click(2);
    EXPECT_EQ(values.ChannelTare[2], 0.0);
    EXPECT_EQ(row(2).tareCaption, "Tare");
    EXPECT_EQ(row(2).scaledText, "5");
}

TEST_F(ChannelConversionTest, smallNegativeAndRoundedScaledValues) {
    linear(1, 1, 0);
    rows.setVoltsText(1, QStringLiteral("-0.001"));
    EXPECT_EQ(row(1).scaledText, "-0.001");

    // Halves of the fourth decimal go away from zero on the scaled value.
    linear(4, 1, 0.00005);
    rows.setVoltsText(4, QStringLiteral("1"));
    EXPECT_EQ(row(4).scaledText, "1.0001");
    linear(4, 1, -0.00005);
    rows.setVoltsText(4, QStringLiteral("-1"));
    EXPECT_EQ(row(4).scaledText, "-1.0001");
}

TEST_F(ChannelConversionTest, polynomialUsesOnlyTermsUpToItsOrder) {
    polynomial(3, 2, {1, 2, 3, 99, 99, 99, 99, 99, 99, 99, 99});
    rows.setVoltsText(3, QStringLiteral("2"));
    EXPECT_EQ(row(3).scaledText, "17");
    EXPECT_EQ(values.ChannelScaled[3], 17.0);

    // Order 10 uses every coefficient: 1 + x + ... + x^10 at x = 2.
    polynomial(5, 10, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    EXPECT_EQ(conversion.EvaluatePolynomial(5, 2), 2047.0);
    // Halves go to the even digit here: 0.00005 -> 0, 0.00015 -> 0.0002.
    polynomial(6, 1, {0.00005, 0});
    EXPECT_EQ(conversion.EvaluatePolynomial(6, 1), 0.0);
    polynomial(6, 1, {0.00015, 0});
    EXPECT_EQ(conversion.EvaluatePolynomial(6, 1), 0.0002);
}

TEST_F(ChannelConversionTest, polynomialOutsideItsOrderOrChannelRangeGivesZero) {
    for (qint16 order : {qint16{0}, qint16{11}, qint16{-1}}) {
        polynomial(0, order, {7, 1, 1});
        EXPECT_EQ(conversion.EvaluatePolynomial(0, 2), 0.0) << order;
    }
    polynomial(0, 2, {7, 1, 1});
    EXPECT_EQ(conversion.EvaluatePolynomial(-1, 2), 0.0);
    EXPECT_EQ(conversion.EvaluatePolynomial(8, 2), 0.0);

    // Order 0 on a tared channel shows 0 minus the tare.
    polynomial(1, 0, {7});
    values.ChannelTare[1] = 2.5;
    rows.setVoltsText(1, QStringLiteral("3"));
    EXPECT_EQ(row(1).scaledText, "-2.5");
}

TEST_F(ChannelConversionTest, overflowGivesZeroWithoutInfinityLeaking) {
    polynomial(7, 10, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1e300});
    EXPECT_EQ(conversion.EvaluatePolynomial(7, 1e40), 0.0);
    // A zero coefficient on an overflowing power is still an overflow.
    polynomial(7, 10, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(conversion.EvaluatePolynomial(7, 1e40), 0.0);

    linear(6, std::numeric_limits<double>::max(), 0);
    rows.setVoltsText(6, QStringLiteral("4"));
    EXPECT_EQ(values.ChannelScaled[6], 0.0);
    EXPECT_EQ(row(6).scaledText, "0");
}

TEST_F(ChannelConversionTest, peaksFollowEachChannelsOwnType) {
    linear(0, 1, 0);
    linear(5, 1, 0);
    settings.PeakDisplay[0] = 2;
    settings.PeakDisplay[5] = 1;
    settings.PeakDisplay[3] = 0;
    settings.PeakDisplay[4] = -1;
    rows.setVoltsText(0, QStringLiteral("7"));  // Peak On not chosen yet: no tracking
    EXPECT_EQ(row(0).peakText, "0");
    conversion.mnuPeakOn_Click();
    EXPECT_TRUE(settings.PeakOn);
    EXPECT_EQ(row(0).peakText, "-10000");
    EXPECT_EQ(row(5).peakText, "10000");
    EXPECT_EQ(row(3).peakText, "0");
    EXPECT_EQ(row(4).peakText, "0");

    for (const char* v : {"2", "-3", "5", "1"}) {
        rows.setVoltsText(0, QString::fromLatin1(v));
        rows.setVoltsText(5, QString::fromLatin1(v));
        rows.setVoltsText(3, QString::fromLatin1(v));
        rows.setVoltsText(4, QString::fromLatin1(v));
    }
    EXPECT_EQ(row(0).peakText, "5");
    EXPECT_EQ(row(5).peakText, "-3");
    EXPECT_EQ(row(5).peakTimeText, "2026-12-07 14:05:09");
    // Type 0 and an unknown type are not tracked.
    EXPECT_EQ(row(3).peakText, "0");
    EXPECT_EQ(row(3).peakTimeText, "");
    EXPECT_EQ(row(4).peakText, "0");
    EXPECT_EQ(row(4).peakTimeText, "");
}

TEST_F(ChannelConversionTest, equalPeakKeepsItsTime) {
    linear(2, 1, 0);
    settings.PeakDisplay[2] = 2;
    conversion.mnuPeakOn_Click();
    rows.setVoltsText(2, QStringLiteral("1"));
    EXPECT_EQ(row(2).peakText, "1");
    clock.now = clock.now.addSecs(60);
    rows.setVoltsText(2, QStringLiteral("3"));
    EXPECT_EQ(row(2).peakText, "3");
    EXPECT_EQ(row(2).peakTimeText, "2026-12-07 14:06:09");

    clock.now = clock.now.addSecs(60);
    rows.setVoltsText(2, QStringLiteral("3"));     // unchanged text: nothing runs
    rows.setScaledText(2, QStringLiteral("3.0"));  // a new text of the same value
    rows.setVoltsText(2, QStringLiteral("2"));
    EXPECT_EQ(row(2).peakText, "3");
    EXPECT_EQ(row(2).peakTimeText, "2026-12-07 14:06:09");
}

TEST_F(ChannelConversionTest, peakOnAgainRestartsFromTheStartValues) {
    linear(0, 1, 0);
    settings.PeakDisplay[0] = 1;
    conversion.mnuPeakOn_Click();
    rows.setVoltsText(0, QStringLiteral("3"));
    ASSERT_EQ(row(0).peakText, "3");
    settings.PeakOn = false;  // as a stop leaves it
    conversion.mnuPeakOn_Click();
    EXPECT_TRUE(settings.PeakOn);
    EXPECT_EQ(row(0).peakText, "10000");
    EXPECT_EQ(row(0).peakTimeText, "");
}

}  // namespace
}  // namespace quorlin

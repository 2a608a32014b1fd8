#include "common/Rounding.h"

#include "common/AppError.h"

#include <gtest/gtest.h>

#include <limits>

using namespace quorlin;

TEST(Rounding, halfEvenOnTheShownDecimals) {
    EXPECT_DOUBLE_EQ(roundHalfEven(3.0515, 3), 3.052);
    EXPECT_DOUBLE_EQ(roundHalfEven(0.125, 2), 0.12);
    EXPECT_DOUBLE_EQ(roundHalfEven(0.135, 2), 0.14);
    EXPECT_DOUBLE_EQ(roundHalfEven(2.5, 0), 2);
    EXPECT_DOUBLE_EQ(roundHalfEven(3.5, 0), 4);
    EXPECT_DOUBLE_EQ(roundHalfEven(-2.5, 0), -2);
    EXPECT_DOUBLE_EQ(roundHalfEven(0.245, 2), 0.24);  // elapsed seconds show as ".24"
    EXPECT_DOUBLE_EQ(roundHalfEven(1.005, 2), 1);
    EXPECT_DOUBLE_EQ(roundHalfEven(9.9996, 3), 10);
    EXPECT_DOUBLE_EQ(roundHalfEven(0.0004, 3), 0);
    EXPECT_DOUBLE_EQ(roundHalfEven(-0.0004, 3), 0);
    EXPECT_DOUBLE_EQ(roundHalfEven(1.23456789, 4), 1.2346);
    EXPECT_DOUBLE_EQ(roundHalfEven(1e20, 3), 1e20);
    EXPECT_DOUBLE_EQ(roundHalfEven(0, 3), 0);
}

TEST(Rounding, halfAwayFromZero) {
    EXPECT_DOUBLE_EQ(roundHalfAwayFromZero(1.00005, 4), 1.0001);
    EXPECT_DOUBLE_EQ(roundHalfAwayFromZero(-1.00005, 4), -1.0001);
    EXPECT_DOUBLE_EQ(roundHalfAwayFromZero(0.00005, 4), 0.0001);
    EXPECT_DOUBLE_EQ(roundHalfAwayFromZero(-0.00005, 4), -0.0001);
    EXPECT_DOUBLE_EQ(roundHalfAwayFromZero(0.00004, 4), 0);
    EXPECT_DOUBLE_EQ(roundHalfAwayFromZero(2.5, 0), 3);
    EXPECT_DOUBLE_EQ(roundHalfAwayFromZero(12.34565, 4), 12.3457);
}

TEST(Rounding, boardReadingsToVolts) {
    // reading - 8192 times the board's factor, to 3 decimals with ties to even
    const double factor = 0.0006103;
    const std::pair<int, double> cases[] = {
        {0, 0},          {1, 0.001},    {-1, -0.001},    {-8192, -5},    {8191, 4.999},
        {57343, 34.996}, {5000, 3.052}, {-5000, -3.052}, {15000, 9.154}, {25000, 15.258},
    };
    for (const auto& [k, volts] : cases) {
        EXPECT_DOUBLE_EQ(roundHalfEven(k * factor, 3), volts) << k;
    }
}

TEST(Rounding, wholeNumbersTieToEvenAndOverflow) {
    EXPECT_EQ(toInt16(2.5), 2);
    EXPECT_EQ(toInt16(3.5), 4);
    EXPECT_EQ(toInt16(-2.5), -2);
    EXPECT_EQ(toInt16(-3.5), -4);
    EXPECT_EQ(toInt16(32767.4), 32767);
    EXPECT_EQ(toInt16(-32768.5), -32768);
    EXPECT_EQ(toInt32(2147483647.4), 2147483647);
    EXPECT_EQ(toInt32(-2147483648.5), std::numeric_limits<qint32>::min());
    for (double v : {32767.5, 40000.0, -32768.6, -40000.0, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()}) {
        try {
            toInt16(v);
            ADD_FAILURE() << "no overflow for " << v;
        } catch (const AppError& e) {
            EXPECT_EQ(e.number, ErrorNumber::Overflow) << v;
        }
    }
    EXPECT_THROW(toInt32(2147483647.5), AppError);
    EXPECT_THROW(toInt32(-2147483649.0), AppError);
    EXPECT_THROW(toInt32(1e300), AppError);
}

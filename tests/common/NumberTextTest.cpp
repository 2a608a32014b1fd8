#include "common/AppError.h"
#include "common/NumberText.h"
#include "common/Rounding.h"

#include <gtest/gtest.h>

using namespace quorlin;

TEST(NumberText, displayAndShortForms) {
    EXPECT_EQ(displayNumberText(4), "4");
    EXPECT_EQ(displayNumberText(0.5), "0.5");
    EXPECT_EQ(displayNumberText(-12.3457), "-12.3457");
    EXPECT_EQ(displayNumberText(-5), "-5");
    EXPECT_EQ(shortNumberText(0.5), ".5");
    EXPECT_EQ(shortNumberText(-0.25), "-.25");
    EXPECT_EQ(shortNumberText(12.34), "12.34");
    EXPECT_EQ(shortNumberText(1e20), "1E+20");
    EXPECT_EQ(shortNumberText(1.5e-7), "1.5E-07");
    EXPECT_EQ(shortNumberText(-0.0), "0");
    EXPECT_EQ(printFormText(1.5), " 1.5 ");
    EXPECT_EQ(printFormText(-2), "-2 ");
}

TEST(NumberText, beyondDouble_isOverflowAndBelowIsZero) {
    double v = 1;
    EXPECT_THROW(leadingNumber(u"1e400"), AppError);
    EXPECT_THROW(leadingNumber(u"-0.001e312"), AppError);
    EXPECT_THROW(leadingNumber(QString(400, u'7')), AppError);
    EXPECT_EQ(leadingNumber(u"1e-400"), 0.0);
    EXPECT_EQ(leadingNumber(u"123e-330"), 0.0);
    EXPECT_THROW(parseWholeNumber(QString(400, u'9'), v), AppError);
    EXPECT_THROW(parseWholeNumber(u"0.5E309", v), AppError);
    EXPECT_TRUE(parseWholeNumber(u"-2.5e-400", v));
    EXPECT_EQ(v, 0.0);
}

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

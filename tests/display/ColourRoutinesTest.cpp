#include "display/ColourRoutines.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace quorlin {
namespace {

class ColourRoutinesTest : public ::testing::Test {
  protected:
    SettingsModel settings;
    MainWindowModel model;
    test::RecordingChart chart;
    ColourRoutines colours{settings, model, chart};
};

TEST_F(ColourRoutinesTest, apply_plotsAndRowsPerChannelThenBackgroundLast) {
    for (int k = 0; k < kChannelCount; ++k) {
        settings.PlotColor[k] = rgbValue(10 * k, 255 - k, 3);
    }
    settings.GraphBackColor = rgbValue(1, 2, 3);
    QStringList order;
    QObject::connect(&model, &MainWindowModel::rowChanged, [&](int k, RowField f) {
        if (f == RowField::Colour) {
            order.append(QStringLiteral("row %1").arg(k));
            chart.calls.append(order.last());
        }
    });

    colours.ApplyColors();

    QStringList expected;
    for (int k = 0; k < kChannelCount; ++k) {
        expected << QStringLiteral("colour %1 %2").arg(k + 1).arg(settings.PlotColor[k])
                 << QStringLiteral("row %1").arg(k);
        EXPECT_EQ(model.row(k).colour, settings.PlotColor[k]);
        EXPECT_EQ(chart.colour[k + 1], settings.PlotColor[k]);
    }
    expected << QStringLiteral("background %1").arg(rgbValue(1, 2, 3));
    EXPECT_EQ(chart.calls, expected);
}

TEST_F(ColourRoutinesTest, capture_takesRowColoursAndChartBackground) {
    for (int k = 0; k < kChannelCount; ++k) {
        model.setColour(k, rgbValue(k, 2 * k, 200));  // e.g. after a colour swap
    }
    chart.background = rgbValue(9, 8, 7);
    colours.CaptureColors();
    for (int k = 0; k < kChannelCount; ++k) {
        EXPECT_EQ(settings.PlotColor[k], rgbValue(k, 2 * k, 200));
    }
    EXPECT_EQ(settings.GraphBackColor, rgbValue(9, 8, 7));
    EXPECT_TRUE(chart.calls.isEmpty());  // reading only
}

}  // namespace
}  // namespace quorlin

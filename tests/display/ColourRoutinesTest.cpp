#include "display/ColourRoutines.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace quorlin {
namespace {

TEST(ColourRoutinesTest, applyThenCapture_perChannelPlotAndRowThenBackground) {
    SettingsModel settings;
    MainWindowModel model;
    test::RecordingChart chart;
    ColourRoutines colours{settings, model, chart};
    QStringList expected;
    for (int k = 0; k < kChannelCount; ++k) {
        settings.PlotColor[k] = rgbValue(10 * k, 255 - k, 3);
        expected << QStringLiteral("colour %1 %2").arg(k + 1).arg(settings.PlotColor[k])
                 << QStringLiteral("row %1 %2").arg(k).arg(settings.PlotColor[k]);
    }
    settings.GraphBackColor = rgbValue(1, 2, 3);
    expected << QStringLiteral("background %1").arg(rgbValue(1, 2, 3));
    QObject::connect(&model, &MainWindowModel::rowChanged, [&](int k, RowField) {
        chart.calls.append(QStringLiteral("row %1 %2").arg(k).arg(model.row(k).colour));
    });
    colours.ApplyColors();
    EXPECT_EQ(chart.calls, expected);

    // A colour swap changed CH2's boxes and the chart background: saving takes those.
    model.setColour(2, rgbValue(7, 7, 7));
    chart.background = rgbValue(9, 8, 7);
    colours.CaptureColors();
    EXPECT_EQ(settings.PlotColor[2], rgbValue(7, 7, 7));
    EXPECT_EQ(settings.PlotColor[3], rgbValue(30, 252, 3));
    EXPECT_EQ(settings.GraphBackColor, rgbValue(9, 8, 7));
}

}  // namespace
}  // namespace quorlin

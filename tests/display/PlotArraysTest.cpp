#include "display/PlotArrays.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace quorlin {
namespace {

class PlotArraysTest : public ::testing::Test {
  protected:
    void scan(const QString& time, double base) {
        values.ElapsedTimeText = time;
        for (int k = 0; k < kChannelCount; ++k) {
            values.ChannelVolts[k] = base + k;
            values.ChannelScaled[k] = -(base + k);
        }
    }

    AcquisitionValues values;
    test::RecordingChart chart;
    test::RecordingErrorHandler errors;
    PlotArrays plots{values, chart, errors};
};

TEST_F(PlotArraysTest, scans_growSharedTablesByOneColumnAndPlotEveryPoint) {
    scan(QStringLiteral(".25"), 1.5);  // under a second the text starts with the point
    plots.PlotVoltArrays();
    for (int k = 0; k < kChannelCount; ++k) {
        using Points = std::vector<std::pair<double, double>>;
        EXPECT_EQ(chart.points(k + 1), (Points{{0.25, 1.5 + k}}));
        EXPECT_EQ(plots.PlotHistory()[k]->columnCount(), 2);
        EXPECT_EQ(chart.table[k + 1].get(), plots.PlotHistory()[k].get());  // not a copy
    }
    scan(QStringLiteral("1.5"), 10);
    plots.PlotScaleArrays();
    scan(QStringLiteral("2"), 20);
    plots.PlotScaleArrays();
    EXPECT_EQ(plots.PlotHistory()[7]->columnCount(), 4);
    EXPECT_EQ(chart.points(8),
              (std::vector<std::pair<double, double>>{{0.25, 8.5}, {1.5, -17}, {2, -27}}));
    EXPECT_TRUE(errors.reports.empty());

    const auto old = plots.PlotHistory()[0];
    plots.ResetPlotHistory();
    EXPECT_EQ(plots.PlotHistory()[0]->columnCount(), 1);
    EXPECT_EQ(plots.PlotHistory()[0]->filledCount(), 0);
    EXPECT_EQ(old->filledCount(), 3);  // the chart's table is not emptied under it
}

TEST_F(PlotArraysTest, refusingChart_reportsOnceAndSkipsTheRestOfTheScan) {
    chart.failReplace = [](int plot) {
        if (plot == 3) {
            throw AppError(ErrorNumber::OutOfMemory, QStringLiteral("Out of memory"));
        }
    };
    scan(QStringLiteral("2"), 0);
    plots.PlotVoltArrays();
    ASSERT_EQ(errors.reports.size(), 1u);
    const auto& r = errors.reports[0];
    EXPECT_EQ(QStringList({QString::number(r.number), r.source, r.screen, r.description}),
              (QStringList{"7", "PlotVoltArrays", "Main", "Out of memory"}));
    EXPECT_EQ(chart.calls, (QStringList{"replace 1", "replace 2"}));
    EXPECT_EQ(plots.PlotHistory()[0]->columnCount(), 1);  // no new column

    // The next scan fills the same column again.
    chart.failReplace = nullptr;
    scan(QStringLiteral("3"), 7);
    plots.PlotVoltArrays();
    EXPECT_EQ(chart.points(4), (std::vector<std::pair<double, double>>{{3, 10}}));

    chart.failReplace = [](int) { throw AppError(ErrorNumber::TypeMismatch, "Type mismatch"); };
    plots.PlotScaleArrays();
    ASSERT_EQ(errors.reports.size(), 2u);
    EXPECT_EQ(errors.reports[1].source, QStringLiteral("PlotScaleArrays"));
    EXPECT_EQ(errors.reports[1].screen, QStringLiteral("Main"));
}

}  // namespace
}  // namespace quorlin

#include "display/PlotArrays.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quorlin {
namespace {

using test::RecordingChart;
using test::RecordingErrorHandler;

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
    RecordingChart chart;
    RecordingErrorHandler errors;
    PlotArrays plots{values, chart, errors};
};

TEST_F(PlotArraysTest, firstScan_onePointPerPlotAndTablesOfTwoColumns) {
    scan(QStringLiteral(".25"), 1.5);  // a time below one second starts with the point
    plots.PlotVoltArrays();

    for (int k = 0; k < kChannelCount; ++k) {
        const auto points = chart.points(k + 1);
        ASSERT_EQ(points.size(), 1u) << k;
        EXPECT_DOUBLE_EQ(points[0].first, 0.25);
        EXPECT_DOUBLE_EQ(points[0].second, 1.5 + k);
        const auto& table = *plots.PlotHistory()[k];
        EXPECT_EQ(table.columnCount(), 2);
        EXPECT_TRUE(std::isnan(table.x(1)));
        EXPECT_TRUE(std::isnan(table.y(1)));
    }
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(PlotArraysTest, nScans_nPlusOneColumnsAndNPointsInOrder) {
    constexpr int kScans = 5;
    for (int i = 1; i <= kScans; ++i) {
        scan(QStringLiteral("%1.5").arg(i), 10.0 * i);
        plots.PlotScaleArrays();
    }
    for (int k = 0; k < kChannelCount; ++k) {
        EXPECT_EQ(plots.PlotHistory()[k]->columnCount(), kScans + 1);
        const auto points = chart.points(k + 1);
        ASSERT_EQ(points.size(), static_cast<size_t>(kScans));
        for (int i = 0; i < kScans; ++i) {
            EXPECT_DOUBLE_EQ(points[i].first, i + 1.5);
            EXPECT_DOUBLE_EQ(points[i].second, -(10.0 * (i + 1) + k));  // scaled values
        }
    }
}

TEST_F(PlotArraysTest, chartSharesTheHistoryInsteadOfACopy) {
    scan(QStringLiteral("1"), 0);
    plots.PlotVoltArrays();
    for (int k = 0; k < kChannelCount; ++k) {
        EXPECT_EQ(chart.table[k + 1].get(), plots.PlotHistory()[k].get());
    }
}

TEST_F(PlotArraysTest, reset_startsFreshTablesOfOneEmptyColumn) {
    scan(QStringLiteral("1"), 0);
    plots.PlotVoltArrays();
    plots.PlotVoltArrays();
    const auto before = plots.PlotHistory()[0];
    plots.ResetPlotHistory();
    for (const auto& table : plots.PlotHistory()) {
        EXPECT_EQ(table->columnCount(), 1);
        EXPECT_EQ(table->filledCount(), 0);
    }
    // The table the chart still holds is not emptied under it.
    EXPECT_EQ(before->filledCount(), 2);
    EXPECT_NE(before.get(), plots.PlotHistory()[0].get());
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
    EXPECT_EQ(errors.reports[0].number, ErrorNumber::OutOfMemory);
    EXPECT_EQ(errors.reports[0].source, QStringLiteral("PlotVoltArrays"));
    EXPECT_EQ(errors.reports[0].screen, QStringLiteral("Main"));
    EXPECT_EQ(errors.reports[0].description, QStringLiteral("Out of memory"));
    EXPECT_EQ(chart.calls, (QStringList{QStringLiteral("replace 1"), QStringLiteral("replace 2")}));
    // No new column: the next scan fills the same one again.
    for (const auto& table : plots.PlotHistory()) {
        EXPECT_EQ(table->columnCount(), 1);
    }

    chart.failReplace = nullptr;
    scan(QStringLiteral("3"), 7);
    plots.PlotScaleArrays();
    EXPECT_EQ(errors.reports.size(), 1u);
    const auto points = chart.points(4);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_DOUBLE_EQ(points[0].first, 3);
    EXPECT_DOUBLE_EQ(points[0].second, -10);
}

TEST_F(PlotArraysTest, scaleFailure_namesItsOwnProcedure) {
    chart.failReplace = [](int) {
        throw AppError(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
    };
    scan(QStringLiteral("1"), 0);
    plots.PlotScaleArrays();
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].source, QStringLiteral("PlotScaleArrays"));
    EXPECT_EQ(errors.reports[0].screen, QStringLiteral("Main"));
    EXPECT_EQ(errors.reports[0].number, ErrorNumber::TypeMismatch);
}

}  // namespace
}  // namespace quorlin

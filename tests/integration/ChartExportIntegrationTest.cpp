// File > Export Chart... and looking into the chart while a run against the simulated board
// goes on.

#include "display/ChartView.h"
#include "integration/SamplingRun.h"
#include "platform/QCustomPlotChart.h"

#include <qcustomplot.h>
#include <QImage>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace quorlin::test {
namespace {

TEST(ChartExportIntegration, zoomedAndExportedDuringARun_samplingGoesOnAndFileShowsTheView) {
    AppHarness h;
    ASSERT_TRUE(startProgram(h));
    h.show();
    toggleSampling(h);
    ASSERT_TRUE(waitForScans(h, 5));

    auto* chart = dynamic_cast<QCustomPlotChart*>(&h.main().chart());
    ASSERT_NE(chart, nullptr);
    QCustomPlot* plot = chart->customPlot();
    const QPoint at = plot->axisRect()->rect().center();
    QWheelEvent wheel(at, plot->mapToGlobal(at), QPoint(), QPoint(0, 360), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(plot, &wheel);
    const QCPRange looked = plot->xAxis->range();
    const int scans = closedScans(readings(h));
    ASSERT_TRUE(waitForScans(h, scans + 5));
    EXPECT_EQ(plot->xAxis->range(), looked);  // the run went on, the view stayed
    EXPECT_FALSE(h.main().chartView()->stateText().isEmpty());

    // The PNG at a chosen width, then a name of no known type, then a cancelled dialog.
    int offered = 0;
    int plotWidth = 0;  // when asked: the layout may still settle during the run
    h.main().setPngWidthPrompt([&](int screenWidth) {
        offered = screenWidth;
        plotWidth = plot->width();
        return std::optional<int>(1200);
    });
    const QString png = h.appFolder() + "/Data Files/run.png";
    h.files->answers = {png, h.appFolder() + "/Data Files/run.bmp", QString()};
    h.trigger(h.model().mnuExportChart);
    ASSERT_EQ(h.files->requests.size(), 1u);
    EXPECT_TRUE(h.files->wasSave[0]);
    EXPECT_TRUE(h.files->requests[0].filter.startsWith("PNG Image (*.png)|*.png|"));
    EXPECT_EQ(offered, plotWidth);
    const QImage image(png);
    EXPECT_EQ(image.width(), 1200);
    EXPECT_TRUE(h.box->all.isEmpty());

    h.trigger(h.model().mnuExportChart);
    ASSERT_EQ(h.box->okTexts.size(), 1);
    EXPECT_TRUE(h.box->okTexts[0].contains("run.bmp"));
    h.trigger(h.model().mnuExportChart);
    EXPECT_EQ(h.box->okTexts.size(), 1);

    const int later = closedScans(readings(h));
    EXPECT_TRUE(waitForScans(h, later + 3));  // still sampling
    EXPECT_TRUE(h.model().mnuSample->isChecked());
    toggleSampling(h);
}

}  // namespace
}  // namespace quorlin::test

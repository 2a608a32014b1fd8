#include "display/ChartView.h"
#include "platform/QCustomPlotChart.h"

#include <qcustomplot.h>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

namespace quorlin {
namespace {

// A shown view on a chart fed like the "Continuous" method: plot 1 is y = x, plot 2 is
// y = 100 + x, one point per 0.1 s.
class ChartViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (auto& t : tables) {
            t = std::make_shared<PointTable>();
        }
        scan(200);
        view.resize(900, 500);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        draw();
    }

    void scan(int count) {
        for (int i = 0; i < count; ++i, ++scans) {
            const double t = scans * 0.1;
            tables[0]->setLast(t, t);
            tables[1]->setLast(t, 100 + t);
            chart.replacePlotData(1, tables[0]);
            chart.replacePlotData(2, tables[1]);
            for (auto& table : tables) {
                table->addEmptyColumn();
            }
        }
    }
    void draw() {
        chart.redrawNow();
        plot()->replot(QCustomPlot::rpImmediateRefresh);
    }
    QCustomPlot* plot() { return chart.customPlot(); }
    QCPRange x() { return plot()->xAxis->range(); }
    QCPRange y() { return plot()->yAxis->range(); }
    QPoint inPlot(double fx, double fy) {
        const QRect r = plot()->axisRect()->rect();
        return QPoint(r.left() + static_cast<int>(r.width() * fx),
                      r.top() + static_cast<int>(r.height() * fy));
    }

    void wheel(QPoint at, int notches, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWheelEvent e(at, plot()->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      mods, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(plot(), &e);
    }
    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(type, at, plot()->mapToGlobal(at), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(plot(), &e);
    }
    void key(int k) {
        QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
        QCoreApplication::sendEvent(plot(), &e);
    }

    QCustomPlotChart chart;
    ChartView view{chart};
    std::shared_ptr<PointTable> tables[2];
    int scans = 0;
};

TEST_F(ChartViewTest, wheel_zoomsTimeAroundPointerAndSamplingDoesNotMoveIt) {
    const QCPRange before = x();
    const QPoint at = inPlot(0.25, 0.5);
    const double under = plot()->xAxis->pixelToCoord(at.x());
    wheel(at, 2);
    draw();
    EXPECT_NEAR(x().size(), before.size() * 0.85 * 0.85, 1e-9);
    EXPECT_NEAR(plot()->xAxis->pixelToCoord(at.x()), under, 1e-9);
    EXPECT_TRUE(chart.xHeld());
    EXPECT_FALSE(chart.yHeld());
    EXPECT_FALSE(view.stateText().isEmpty());

    const QCPRange looked = x();
    scan(500);  // the run goes on far beyond the view
    draw();
    EXPECT_EQ(x(), looked);
    EXPECT_EQ(tables[0]->filledCount(), 700);

    wheel(at, -4);  // and out again, beyond the start
    EXPECT_GT(x().size(), looked.size());
}

TEST_F(ChartViewTest, ctrlWheel_zoomsValueAxisOnlyAndHoldsItAgainstTheProgram) {
    chart.setYMinimum(-10);
    chart.setYMaximum(10);
    const QCPRange time = x();
    wheel(inPlot(0.5, 0.5), 1, Qt::ControlModifier);
    EXPECT_NEAR(y().size(), 20 * 0.85, 1e-9);
    EXPECT_EQ(x(), time);
    EXPECT_TRUE(chart.yHeld());
    EXPECT_FALSE(chart.xHeld());

    chart.setYMaximum(50);  // a new setting is kept for the return to Live
    EXPECT_NEAR(y().size(), 20 * 0.85, 1e-9);
    view.findChild<QPushButton*>("cmdLive")->click();
    EXPECT_EQ(y(), QCPRange(-10, 50));
    EXPECT_TRUE(view.stateText().isEmpty());
}

TEST_F(ChartViewTest, drag_pansBothAxesWithThePointer) {
    const QCPRange x0 = x();
    const QCPRange y0 = y();
    const QRect r = plot()->axisRect()->rect();
    const QPoint from = inPlot(0.5, 0.5);
    const QPoint to = from + QPoint(100, -50);
    mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    EXPECT_NEAR(x().lower, x0.lower - 100 * x0.size() / r.width(), 1e-9);
    EXPECT_NEAR(x().size(), x0.size(), 1e-9);
    EXPECT_NEAR(y().lower, y0.lower - 50 * y0.size() / r.height(), 1e-9);
    EXPECT_TRUE(chart.xHeld() && chart.yHeld());

    // A move without the button held does not pan.
    const QCPRange panned = x();
    mouse(QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(x(), panned);
}

TEST_F(ChartViewTest, doubleClickHomeAndLiveButton_eachReturnToTheAutomaticRange) {
    const std::function<void()> ways[] = {
        [this] {
            mouse(QEvent::MouseButtonDblClick, inPlot(0.5, 0.5), Qt::LeftButton, Qt::LeftButton);
        },
        [this] { key(Qt::Key_Home); },
        [this] { view.findChild<QPushButton*>("cmdLive")->click(); },
    };
    for (const auto& back : ways) {
        wheel(inPlot(0.3, 0.5), 3);
        wheel(inPlot(0.3, 0.5), 1, Qt::ControlModifier);
        key(Qt::Key_Space);
        scan(50);
        draw();
        ASSERT_FALSE(chart.following());
        back();
        draw();
        EXPECT_TRUE(chart.following());
        EXPECT_FALSE(chart.frozen());
        // The automatic range: from the first point to a little beyond the last.
        EXPECT_EQ(x().lower, 0);
        EXPECT_GE(x().upper, (scans - 1) * 0.1);
        EXPECT_LE(x().upper, (scans - 1) * 0.1 * 1.5);
        EXPECT_EQ(y(), QCPRange(-5, 5));
        EXPECT_TRUE(view.stateText().isEmpty());
        EXPECT_FALSE(view.findChild<QPushButton*>("cmdLive")->isEnabled());
    }
}

TEST_F(ChartViewTest, space_freezesThePictureNotTheHistory) {
    QSignalSpy state(&view, &ChartView::stateChanged);
    key(Qt::Key_Space);
    EXPECT_TRUE(chart.frozen());
    EXPECT_EQ(state.count(), 1);
    EXPECT_TRUE(view.stateText().contains(QStringLiteral("frozen")));
    EXPECT_TRUE(view.findChild<QPushButton*>("cmdFreeze")->isChecked());
    const QImage before = plot()->grab().toImage();
    const QCPRange range = x();

    scan(300);
    chart.setYMaximum(500);  // nor do the program's ranges move it
    draw();
    EXPECT_EQ(tables[0]->filledCount(), 500);
    EXPECT_EQ(x(), range);
    EXPECT_EQ(plot()->grab().toImage(), before);
    // The readout reads what the picture shows: nothing after the freeze.
    double value = 0;
    EXPECT_FALSE(chart.plotValueAt(1, 30.0, value));
    ASSERT_TRUE(chart.plotValueAt(1, 19.9, value));
    EXPECT_NEAR(value, 19.9, 1e-4);

    key(Qt::Key_Space);
    draw();
    EXPECT_FALSE(chart.frozen());
    EXPECT_GE(x().upper, 49.9);
    EXPECT_EQ(y().upper, 500);
    EXPECT_NE(plot()->grab().toImage(), before);
}

TEST_F(ChartViewTest, readout_givesTimeAndVisiblePlotsValuesFromTheHistory) {
    chart.setXRange(0, 19.9);  // a fixed range: 0.1 s per point is wider than a pixel
    draw();
    const QRect r = plot()->axisRect()->rect();
    const QPoint at(plot()->xAxis->coordToPixel(12.3), r.center().y());
    mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    const QStringList lines = view.readoutText().split(u'\n');
    ASSERT_EQ(lines.size(), 3);
    const double t = lines[0].chopped(2).toDouble();
    EXPECT_NEAR(t, 12.3, 19.9 / r.width());
    EXPECT_EQ(lines[1], QStringLiteral("CH0: 12.3"));
    EXPECT_EQ(lines[2], QStringLiteral("CH1: 112.3"));
    EXPECT_TRUE(view.findChild<QLabel*>("lblReadout")->isVisible());

    chart.setPlotVisible(2, false);
    mouse(QEvent::MouseMove, at + QPoint(0, 1), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(view.readoutText().split(u'\n').size(), 2);

    mouse(QEvent::MouseMove, QPoint(2, 2), Qt::NoButton, Qt::NoButton);  // off the plot area
    EXPECT_TRUE(view.readoutText().isEmpty());
}

}  // namespace
}  // namespace quorlin

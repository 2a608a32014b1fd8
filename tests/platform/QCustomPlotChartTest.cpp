#include "common/AppError.h"
#include "platform/QCustomPlotChart.h"
#include "chart/SegmentClip.h"

#include <qcustomplot.h>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <random>

namespace quorlin {
namespace {

// Draws the plot through its widget paint buffers, the path the screen uses.
QImage renderWidget(QCustomPlot& plot, QSize size) {
    plot.resize(size);
    plot.setViewport(QRect(QPoint(0, 0), size));
    plot.replot(QCustomPlot::rpImmediateRefresh);
    return plot.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

int differingPixels(const QImage& a, const QImage& b) {
    EXPECT_EQ(a.size(), b.size());
    int n = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y) {
        for (int x = 0; x < std::min(a.width(), b.width()); ++x) {
            n += a.pixel(x, y) != b.pixel(x, y);
        }
    }
    return n;
}

int pixelsOf(const QImage& image, const QColor& colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += image.pixel(x, y) == colour.rgb();
        }
    }
    return n;
}

// A stock graph whose segments are first cut to the chart's clip box, so that pixel
// coordinates beyond any integer draw as the lines they are.
class ClippedGraph : public QCPGraph {
  public:
    using QCPGraph::QCPGraph;

  protected:
    void drawLinePlot(QCPPainter* painter, const QVector<QPointF>& lines) const override {
        const QRectF box = clipBox(clipRect());
        const QPointF gap(qQNaN(), qQNaN());
        QVector<QPointF> cut;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            QPointF a = finitePixel(lines[i - 1]);
            QPointF b = finitePixel(lines[i]);
            if (qIsNaN(a.x() + a.y() + b.x() + b.y()) || !clipSegment(a, b, box)) {
                continue;
            }
            if (cut.isEmpty() || cut.back().x() != a.x() || cut.back().y() != a.y()) {
                cut.append(gap);
                cut.append(a);
            }
            cut.append(b);
        }
        QCPGraph::drawLinePlot(painter, cut);
    }
};

// A stock QCustomPlot set up like the chart, drawing every point (its own sampling off,
// aliased, one segment at a time): the picture the decimated chart must reproduce.
std::unique_ptr<QCustomPlot> referencePlot(QCustomPlotChart& chart, bool clipped = false) {
    QCustomPlot* shown = chart.customPlot();
    auto ref = std::make_unique<QCustomPlot>();
    ref->setNotAntialiasedElements(QCP::aePlottables);
    ref->setPlottingHints(ref->plottingHints() | QCP::phFastPolylines);
    ref->xAxis->setLabel(shown->xAxis->label());
    ref->yAxis->setLabel(shown->yAxis->label());
    ref->xAxis->setRange(shown->xAxis->range());
    ref->yAxis->setRange(shown->yAxis->range());
    ref->axisRect()->setBackground(shown->axisRect()->backgroundBrush());
    for (int g = 0; g < shown->graphCount(); ++g) {
        QCPGraph* graph =
            clipped ? new ClippedGraph(ref->xAxis, ref->yAxis) : ref->addGraph();  // plot owns
        graph->setPen(shown->graph(g)->pen());
        graph->setAdaptiveSampling(false);
    }
    return ref;
}

// Noise on a slow wave with single-sample spikes in both directions.
std::shared_ptr<PointTable> spikyHistory(qint64 n, unsigned seed, double dt) {
    auto t = std::make_shared<PointTable>();
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 0.3);
    std::uniform_int_distribution<int> spike(0, 499);
    for (qint64 i = 0; i < n; ++i) {
        double v = std::sin(static_cast<double>(i) * 1e-4) * 2 + noise(rng);
        const int s = spike(rng);
        v += s == 0 ? 4.5 : (s == 1 ? -4.5 : 0.0);
        t->setLast(static_cast<double>(i) * dt, v);
        t->addEmptyColumn();
    }
    return t;
}

std::vector<std::pair<double, double>> shownPoints(QCustomPlotChart& chart, int plot) {
    std::vector<std::pair<double, double>> out;
    const auto data = chart.customPlot()->graph(plot - 1)->data();
    for (auto it = data->constBegin(); it != data->constEnd(); ++it) {
        out.emplace_back(it->key, it->value);
    }
    return out;
}

TEST(QCustomPlotChartPicture, decimatedSpikyHistory_drawsSamePixelsAsEveryPoint) {
    QCustomPlotChart chart;
    const qint64 n = 150000;
    std::shared_ptr<PointTable> tables[3] = {spikyHistory(n, 1, 0.01), spikyHistory(n, 2, 0.01),
                                             spikyHistory(n, 3, 0.013)};
    for (int p = 0; p < 3; ++p) {
        chart.replacePlotData(p + 1, tables[p]);
    }
    for (const QSize size : {QSize(800, 400), QSize(523, 311)}) {
        chart.redrawNow();
        const QImage decimated = renderWidget(*chart.customPlot(), size);
        EXPECT_LE(chart.drawnPointCount(1), 4 * size.width() + 2);

        auto full = referencePlot(chart);
        auto thinned = referencePlot(chart);  // every 8th point: loses spikes
        for (int p = 0; p < 3; ++p) {
            for (qint64 c = 0; c < tables[p]->filledCount(); ++c) {
                full->graph(p)->addData(tables[p]->x(c), tables[p]->y(c));
                if (c % 8 == 0) {
                    thinned->graph(p)->addData(tables[p]->x(c), tables[p]->y(c));
                }
            }
        }
        const QImage all = renderWidget(*full, size);
        EXPECT_EQ(differingPixels(decimated, all), 0) << size.width() << "x" << size.height();
        EXPECT_GT(differingPixels(renderWidget(*thinned, size), all), 100);
        EXPECT_GT(pixelsOf(decimated, chart.customPlot()->graph(2)->pen().color()), 1000);
    }
}

TEST(QCustomPlotChartPicture, viewShowingPartOfHistory_drawsSamePixelsAsEveryPoint) {
    QCustomPlotChart chart;
    auto table = spikyHistory(120000, 7, 0.01);
    chart.replacePlotData(5, table);
    chart.setXRange(300.3, 900.7);  // points beyond both edges
    chart.setYMaximum(3);
    chart.setYMinimum(-4);
    chart.redrawNow();
    const QImage decimated = renderWidget(*chart.customPlot(), QSize(640, 300));

    auto full = referencePlot(chart);
    for (qint64 c = 0; c < table->filledCount(); ++c) {
        full->graph(4)->addData(table->x(c), table->y(c));
    }
    EXPECT_EQ(differingPixels(decimated, renderWidget(*full, QSize(640, 300))), 0);
}

TEST(QCustomPlotChartPicture, valuesFarOutsideTheRanges_drawSamePixelsAsEveryPoint) {
    constexpr double kMax = std::numeric_limits<double>::max();
    constexpr double kTiny = std::numeric_limits<double>::denorm_min();
    struct Case {
        const char* name;
        QCPRange x;  // empty: automatic
        QCPRange y;
        std::function<double(qint64, double)> value;  // scan, noise in [-1, 1]
    };
    const Case cases[] = {
        {"spikes of 1e300",
         {},
         {-5, 5},
         [](qint64 i, double n) { return i % 211 == 0 ? (i % 2 ? 1e300 : -1e300) : n * 3; }},
        {"range of 2e-9",
         {},
         {-1e-9, 1e-9},
         [](qint64 i, double n) { return n * 1.5e-9 + (i % 307 == 0 ? 1.0 : 0.0); }},
        {"1e300 on a range of 2e-9",
         {},
         {-1e-9, 1e-9},
         [](qint64 i, double n) {
             return i % 101 == 0 ? -1e300 : n * 1e-9 + (i % 97 ? 0 : 1e300);
         }},
        {"largest and smallest doubles",
         {},
         {-5, 5},
         [](qint64 i, double n) {
             const double pick[] = {kMax, -kMax, kTiny, -kTiny, 0};
             return i % 53 == 0 ? pick[(i / 53) % 5] : n * 4;
         }},
        {"X range of 1e-8 s",
         {200.005, 200.005 + 1e-8},
         {-5, 5},
         [](qint64, double n) { return n * 4; }},
    };
    for (const Case& c : cases) {
        QCustomPlotChart chart;
        auto table = std::make_shared<PointTable>();
        std::mt19937 rng(17);
        std::uniform_real_distribution<double> noise(-1, 1);
        for (qint64 i = 0; i < 40000; ++i) {
            table->setLast(static_cast<double>(i) * 0.01, c.value(i, noise(rng)));
            table->addEmptyColumn();
        }
        chart.replacePlotData(3, table);
        chart.setYMaximum(c.y.upper);
        chart.setYMinimum(c.y.lower);
        if (c.x.size() > 0) {
            chart.setXRange(c.x.lower, c.x.upper);
        }
        chart.redrawNow();
        const QSize size(640, 300);
        const QImage decimated = renderWidget(*chart.customPlot(), size);

        auto full = referencePlot(chart, true);
        for (qint64 col = 0; col < table->filledCount(); ++col) {
            full->graph(2)->addData(table->x(col), table->y(col));
        }
        EXPECT_EQ(differingPixels(decimated, renderWidget(*full, size)), 0) << c.name;
        EXPECT_GT(pixelsOf(decimated, chart.customPlot()->graph(2)->pen().color()), 200) << c.name;
    }
}

TEST(QCustomPlotChartPicture, pointFarOutsideTheRange_drawsALineLeavingThePlot) {
    // Between points a second apart lie points half way, far above or below the range: the
    // lines to them leave the plot straight up or down from each point, as the stock graph
    // draws lines to points just beyond the edge above each point.
    constexpr double kMax = std::numeric_limits<double>::max();
    struct Case {
        double lower, upper, far;
    };
    for (const Case& c : {Case{-5, 5, 1e300}, Case{-1e-9, 1e-9, 1e300}, Case{-5, 5, kMax}}) {
        QCustomPlotChart chart;
        auto table = std::make_shared<PointTable>();
        chart.replacePlotData(1, table);
        chart.setXRange(-0.5, 9.5);
        chart.setYMaximum(c.upper);
        chart.setYMinimum(c.lower);
        auto expected = referencePlot(chart);
        QCPGraph* lines = expected->graph(0);
        const double size = c.upper - c.lower;
        for (int k = 0; k < 10; ++k) {
            const double y = c.lower + size * (0.1 + 0.08 * k);
            const double sign = k % 2 ? -1 : 1;
            table->setLast(k, y);
            table->addEmptyColumn();
            table->setLast(k + 0.5, sign * c.far);
            table->addEmptyColumn();
            const double beyond = sign > 0 ? c.upper + size : c.lower - size;
            lines->addData(k, y);
            lines->addData(k, beyond);
            if (k < 9) {
                lines->addData(k + 0.5, qQNaN());
                lines->addData(k + 1, beyond);
            }
        }
        chart.redrawNow();
        const QImage drawn = renderWidget(*chart.customPlot(), QSize(640, 300));
        EXPECT_EQ(differingPixels(drawn, renderWidget(*expected, QSize(640, 300))), 0) << c.far;
        EXPECT_GT(pixelsOf(drawn, lines->pen().color()), 1000);
    }
}

TEST(QCustomPlotChartPicture, operatorZoomedWindows_drawSamePixelsAsEveryPoint) {
    // A history of 4500 s; windows from a second (fewer points than pixels) to all of it.
    QCustomPlotChart chart;
    auto table = spikyHistory(150000, 11, 0.03);
    chart.replacePlotData(1, table);
    auto full = referencePlot(chart);
    for (qint64 c = 0; c < table->filledCount(); ++c) {
        full->graph(0)->addData(table->x(c), table->y(c));
    }
    struct Window {
        double lower, upper, yLower, yUpper;
    };
    for (const Window w : {Window{2000.013, 2001.013, -5, 5}, Window{1234.5, 1294.5, -1, 3},
                           Window{100, 3700, -5, 5}, Window{-10, 4600, -6, 6}}) {
        chart.setViewXRange(w.lower, w.upper);
        chart.setViewYRange(w.yLower, w.yUpper);
        chart.redrawNow();
        const QImage decimated = renderWidget(*chart.customPlot(), QSize(640, 300));
        full->xAxis->setRange(w.lower, w.upper);
        full->yAxis->setRange(w.yLower, w.yUpper);
        EXPECT_EQ(differingPixels(decimated, renderWidget(*full, QSize(640, 300))), 0) << w.lower;
        EXPECT_GT(pixelsOf(decimated, chart.customPlot()->graph(0)->pen().color()), 100);
    }
}

TEST(QCustomPlotChartPicture, frozenWhileTheHistoryGrows_drawsThePointsUpToTheFreeze) {
    QCustomPlotChart chart;
    auto table = spikyHistory(50000, 13, 0.01);
    chart.replacePlotData(2, table);
    chart.setXRange(0, 800);
    chart.redrawNow();
    chart.setFrozen(true);
    const qint64 frozenAt = table->filledCount();
    auto more = spikyHistory(30000, 14, 0.01);
    for (qint64 c = 0; c < more->filledCount(); ++c) {
        table->setLast(500 + more->x(c), more->y(c));
        chart.replacePlotData(2, table);
        table->addEmptyColumn();
    }
    chart.setViewXRange(300, 700);  // zooming a frozen view still shows only its points
    chart.redrawNow();
    const QImage frozen = renderWidget(*chart.customPlot(), QSize(600, 300));
    auto upToFreeze = referencePlot(chart);
    for (qint64 c = 0; c < frozenAt; ++c) {
        upToFreeze->graph(1)->addData(table->x(c), table->y(c));
    }
    EXPECT_EQ(differingPixels(frozen, renderWidget(*upToFreeze, QSize(600, 300))), 0);

    chart.setFrozen(false);
    chart.redrawNow();
    EXPECT_GT(differingPixels(renderWidget(*chart.customPlot(), QSize(600, 300)), frozen), 100);
}

TEST(QCustomPlotChartPicture, historyGrownScanByScan_drawsSamePixelsAsEveryPoint) {
    // The redraws after each scan take up the previous one's work: the end result must
    // still be the picture of every point.
    QCustomPlotChart chart;
    const QSize size(700, 350);
    renderWidget(*chart.customPlot(), size);
    auto table = std::make_shared<PointTable>();
    const auto source = spikyHistory(60000, 9, 0.02);
    for (qint64 c = 0; c < source->filledCount(); ++c) {
        table->setLast(source->x(c), c % 5000 == 4999 ? 0.0 : source->y(c));
        if (c % 5000 == 4999) {
            chart.replacePlotData(2, table);
            chart.redrawNow();
            renderWidget(*chart.customPlot(), size);
            table->setLast(source->x(c), source->y(c));  // the last column rewritten
        }
        chart.replacePlotData(2, table);
        table->addEmptyColumn();
        if (c % 997 == 0 || c > 59990) {
            chart.redrawNow();
            renderWidget(*chart.customPlot(), size);
        }
    }
    chart.redrawNow();
    const QImage grown = renderWidget(*chart.customPlot(), size);
    EXPECT_GT(chart.customPlot()->xAxis->range().upper, 1199);

    auto full = referencePlot(chart);
    for (qint64 c = 0; c < source->filledCount(); ++c) {
        full->graph(1)->addData(source->x(c), source->y(c));
    }
    EXPECT_EQ(differingPixels(grown, renderWidget(*full, size)), 0);
}

using Tables = std::array<std::shared_ptr<PointTable>, 8>;

// The same plots drawn by a chart that has drawn nothing before, so painted as a whole.
QImage fullRepaint(QCustomPlotChart& shown, const Tables& tables, QSize size) {
    QCustomPlotChart fresh;
    QCustomPlot* from = shown.customPlot();
    QCustomPlot* to = fresh.customPlot();
    for (int g = 0; g < 8; ++g) {
        to->graph(g)->setPen(from->graph(g)->pen());
        to->graph(g)->setVisible(from->graph(g)->visible());
        if (tables[static_cast<std::size_t>(g)]) {
            fresh.replacePlotData(g + 1, tables[static_cast<std::size_t>(g)]);
        }
    }
    fresh.setXRange(from->xAxis->range().lower, from->xAxis->range().upper);
    fresh.setYMinimum(from->yAxis->range().lower);
    fresh.setYMaximum(from->yAxis->range().upper);
    fresh.setBackgroundColour(shown.backgroundColour());
    return renderWidget(*to, size);
}

// Noise with spikes on two plots that overlap, and a third that holds a level for a while
// and then jumps (long flat lines, steep lines across many pixel columns).
double scanValue(std::size_t plot, qint64 scan, std::mt19937& rng) {
    std::normal_distribution<double> noise(0.0, 0.4);
    const bool spike = rng() % 97 == 0;
    switch (plot) {
        case 0:
            return noise(rng) + (spike ? 4.0 : 0.0);
        case 2:
            return std::sin(static_cast<double>(scan) * 0.01) * 2 + noise(rng) - (spike ? 4 : 0);
        default:
            return static_cast<double>((scan / 37) % 7) - 3.0;
    }
}

TEST(QCustomPlotChartPicture, repaintingOnlyChangedColumns_givesTheFullRepaintsPicture) {
    QCustomPlotChart chart;
    QSize size(640, 320);
    renderWidget(*chart.customPlot(), size);
    std::mt19937 rng(5);
    Tables tables;
    const std::array<std::size_t, 3> plots = {0, 2, 5};
    auto restart = [&] {
        for (std::size_t p : plots) {
            tables[p] = std::make_shared<PointTable>();
        }
    };
    qint64 scan = 0;
    auto grow = [&](qint64 scans) {
        for (const qint64 end = scan + scans; scan < end; ++scan) {
            const double x = static_cast<double>(scan) * 0.02;
            if (scan % 3 == 0) {
                // Drawn with a value that the last column is then rewritten with another.
                for (std::size_t p : plots) {
                    tables[p]->setLast(x, p == 5 ? 4.5 : -4.5);
                    chart.replacePlotData(static_cast<int>(p) + 1, tables[p]);
                }
                chart.redrawNow();
            }
            for (std::size_t p : plots) {
                tables[p]->setLast(x, scanValue(p, scan, rng));
                chart.replacePlotData(static_cast<int>(p) + 1, tables[p]);
            }
            for (std::size_t p : plots) {
                tables[p]->addEmptyColumn();
            }
            chart.redrawNow();
        }
    };
    auto check = [&](const char* after) {
        EXPECT_EQ(differingPixels(renderWidget(*chart.customPlot(), size),
                                  fullRepaint(chart, tables, size)),
                  0)
            << after << ", scan " << scan;
    };
    // Faults of the column-wise repaint stay on screen only until the next full repaint
    // (axis step, resize, ...), so each check comes after partial repaints only.
    restart();
    grow(40);  // a few points far apart: lines cross many columns
    check("sparse start");
    const QCPRange early = chart.customPlot()->xAxis->range();
    grow(800);
    for (const qint64 full = chart.fullRepaintCount(); chart.fullRepaintCount() == full;) {
        grow(1);
    }
    EXPECT_NE(chart.customPlot()->xAxis->range(), early);  // the axis moved on in steps
    grow(80);
    check("growth after an axis step");
    EXPECT_GT(chart.partialRepaintCount(), 1000);
    EXPECT_LT(chart.fullRepaintCount(), 100);

    chart.setXRange(0, 60);
    grow(300);
    check("fixed range");
    size = QSize(500, 280);
    renderWidget(*chart.customPlot(), size);
    grow(100);
    check("resize");
    chart.setPlotColour(3, rgbValue(0, 128, 255));
    grow(100);
    check("colour change");
    chart.setYMaximum(7);
    grow(100);
    check("Y range change");
    chart.setPlotVisible(6, false);
    grow(100);  // plot 6 grows while hidden
    check("plot hidden");
    chart.setPlotVisible(6, true);
    grow(100);
    check("plot shown again");
    chart.setBackgroundColour(rgbValue(40, 40, 40));
    grow(50);
    check("background change");

    const qint64 partial = chart.partialRepaintCount();
    chart.clear();
    restart();
    scan = 0;  // a new run over the old one's pixels
    grow(100);
    check("clear");
    EXPECT_GT(chart.partialRepaintCount(), partial + 90);

    auto full = referencePlot(chart);
    for (std::size_t p : plots) {
        for (qint64 c = 0; c < tables[p]->filledCount(); ++c) {
            full->graph(static_cast<int>(p))->addData(tables[p]->x(c), tables[p]->y(c));
        }
    }
    EXPECT_EQ(differingPixels(renderWidget(*chart.customPlot(), size), renderWidget(*full, size)),
              0);
}

TEST(QCustomPlotChartPicture, appendedScanByScan_repaintingChangedColumnsGivesFullPicture) {
    QCustomPlotChart chart;
    const QSize size(600, 300);
    renderWidget(*chart.customPlot(), size);
    chart.setXRange(0, 400);
    std::mt19937 rng(11);
    Tables tables;  // what was appended, for the full repaint
    tables[1] = std::make_shared<PointTable>();
    tables[3] = std::make_shared<PointTable>();
    double x = 0;
    for (qint64 scan = 0; scan < 1800; ++scan) {
        x += scan % 300 < 250 ? 0.05 : 1.2;  // dense stretches, and sparse ones
        for (std::size_t p : {std::size_t{1}, std::size_t{3}}) {
            // Noise with spikes, and a steep sawtooth: lines that rise across columns.
            const double y = p == 1 ? scanValue(0, scan, rng) : static_cast<double>(scan % 9) - 4;
            chart.appendPoint(static_cast<int>(p) + 1, x, y);
            tables[p]->setLast(x, y);
            tables[p]->addEmptyColumn();
        }
        chart.redrawNow();
        if (scan == 60 || scan == 290 || scan == 1499 || scan == 1799) {
            EXPECT_EQ(differingPixels(renderWidget(*chart.customPlot(), size),
                                      fullRepaint(chart, tables, size)),
                      0)
                << "scan " << scan;
        }
        if (scan == 1499) {
            chart.setXAutoRange();
        }
    }
    EXPECT_GT(chart.partialRepaintCount(), 1500);
}

TEST(QCustomPlotChart, widget_carriesNameCaptionsAndInitialRanges) {
    QCustomPlotChart chart;
    QCustomPlot* plot = chart.customPlot();
    ASSERT_EQ(chart.widget(), plot);
    EXPECT_EQ(plot->objectName(), "CWGraph1");
    EXPECT_EQ(plot->graphCount(), 8);
    EXPECT_EQ(plot->xAxis->label(), "Seconds");
    EXPECT_EQ(plot->yAxis->label(), "Volts");
    EXPECT_EQ(plot->xAxis->range(), QCPRange(0, 10));
    EXPECT_EQ(plot->yAxis->range(), QCPRange(-5, 5));
    EXPECT_EQ(chart.backgroundColour(), 0);
    EXPECT_EQ(plot->axisRect()->backgroundBrush().color(), QColor(0, 0, 0));
    for (int g = 0; g < 8; ++g) {
        EXPECT_FALSE(plot->graph(g)->adaptiveSampling());
    }
}

TEST(QCustomPlotChart, settings_reachTheWidget) {
    QCustomPlotChart chart;
    QCustomPlot* plot = chart.customPlot();
    chart.setYCaption("Scale");
    EXPECT_EQ(plot->yAxis->label(), "Scale");

    chart.setYMaximum(30);  // maximum first: the minimum is still the old one
    chart.setYMinimum(20);
    EXPECT_EQ(plot->yAxis->range(), QCPRange(20, 30));
    chart.setYMaximum(-20);
    chart.setYMinimum(-30);
    EXPECT_EQ(plot->yAxis->range(), QCPRange(-30, -20));

    chart.setXRange(2, 7);
    EXPECT_EQ(plot->xAxis->range(), QCPRange(2, 7));
    EXPECT_FALSE(chart.xAutoRange());

    chart.setPlotVisible(3, false);
    EXPECT_FALSE(plot->graph(2)->visible());
    EXPECT_TRUE(plot->graph(1)->visible());
    chart.setPlotVisible(3, true);
    EXPECT_TRUE(plot->graph(2)->visible());

    chart.setPlotColour(8, rgbValue(255, 0, 0));
    EXPECT_EQ(plot->graph(7)->pen().color(), QColor(255, 0, 0));
    chart.setBackgroundColour(rgbValue(10, 20, 30));
    EXPECT_EQ(chart.backgroundColour(), rgbValue(10, 20, 30));
    EXPECT_EQ(plot->axisRect()->backgroundBrush().color(), QColor(10, 20, 30));
}

TEST(QCustomPlotChart, badPlotNumber_throwsAppError) {
    QCustomPlotChart chart;
    EXPECT_THROW(chart.appendPoint(0, 1, 1), AppError);
    EXPECT_THROW(chart.replacePlotData(9, std::make_shared<PointTable>()), AppError);
    EXPECT_THROW(chart.setPlotVisible(-1, true), AppError);
}

TEST(QCustomPlotChartData, clearThenAppend_showsExactlyOnePoint) {
    QCustomPlotChart chart;
    for (int i = 0; i < 5; ++i) {
        chart.appendPoint(4, i, i * 0.5);
    }
    chart.replacePlotData(1, spikyHistory(10, 1, 1));
    chart.clear();
    chart.appendPoint(4, 2.5, 1.25);
    chart.redrawNow();
    EXPECT_EQ(shownPoints(chart, 4), (std::vector<std::pair<double, double>>{{2.5, 1.25}}));
    EXPECT_TRUE(shownPoints(chart, 1).empty());
}

TEST(QCustomPlotChartData, replace_showsExactlyTheFilledColumnsOfTheSharedTable) {
    QCustomPlotChart chart;
    auto table = std::make_shared<PointTable>();
    for (int i = 0; i < 3; ++i) {
        table->setLast(0.25 * i, 1.0 - i);
        table->addEmptyColumn();  // trailing empty column, as the scan loop leaves it
    }
    chart.replacePlotData(2, table);
    chart.redrawNow();
    using Points = std::vector<std::pair<double, double>>;
    EXPECT_EQ(shownPoints(chart, 2), (Points{{0, 1}, {0.25, 0}, {0.5, -1}}));

    // The table is kept, not copied: what is added to it shows at the next redraw.
    table->setLast(0.75, -2);
    chart.redrawNow();
    EXPECT_EQ(shownPoints(chart, 2), (Points{{0, 1}, {0.25, 0}, {0.5, -1}, {0.75, -2}}));

    // Appending afterwards continues the plot without touching the shared table.
    chart.appendPoint(2, 1.0, -3);
    chart.redrawNow();
    EXPECT_EQ(shownPoints(chart, 2), (Points{{0, 1}, {0.25, 0}, {0.5, -1}, {0.75, -2}, {1, -3}}));
    EXPECT_EQ(table->filledCount(), 4);
}

TEST(QCustomPlotChartData, pointsOutOfOrder_areAllDrawnInXOrder) {
    QCustomPlotChart chart;
    chart.appendPoint(1, 2, 20);
    chart.appendPoint(1, 1, 10);
    chart.appendPoint(1, 3, 30);
    chart.redrawNow();
    using Points = std::vector<std::pair<double, double>>;
    EXPECT_EQ(shownPoints(chart, 1), (Points{{1, 10}, {2, 20}, {3, 30}}));
}

TEST(QCustomPlotChartData, autoRange_followsDataInStepsAndKeepsRangeWithoutData) {
    QCustomPlotChart chart;
    QCustomPlot* plot = chart.customPlot();
    chart.setXRange(0, 10);
    chart.setXAutoRange();
    chart.redrawNow();
    EXPECT_EQ(plot->xAxis->range(), QCPRange(0, 10));

    chart.appendPoint(1, 4, 0);
    chart.redrawNow();
    EXPECT_EQ(plot->xAxis->range(), QCPRange(-1, 9));  // one point: centred, same width
    chart.appendPoint(1, 12, 0);
    chart.appendPoint(6, 3, 0);
    chart.redrawNow();
    const QCPRange first = plot->xAxis->range();
    EXPECT_EQ(first.lower, 3);
    EXPECT_GE(first.upper, 12);
    EXPECT_LE(first.upper, 3 + 9 * 1.5);

    chart.appendPoint(1, first.upper, 0);  // still inside: the axis stays
    chart.redrawNow();
    EXPECT_EQ(plot->xAxis->range(), first);
    chart.appendPoint(1, first.upper + 5, 0);  // beyond: it moves on
    chart.redrawNow();
    EXPECT_EQ(plot->xAxis->range().lower, 3);
    EXPECT_GE(plot->xAxis->range().upper, first.upper + 5);

    chart.clear();  // a new run far from the old range brings the axis back to it
    chart.appendPoint(2, 0, 0);
    chart.appendPoint(2, 1, 0);
    chart.redrawNow();
    EXPECT_EQ(plot->xAxis->range().lower, 0);
    EXPECT_LE(plot->xAxis->range().upper, 1.5);

    chart.setXRange(0, 10);  // a fixed range stops the following
    chart.appendPoint(1, 50, 0);
    chart.redrawNow();
    EXPECT_EQ(plot->xAxis->range(), QCPRange(0, 10));
}

TEST(QCustomPlotChartRedraw, manyChanges_giveOneDeferredReplot) {
    QCustomPlotChart chart;
    QCoreApplication::processEvents();  // whatever the widget queued for itself
    QSignalSpy replots(chart.customPlot(), &QCustomPlot::afterReplot);
    for (int i = 0; i < 100; ++i) {
        chart.appendPoint(1 + i % 8, i, 0);
    }
    chart.setPlotColour(1, rgbValue(1, 2, 3));
    EXPECT_EQ(replots.count(), 0);
    ASSERT_TRUE(replots.wait(30000));
    EXPECT_EQ(replots.count(), 1);
    EXPECT_EQ(chart.customPlot()->xAxis->range().lower, 0);
    EXPECT_GE(chart.customPlot()->xAxis->range().upper, 99);
    EXPECT_EQ(chart.drawnPointCount(1), 13);
}

}  // namespace
}  // namespace quorlin

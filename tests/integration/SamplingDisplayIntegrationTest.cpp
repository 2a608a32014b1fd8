// What the main window and the chart show during whole sampling runs against the simulated
// board: scaled values, tares, peaks and the peak file, Channel Range, the chart's points.

#include "chart/DecimatedGraph.h"
#include "display/MainWindow.h"
#include "integration/SamplingRun.h"
#include "platform/QCustomPlotChart.h"

#include <QFile>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace quorlin::test {
namespace {

using namespace std::chrono_literals;

void clickTare(AppHarness& h, int channel) {
    auto* button =
        h.main().window().findChild<QPushButton*>(QStringLiteral("cmdTare%1").arg(channel));
    ASSERT_NE(button, nullptr);
    button->click();
    h.settle();
}

QStringList fileLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

// How many scans the program has closed: at least those the board saw it go on from, at most
// as many as channel 7 had good replies.
struct ScanBounds {
    int least;
    int most;
};
ScanBounds scanBounds(AppHarness& h) {
    const std::vector<sim::Exchange> ex = readings(h);
    const auto good7 = std::count_if(ex.begin(), ex.end(), [](const sim::Exchange& e) {
        return e.channel == kChannelCount - 1 && e.good;
    });
    return {closedScans(ex), static_cast<int>(good7)};
}

TEST(SamplingIntegrationDisplay, scaledValuesFollowTheBoardAndTareDuringTheRun) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(startProgram(h, [](SettingsModel& s) {
        s.Slope[0] = 2;
        s.Offset[0] = 1;
        s.CalibrationMode[1] = true;
        s.Polynomial[1].PolyOrder = 2;
        s.Polynomial[1].PolyCoeff.fill(7);  // above the order: ignored
        s.Polynomial[1].PolyCoeff[0] = 1;
        s.Polynomial[1].PolyCoeff[1] = 2;
        s.Polynomial[1].PolyCoeff[2] = 3;
        s.Slope[2] = -1.5;
        s.Offset[2] = 0.25;
    }));
    // CH0 alternates 1.221 V and 0.61 V; CH1 reads 1.221 V, CH2 -0.61 V.
    h.board().setSource(0, sim::Source::scripted({rawOf(2), rawOf(1)}));
    h.board().setSource(1, sim::Source::constant(rawOf(2)));
    h.board().setSource(2, sim::Source::constant(rawOf(-1)));
    ShownTexts shown(h);
    toggleSampling(h);
    ASSERT_TRUE(waitForScans(h, 3));

    EXPECT_EQ(h.model().row(1).scaledText, "7.9145");  // 1 + 2x + 3x² at 1.221, 4 decimals
    EXPECT_EQ(h.values().ChannelScaled[1], 7.9145);
    EXPECT_EQ(h.model().row(2).scaledText, "1.165");
    ASSERT_GE(shown.scaled[0].size(), 3);
    for (const QString& t : shown.scaled[0]) {
        EXPECT_TRUE(t == "3.442" || t == "2.22") << t.toStdString();
    }

    const QString atTare = h.model().row(0).scaledText;
    clickTare(h, 0);
    EXPECT_EQ(h.model().row(0).tareCaption, "Untare");
    EXPECT_EQ(h.values().ChannelTare[0], atTare.toDouble());  // the value the box showed
    const QString otherLevel =
        atTare == "3.442" ? QStringLiteral("-1.222") : QStringLiteral("1.222");
    // The engine may have taken the next reading before the click reached it.
    EXPECT_TRUE(h.model().row(0).scaledText == "0" || h.model().row(0).scaledText == otherLevel)
        << h.model().row(0).scaledText.toStdString();
    const qsizetype tared = shown.scaled[0].size();
    ASSERT_TRUE(h.waitFor([&] { return shown.scaled[0].size() >= tared + 3; }));
    // From the tared value the scaled value follows the readings: 0 and the other level.
    const QStringList afterTare = shown.scaled[0].mid(tared);
    ASSERT_GE(afterTare.size(), 3);
    for (const QString& t : afterTare) {
        EXPECT_TRUE(t == "0" || t == otherLevel) << t.toStdString();
    }
    EXPECT_TRUE(afterTare.contains(otherLevel));

    clickTare(h, 0);
    EXPECT_EQ(h.model().row(0).tareCaption, "Tare");
    EXPECT_EQ(h.values().ChannelTare[0], 0.0);
    const QString untared = h.model().row(0).scaledText;
    EXPECT_TRUE(untared == "3.442" || untared == "2.22") << untared.toStdString();
    toggleSampling(h);
    EXPECT_EQ(h.model().row(0).tareCaption, "Tare");
    EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'|').toStdString();
}

TEST(SamplingIntegrationDisplay, peaksTrackTheBoardsExtremesAndStopWritesThePeakFileOnce) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(startProgram(h, [](SettingsModel& s) {
        s.PeakDisplay[0] = 2;
        s.PeakDisplay[5] = 1;
    }));
    h.board().setSource(0, sim::Source::scripted({rawOf(1), rawOf(3), rawOf(2), rawOf(-1)}));
    h.board().setSource(5, sim::Source::scripted({rawOf(2), rawOf(-2), rawOf(1)}));
    h.board().setSource(3, sim::Source::scripted({rawOf(4), rawOf(-4)}));
    h.trigger(h.model().mnuPeakOn);
    EXPECT_EQ(h.model().row(0).peakText, "-10000");
    EXPECT_EQ(h.model().row(5).peakText, "10000");
    ShownTexts shown(h);
    toggleSampling(h);
    ASSERT_TRUE(waitForScans(h, 5));

    EXPECT_EQ(shown.peak[0], QStringList({"0.61", "1.831"}));
    EXPECT_EQ(shown.peak[5], QStringList({"1.221", "-1.221"}));
    EXPECT_TRUE(shown.peak[3].isEmpty());
    EXPECT_EQ(h.model().row(3).peakText, "0");
    EXPECT_TRUE(h.model().row(3).peakTimeText.isEmpty());
    const QString maxTime = h.model().row(0).peakTimeText;
    const QString minTime = h.model().row(5).peakTimeText;
    EXPECT_FALSE(maxTime.isEmpty());
    EXPECT_FALSE(minTime.isEmpty());
    toggleSampling(h);

    const QString peakFile = h.appFolder() + QStringLiteral("/Logs/Peak.csv");
    const QStringList lines = fileLines(peakFile);
    ASSERT_EQ(lines.size(), 14);
    EXPECT_EQ(lines[6], QStringLiteral("CH0,") + maxTime + QStringLiteral(",1.831,2"));
    EXPECT_EQ(lines[9], "CH3,,0,0");
    EXPECT_EQ(lines[11], QStringLiteral("CH5,") + minTime + QStringLiteral(",-1.221,1"));
    for (int k = 0; k < kChannelCount; ++k) {
        EXPECT_EQ(h.model().row(k).peakText, "0");
        EXPECT_TRUE(h.model().row(k).peakTimeText.isEmpty());
    }
    EXPECT_FALSE(h.model().mnuPeakOn->isChecked());
    EXPECT_FALSE(h.settings().PeakOn);

    // Peak tracking ended with the run: the next run neither tracks nor writes the file.
    ASSERT_TRUE(QFile::remove(peakFile));
    toggleSampling(h);
    ASSERT_TRUE(waitForScans(h, closedScans(readings(h)) + 2));
    EXPECT_EQ(h.model().row(0).peakText, "0");
    toggleSampling(h);
    EXPECT_FALSE(QFile::exists(peakFile));
    EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'|').toStdString();
}

TEST(SamplingIntegrationDisplay, channelRangeNamesEqualValuesByTheRuleEachScanAndClearsAtStop) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(startProgram(h, [](SettingsModel& s) {
        s.ChannelActive.fill(0);
        s.ChannelActive[1] = 1;
        s.ChannelActive[4] = 1;
        s.ChannelActive[6] = 1;
    }));
    // Scan A: CH1 0.61, CH4 -1.221, CH6 0.61.  Scan B: CH1 -1.221, CH4 -1.221, CH6 1.831.
    h.board().setSource(1, sim::Source::scripted({rawOf(1), rawOf(-2)}));
    h.board().setSource(4, sim::Source::constant(rawOf(-2)));
    h.board().setSource(6, sim::Source::scripted({rawOf(1), rawOf(3)}));
    h.board().setSource(2, sim::Source::constant(rawOf(-5)));  // not active: never named

    QTest::keyClick(&h.main().window(), Qt::Key_F8, Qt::ControlModifier);
    ASSERT_TRUE(h.model().mnuChannelRangeVolts->isVisible());
    h.trigger(h.model().mnuChannelRangeVolts);
    ASSERT_TRUE(h.model().readoutVisible());

    QStringList readouts;
    QObject::connect(&h.model(), &MainWindowModel::readoutChanged, [&](ReadoutField f) {
        const MainWindowModel& m = h.model();
        if (f == ReadoutField::DiffText && h.engine().isSampling()) {
            readouts.append(
                QStringList{m.hiLabel(), m.hiText(), m.loLabel(), m.loText(), m.diffText()}.join(
                    u' '));
        }
    });
    toggleSampling(h);
    ASSERT_TRUE(h.model().mnuSample->isChecked());
    ASSERT_TRUE(waitForScans(h, 5));
    toggleSampling(h);

    const QString scanA = QStringLiteral("CH6 0.61 CH4 -1.221 1.831");
    const QString scanB = QStringLiteral("CH6 1.831 CH1 -1.221 3.052");
    ASSERT_GE(readouts.size(), 4);
    for (qsizetype i = 0; i < readouts.size(); ++i) {
        EXPECT_EQ(readouts[i], i % 2 == 0 ? scanA : scanB) << "scan " << i;
    }
    EXPECT_EQ(h.model().hiLabel(), "High");
    EXPECT_EQ(h.model().loLabel(), "Low");
    EXPECT_TRUE(h.model().hiText().isEmpty());
    EXPECT_TRUE(h.model().loText().isEmpty());
    EXPECT_TRUE(h.model().diffText().isEmpty());
    EXPECT_TRUE(h.model().mnuChannelRangeVolts->isChecked());
    EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'|').toStdString();
}

TEST(SamplingIntegrationDisplay, autoScale_eachScanAppendsOnePointPerPlot) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(startProgram(h));
    for (int k = 0; k < kChannelCount; ++k) {
        h.board().setSource(k, sim::Source::constant(rawOf(k + 1)));
    }
    h.model().setChecked(2, false);
    toggleSampling(h);
    ASSERT_TRUE(waitForScans(h, 3));

    const ScanBounds scans = scanBounds(h);
    const RecordingChart& chart = *h.recordingChart;
    const size_t points = chart.appended[1].size();
    EXPECT_GE(points, static_cast<size_t>(scans.least));
    EXPECT_LE(points, static_cast<size_t>(scans.most));
    EXPECT_FALSE(chart.visible[3]);
    for (int k = 0; k < kChannelCount; ++k) {
        const auto& plot = chart.appended[plotOfChannel(k)];
        ASSERT_EQ(plot.size(), points) << "CH" << k;
        const double volts = k == 2 ? 0.0 : sim::rawToVolts(rawOf(k + 1));
        for (size_t i = 0; i < plot.size(); ++i) {
            EXPECT_EQ(plot[i].second, volts) << "CH" << k << " #" << i;
            EXPECT_EQ(plot[i].first, chart.appended[1][i].first);  // one time per scan
            if (i > 0) {
                EXPECT_GE(plot[i].first, plot[i - 1].first);
            }
        }
    }
    toggleSampling(h);
    EXPECT_TRUE(chart.points(1).empty());
}

TEST(SamplingIntegrationDisplay, continuous_plotTablesGrowByOneColumnPerScan) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(startProgram(h, [](SettingsModel& s) {
        s.GraphMethod = QStringLiteral("Continuous");
        s.Slope.fill(2);
    }));
    h.settings().GraphScale = true;  // a choice of the configuration window, not of the file
    for (int k = 0; k < kChannelCount; ++k) {
        h.board().setSource(k, sim::Source::constant(rawOf(k + 1)));
    }
    toggleSampling(h);
    EXPECT_EQ(h.recordingChart->yCaption, "Scale");
    ASSERT_TRUE(waitForScans(h, 3));
    h.board().setSilent(true);  // the scans closed by now are all the window will get
    ASSERT_TRUE(h.waitForBoardToCatchUp());

    const ScanBounds scans = scanBounds(h);
    const auto& history = h.main().plotArrays().PlotHistory();
    ASSERT_TRUE(h.waitFor([&] { return history[0]->filledCount() >= scans.least; }));
    const qint64 filled = history[0]->filledCount();
    EXPECT_GE(filled, scans.least);
    EXPECT_LE(filled, scans.most);
    for (int k = 0; k < kChannelCount; ++k) {
        const PointTable& table = *history[k];
        EXPECT_EQ(h.recordingChart->table[plotOfChannel(k)].get(), &table) << "CH" << k;
        ASSERT_EQ(table.filledCount(), filled) << "CH" << k;
        EXPECT_EQ(table.columnCount(), filled + 1) << "CH" << k;  // the next scan's column
        for (qint64 c = 0; c < filled; ++c) {
            // The history keeps floats.
            EXPECT_EQ(table.y(c), static_cast<float>(2 * sim::rawToVolts(rawOf(k + 1))))
                << "CH" << k;
            EXPECT_EQ(table.x(c), history[0]->x(c));
        }
    }
    h.board().setSilent(false);
    ASSERT_TRUE(waitForScans(h, scans.most + 2));
    ASSERT_TRUE(h.waitFor([&] { return history[0]->filledCount() >= filled + 2; }));
    EXPECT_EQ(history[0]->columnCount(), history[0]->filledCount() + 1);
    toggleSampling(h);
    EXPECT_EQ(h.main().plotArrays().PlotHistory()[0]->filledCount(), 0);
}

TEST(SamplingIntegrationDisplay, realChart_drawsTheScansOfTheRun) {
    AppHarness h;
    ASSERT_TRUE(startProgram(h));
    h.show();
    for (int k = 0; k < kChannelCount; ++k) {
        h.board().setSource(k, sim::Source::constant(rawOf(k - 3)));
    }
    auto& chart = dynamic_cast<QCustomPlotChart&>(h.main().chart());
    toggleSampling(h);
    ASSERT_TRUE(waitForScans(h, 3));

    const ScanBounds scans = scanBounds(h);
    chart.redrawNow();
    for (int k = 0; k < kChannelCount; ++k) {
        const auto* graph = dynamic_cast<DecimatedGraph*>(chart.customPlot()->graph(k));
        ASSERT_NE(graph, nullptr);
        ASSERT_TRUE(graph->source()) << "CH" << k;
        const PointTable& table = *graph->source();
        EXPECT_GE(table.filledCount(), scans.least) << "CH" << k;
        EXPECT_LE(table.filledCount(), scans.most) << "CH" << k;
        EXPECT_EQ(table.y(0), static_cast<float>(sim::rawToVolts(rawOf(k - 3)))) << "CH" << k;
        EXPECT_GT(chart.drawnPointCount(plotOfChannel(k)), 0) << "CH" << k;
        EXPECT_LE(chart.drawnPointCount(plotOfChannel(k)), table.filledCount()) << "CH" << k;
    }
    toggleSampling(h);
    chart.redrawNow();
    EXPECT_EQ(chart.drawnPointCount(1), 0);
}

}  // namespace
}  // namespace quorlin::test

#include "display/DataReviewWindow.h"

#include "common/NumberText.h"
#include "common/TextFile.h"
#include "config/SettingsModel.h"
#include "platform/AppFolders.h"
#include "platform/QCustomPlotChart.h"
#include "recording/DataFile.h"
#include "support/Fakes.h"
#include "support/TempFolder.h"

#include <qcustomplot.h>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace quorlin;
using namespace quorlin::test;

namespace {

class DataReviewWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(temp.path()).mkdir(QStringLiteral("Data Files")));
        settings.CurrentCommPort = 1;
        settings.VersionText = QStringLiteral("2.1.3");
        dialog.answers.push_back(path);
        ASSERT_EQ(data.ChooseDataFile(), path);
    }

    // Records `rows` scans through the real data file, four per second: CH0 counts up by .5,
    // CH2 holds -1, the other channels are not ticked (0).
    void record(int rows) {
        PerChannel<double> volts{};
        for (int i = 0; i < rows; ++i) {
            volts[0] = 0.5 * i;
            volts[2] = -1;
            clock.now = start.addMSecs(250 * i);
            data.WriteToFile(shortNumberText(0.25 * i), volts);
        }
    }

    DataReviewWindow& openWindow() {
        auto model = std::make_unique<DataReviewModel>(path, clock, timers);
        EXPECT_TRUE(model->open()) << model->errorText().toStdString();
        window = std::make_unique<DataReviewWindow>(std::move(model), colours, 0);
        window->show();
        window->model().startLoading();
        return *window;
    }
    // Runs the slices the event loop would run; false when the model stopped asking.
    bool runSlice() {
        FakeTimer* t = timers.created.at(0);
        if (!t->isActive()) {
            return false;
        }
        t->fire();
        return true;
    }
    template <class T = QLabel>
    T* find(const char* name) {
        T* w = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    TempFolder temp;
    AppFolders folders{temp.path()};
    QString path = folders.dataFiles() + QStringLiteral("/run.csv");
    SettingsModel settings;
    FakeClock clock;
    RecordingErrorHandler errors;
    FakeFileDialog dialog;
    DataFile data{settings, folders, clock, errors, dialog};
    const QDateTime start = clock.now;
    FakeTimerFactory timers;
    PerChannel<ColourValue> colours = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFF00,
                                       0x00FFFF, 0xFF00FF, 0x808080, 0xFFFFFF};
    std::unique_ptr<DataReviewWindow> window;
};

}  // namespace

TEST_F(DataReviewWindowTest, showsARecordedFileWithTheChannelsThatHaveData) {
    record(41);  // 10 s
    DataReviewWindow& w = openWindow();
    while (runSlice()) {
    }
    ASSERT_EQ(w.model().state(), DataReviewModel::State::Loaded);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Data File - run.csv"));
    EXPECT_TRUE(find("lblReviewTitle")
                    ->text()
                    .startsWith(QStringLiteral(
                        "Kestova Quorlin data file, version 2.1.3, created 2026-12-07 14:05:09")));
    EXPECT_EQ(find("lblReviewSpan")->text(),
              QStringLiteral("From 2026-12-07 14:05:09 to 2026-12-07 14:05:19: 10 s in 41 rows."));
    EXPECT_TRUE(find("lblReviewNotice")->isHidden());
    EXPECT_TRUE(find<QProgressBar>("prgReviewLoad")->isHidden());

    // CH0 and CH2 recorded something; the unticked channels only zeros.
    QCustomPlot* plot = w.chart().customPlot();
    EXPECT_TRUE(plot->graph(0)->visible());
    EXPECT_FALSE(plot->graph(1)->visible());
    EXPECT_TRUE(plot->graph(2)->visible());
    EXPECT_TRUE(find("lblReviewCH1")->isHidden());
    EXPECT_EQ(plot->xAxis->range().lower, 0);
    EXPECT_EQ(plot->xAxis->range().upper, 10);
    w.chart().redrawNow();
    EXPECT_EQ(w.chart().drawnPointCount(1), 41);

    EXPECT_EQ(find("txtReviewMinCH0")->text(), QStringLiteral("0"));
    EXPECT_EQ(find("txtReviewMaxCH0")->text(), QStringLiteral("20"));
    EXPECT_EQ(find("txtReviewMeanCH0")->text(), QStringLiteral("10"));
    EXPECT_EQ(find("txtReviewMeanCH2")->text(), QStringLiteral("-1"));

    find<QCheckBox>("chkReviewAllChannels")->click();
    EXPECT_TRUE(plot->graph(1)->visible());
    EXPECT_FALSE(find("lblReviewCH1")->isHidden());
    EXPECT_EQ(find("txtReviewMaxCH1")->text(), QStringLiteral("0"));
}

TEST_F(DataReviewWindowTest, figuresFollowTheVisibleTimeWindow) {
    record(41);
    DataReviewWindow& w = openWindow();
    while (runSlice()) {
    }
    // Seconds 2 to 3 hold the rows 8 to 12: CH0 from 4 to 6.
    w.chart().customPlot()->xAxis->setRange(2, 3);
    EXPECT_EQ(find("txtReviewMinCH0")->text(), QStringLiteral("4"));
    EXPECT_EQ(find("txtReviewMaxCH0")->text(), QStringLiteral("6"));
    EXPECT_EQ(find("txtReviewMeanCH0")->text(), QStringLiteral("5"));
    w.chart().customPlot()->xAxis->setRange(20, 30);
    EXPECT_EQ(find("txtReviewMinCH0")->text(), QString());
}

TEST_F(DataReviewWindowTest, badRowsAreSkippedWithALineSayingSo) {
    record(4);
    appendToFile(path, "2026-12-07 14:05:10,1.25,oops,0,0,0,0,0,0,0\r\nx\r\n");
    record(2);  // a new sampling run
    DataReviewWindow& w = openWindow();
    while (runSlice()) {
    }
    EXPECT_EQ(find("lblReviewNotice")->text(),
              QStringLiteral("2 rows could not be read and were skipped; the first is line 10, "
                             "which has a CH0 value that is not a number (\"oops\")."));
    EXPECT_FALSE(find("lblReviewNotice")->isHidden());
    EXPECT_TRUE(
        find("lblReviewSpan")->text().endsWith(QStringLiteral(" in 6 rows, 2 sampling runs.")));
    EXPECT_EQ(w.model().data().rows, 6);
}

TEST_F(DataReviewWindowTest, aLongLoadShowsProgressAndCancelClosesTheWindow) {
    // Enough rows for several slices; every slice takes 300 ms on the fake clock.
    QByteArray rows;
    PerChannel<double> volts{};
    for (int i = 0; i < 20000; ++i) {
        volts[0] = i;
        rows += encodeLines({data.rowText(shortNumberText(0.25 * i), volts, clock.localNow())});
    }
    appendToFile(path, rows);
    clock.autoAdvanceMs = 300;
    DataReviewWindow& w = openWindow();
    auto* bar = find<QProgressBar>("prgReviewLoad");
    auto* cancel = find<QPushButton>("cmdReviewCancel");
    ASSERT_TRUE(runSlice());
    EXPECT_TRUE(bar->isHidden());  // 300 ms so far
    ASSERT_TRUE(runSlice());
    EXPECT_FALSE(bar->isHidden());
    EXPECT_FALSE(cancel->isHidden());
    EXPECT_GT(bar->value(), 0);
    EXPECT_LT(bar->value(), 100);

    cancel->click();
    EXPECT_EQ(w.model().state(), DataReviewModel::State::Cancelled);
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(runSlice());
}

#include "display/RunStatusModel.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

using namespace quorlin;
using namespace quorlin::test;

namespace {

TEST(RunStatusText, showsEachFigureAndWhatBecameOfTheRows) {
    struct Case {
        RunCounts run;
        double rate;
        qint64 seconds;
        const char* text;
    };
    const Case cases[] = {
        {{.scans = 0, .recording = false},
         -1,
         0,
         "-- of 30.0 scans/s  |  repeated replies: 0  |  reconnects: 0  |  rows: no data file  "
         "|  run time 0:00:00"},
        {{.scans = 9,
          .repeats = 3,
          .reconnects = 1,
          .rowsWritten = 1234,
          .recording = true,
          .fileBytes = 56234},
         28.94,
         3 * 3600 + 62,
         "28.9 of 30.0 scans/s  |  repeated replies: 3  |  reconnects: 1  |  rows: 1234 this run, "
         "file 56.2 kB  |  run time 3:01:02"},
        {{.rowsWritten = 7, .recording = true, .rowsFailing = true, .fileBytes = 999},
         30,
         50 * 3600,
         "30.0 of 30.0 scans/s  |  repeated replies: 0  |  reconnects: 0  |  rows: NOT BEING "
         "WRITTEN, 7 this run, file 999 B so far  |  run time 50:00:00"},
        {{.publishing = true, .published = 120, .publishDropped = 0},
         -1,
         0,
         "-- of 30.0 scans/s  |  repeated replies: 0  |  reconnects: 0  |  rows: no data file  "
         "|  run time 0:00:00  |  MQTT: 120 sent, 0 dropped"},
        {{.publishing = true,
          .publishFailing = true,
          .publishFailure = QStringLiteral("Connection refused"),
          .published = 5,
          .publishDropped = 40},
         -1,
         0,
         "-- of 30.0 scans/s  |  repeated replies: 0  |  reconnects: 0  |  rows: no data file  "
         "|  run time 0:00:00  |  MQTT FAILING (Connection refused), 5 sent, 40 dropped"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(runStatusText(c.run, c.rate, 30.0, c.seconds), QString::fromUtf8(c.text));
    }
}

class RunStatusModelTest : public ::testing::Test {
  protected:
    MainWindowModel window;
    FakeClock clock;
    FakeTimerFactory timers;
    RunCounts counts{.scans = 100, .repeats = 5, .rowsWritten = 40, .recording = true};
    RunStatusModel status{window, clock, timers, [this] { return counts; }, 30.0};
    FakeTimer& timer() { return *timers.created.at(0); }
};

TEST_F(RunStatusModelTest, countsSinceTheStart_rowsOfTheFile_rateOverTheLastTenSeconds) {
    status.started();
    EXPECT_TRUE(window.runStatus().startsWith("-- of 30.0 scans/s  |  repeated replies: 0"));
    EXPECT_EQ(timer().interval, 1000);

    // 29 scans a second for 12 s, then 20 a second for 2 s: the rate covers the last 10 s.
    for (int s = 1; s <= 14; ++s) {
        clock.ms += 1000;
        counts.scans += s <= 12 ? 29 : 20;
        counts.repeats += 1;
        counts.rowsWritten += 29;
        timer().fire();
    }
    EXPECT_TRUE(
        window.runStatus().startsWith("27.2 of 30.0 scans/s  |  repeated replies: 14  |  "
                                      "reconnects: 0  |  rows: 406 this run, file "))
        << window.runStatus().toStdString();
    EXPECT_TRUE(window.runStatus().endsWith("run time 0:00:14"));
    EXPECT_TRUE(timer().isActive());

    // The file gone and started again during the run: its rows are all this run's.
    counts.fileStarts += 1;
    counts.rowsWritten = 12;
    clock.ms += 1000;
    timer().fire();
    EXPECT_TRUE(window.runStatus().contains("rows: 12 this run, file "))
        << window.runStatus().toStdString();

    status.stopped();
    EXPECT_FALSE(timer().isActive());
    const QString last = window.runStatus();
    timer().fire();  // a timeout already on its way changes nothing after the stop
    EXPECT_EQ(window.runStatus(), last);
}

}  // namespace

// The engine on its own thread against the simulated board, without a window: commands in,
// signals, reports and files out.

#include "acquisition/AcquisitionEngine.h"

#include "BoardSim.h"
#include "platform/QtClock.h"
#include "platform/QtSerialPort.h"
#include "platform/QtTimer.h"
#include "support/Fakes.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace quorlin {
namespace {

using namespace std::chrono_literals;

class RecordingReports : public EngineReports {
  public:
    void report(qint32, const QString& source, const QString&, const QString&) override {
        reports << source;
    }
    void log(qint32, const QString& source, const QString&, const QString&) override {
        logs << source;
    }
    void notice(const QString& text) override { notices << text; }
    QStringList reports, logs, notices;
};

// The system's clocks, but the local date is the test's: it changes when the test says.
class DayClock : public QtClock {
  public:
    QDateTime localNow() override {
        return QDateTime(QDate::fromJulianDay(day), QtClock::localNow().time());
    }
    std::atomic<qint64> day = QDate(2026, 12, 31).toJulianDay();
};

QStringList fileLines(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

class AcquisitionEngineTest : public ::testing::Test {
  protected:
    AcquisitionEngineTest() {
        board.start();
        store.setValue(QStringLiteral("Ports"), QStringLiteral("1"), board.devicePath());
        QDir(temp.path()).mkpath(QStringLiteral("Logs"));
        settings.CurrentCommPort = 1;
        settings.SamplesAveraged = 1;
        settings.WriteFileMethod = QStringLiteral("Volts");
        settings.DataFilePath = temp.file(QStringLiteral("run.csv"));
        settings.DataFileInUse = true;
        settings.PeakOn = true;
        settings.ChannelActive.fill(1);
        settings.Slope.fill(1);
        settings.PeakDisplay.fill(2);
        QObject::connect(&engine, &AcquisitionEngine::valuesChanged,
                         [this](const AcquisitionValues& v, bool closed) {
                             if (closed) {
                                 scans << v.ElapsedTimeText;
                             }
                         });
    }

    bool waitFor(const std::function<bool()>& done) {
        QDeadlineTimer deadline(30s);
        while (!done() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return done();
    }
    void toggle() {
        engine.toggleSampling(
            settings, PerChannel<bool>{true, true, true, true, true, true, true, true}, false);
    }

    sim::BoardSim board;
    test::MemorySettingsStore store;
    EventGate gate;
    QtSerialPortFactory ports{store, gate};
    QtTimerFactory timers{gate};
    DayClock clock;
    test::TempFolder temp;
    SettingsModel settings;
    RecordingReports reports;
    AcquisitionEngine engine{EngineParts{ports, timers, clock, AppFolders(temp.path()), {}, {}},
                             reports};
    QStringList scans;  // the elapsed time of every closed scan the window was handed
};

TEST_F(AcquisitionEngineTest, theEngineThreadAsksToBeWokenPromptly) {
    // Where the kernel shows the time slice, the engine's thread has the short one.
    int engines = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != "Acquisition") {
            continue;
        }
        ++engines;
        QFile sched(tasks.filePath(tid + QStringLiteral("/sched")));
        ASSERT_TRUE(sched.open(QIODevice::ReadOnly));
        for (const QByteArray& line : sched.readAll().split('\n')) {
            if (line.startsWith("se.slice ")) {
                EXPECT_EQ(line.split(':').last().trimmed().toLongLong(), 100'000) << line.data();
            }
        }
    }
    EXPECT_EQ(engines, 1);
}

TEST_F(AcquisitionEngineTest, aRunGoesOnWhileTheWindowThreadIsBlocked_everyScanReachesIt) {
    toggle();
    ASSERT_TRUE(waitFor([&] { return engine.isSampling() && engine.scanCount() >= 3; }));
    // The window's thread does nothing for a while: requests, replies and rows go on.
    const quint64 before = engine.scanCount();
    std::this_thread::sleep_for(600ms);
    EXPECT_GT(engine.scanCount(), before + 5);
    EXPECT_GT(engine.rowsWritten(), static_cast<qint64>(before) + 5);

    toggle();
    ASSERT_TRUE(waitFor([&] { return !engine.isSampling(); }));
    // Every scan the engine closed was handed to the window, in order, and written as a row.
    EXPECT_EQ(static_cast<quint64>(scans.size()), engine.scanCount());
    for (qsizetype i = 1; i < scans.size(); ++i) {
        EXPECT_LE(scans[i - 1].toDouble(), scans[i].toDouble()) << i;
    }
    EXPECT_EQ(engine.rowsWritten(), static_cast<qint64>(engine.scanCount()));
    EXPECT_FALSE(engine.syncFigures().pending);  // synced at the stop
    EXPECT_TRUE(QFile::exists(temp.file(QStringLiteral("Logs/Peak.csv"))));
    EXPECT_TRUE(board.waitForDeviceClosed(2s));
    EXPECT_TRUE(reports.reports.isEmpty() && reports.notices.isEmpty());
}

TEST_F(AcquisitionEngineTest, dailyFiles_eachDayItsFileWithHeader_everyScanInExactlyOneRow) {
    const QString first = temp.file(QStringLiteral("lab-2026-12-31.csv"));
    const QString earlier = temp.file(QStringLiteral("lab-2027-01-01.csv"));  // an earlier run's
    const QString second = temp.file(QStringLiteral("lab-2027-01-01-2.csv"));
    QFile(first).open(QIODevice::WriteOnly);
    QFile e(earlier);
    e.open(QIODevice::WriteOnly);
    e.write("kept\r\n");
    e.close();
    settings.DataFilePath = first;
    engine.applySettings(settings);
    engine.recordDaily(temp.file(QStringLiteral("lab.csv")), QDate(2026, 12, 31));
    QSignalSpy started(&engine, &AcquisitionEngine::dataFileStarted);
    toggle();
    ASSERT_TRUE(waitFor([&] { return engine.scanCount() >= 5; }));
    clock.day = QDate(2027, 1, 1).toJulianDay();  // midnight passes
    const quint64 before = engine.scanCount();
    ASSERT_TRUE(waitFor([&] { return engine.scanCount() >= before + 5; }));
    toggle();
    ASSERT_TRUE(waitFor([&] { return !engine.isSampling(); }));

    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0][0].toString(), second);
    EXPECT_EQ(fileLines(earlier), QStringList{"kept"});  // a restart never replaces a day's file
    const QStringList newDay = fileLines(second);
    ASSERT_GE(newDay.size(), 6);
    EXPECT_EQ(newDay[2], QStringLiteral("Date file created: 2027-01-01"));
    EXPECT_TRUE(newDay[4].startsWith(QStringLiteral("System Time,")));
    // The elapsed times of the rows of both files, in order, are those of the closed scans.
    QStringList elapsed;
    for (const auto& [rows, date] : {std::pair{fileLines(first), QStringLiteral("2026-12-31 ")},
                                     std::pair{newDay.mid(5), QStringLiteral("2027-01-01 ")}}) {
        for (const QString& row : rows) {
            EXPECT_TRUE(row.startsWith(date)) << row.toStdString();
            elapsed << row.section(u',', 1, 1);
        }
    }
    EXPECT_EQ(elapsed, scans);
}

TEST_F(AcquisitionEngineTest, refusalsAndFailuresAreReportedWithoutWaitingForAnAnswer) {
    settings.CurrentCommPort = 0;
    toggle();
    store.setValue(QStringLiteral("Ports"), QStringLiteral("2"), temp.file("no-such-device"));
    settings.CurrentCommPort = 2;
    toggle();
    ASSERT_TRUE(waitFor([&] { return reports.reports.size() >= 2; }));
    EXPECT_EQ(reports.notices, QStringList{"No communication port has been selected!"});
    EXPECT_EQ(reports.reports.first(), QStringLiteral("OpenCommPort"));
    EXPECT_TRUE(engine.isSampling());  // as after Retry: the next Sample stops it
    toggle();
    EXPECT_TRUE(waitFor([&] { return !engine.isSampling(); }));
}

TEST_F(AcquisitionEngineTest, shutdownDuringARun_endsItAsAStopWould) {
    toggle();
    ASSERT_TRUE(waitFor([&] { return engine.scanCount() >= 3; }));
    engine.shutdown();
    EXPECT_TRUE(QFile::exists(temp.file(QStringLiteral("Logs/Peak.csv"))));
    EXPECT_TRUE(board.waitForDeviceClosed(2s));
    EXPECT_EQ(engine.scanCount(), 0u);  // gone with the engine
    toggle();                           // nothing happens after the end
}

}  // namespace
}  // namespace quorlin

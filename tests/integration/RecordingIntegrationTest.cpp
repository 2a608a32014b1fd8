// Recording against the simulated board: the data file holds, row by row, what the board sent.

#include "acquisition/DataIntervalDialogModel.h"
#include "common/NumberText.h"
#include "integration/RecordedFiles.h"
#include "support/AppHarness.h"

#include <QDir>

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace quorlin::test {
namespace {

using namespace std::chrono_literals;
using sim::Source;

constexpr uint16_t kZeroVolts = 0x2000;
constexpr uint16_t kHalfVolt = 0x2000 + 819;          // .5 V
constexpr uint16_t kMinusQuarterVolt = 0x2000 - 410;  // -.25 V
constexpr uint16_t kOnePointTwoFive = 0x2000 + 2048;  // 1.25 V

// One sampling run until the board has answered `scans` whole scans.
void sampleScans(AppHarness& h, size_t scans, std::chrono::milliseconds timeout = 30s) {
    h.trigger(h.model().mnuSample);
    ASSERT_TRUE(h.engine().isSampling());
    EXPECT_TRUE(
        h.waitFor([&] { return h.board().exchanges().size() >= scans * kChannelCount; }, timeout));
    h.trigger(h.model().mnuSample);
    ASSERT_FALSE(h.engine().isSampling());
    // The board logs an exchange just after its reply, which the program may have recorded
    // already.
    ASSERT_TRUE(h.waitForBoardToCatchUp());
}

QString voltsText(uint16_t raw) {
    return shortNumberText(sim::rawToVolts(raw));
}

TEST(RecordingIntegration, everyScanIsOneRowOfTheBoardsReadingsAsVolts) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(h.startOnBoard([](SettingsModel& s) { s.ChannelActive[6] = 0; }));
    h.board().setSource(0, Source::scripted({kHalfVolt, kMinusQuarterVolt, kZeroVolts, 0x3FFF,
                                             0x0000, kOnePointTwoFive}));
    for (int c = 1; c < kChannelCount; ++c) {
        h.board().setSource(c, Source::ramp(static_cast<uint16_t>(0x0400 * c), 7 * c));
    }
    const QString path = h.appFolder() + QStringLiteral("/Data Files/run.csv");
    ASSERT_TRUE(h.startRecording(path));
    EXPECT_EQ(h.model().fileLabel(), QStringLiteral("Data file in use: ") + path);
    const size_t firstWrite = h.writes().size();
    const auto started = std::chrono::steady_clock::now();
    sampleScans(h, 40);

    const std::vector<BoardScan> scans = boardScans(h.board().exchanges());
    const RunClock run(h.writes(), firstWrite, started);
    const RecordedLines file = readRecordedLines(path);
    ASSERT_TRUE(file.readable);
    EXPECT_EQ(file.badLineEnds, 0);
    expectDataFileHeader(file.lines, h.settings().VersionText);
    const int rows = static_cast<int>(file.lines.size()) - 5;
    // The board may have answered a last channel 7 that the program never handled.
    ASSERT_GE(rows, static_cast<int>(scans.size()) - 1);
    ASSERT_LE(rows, static_cast<int>(scans.size()));
    ASSERT_GE(rows, 40 - 1);

    QStringList ch0Texts;
    double previousElapsed = -1;
    for (int r = 0; r < rows; ++r) {
        const QStringList f = file.lines[5 + r].split(u',');
        ASSERT_EQ(f.size(), 10) << "row " << r;
        EXPECT_TRUE(isDateTimeText(f[0])) << f[0].toStdString();
        const BoardScan& scan = scans[r];
        for (int c = 0; c < kChannelCount; ++c) {
            const QString expected = c == 6 ? QStringLiteral("0") : voltsText(scan.raw[c]);
            EXPECT_EQ(f[2 + c], expected) << "row " << r << " CH" << c;
        }
        ch0Texts << f[2];
        // The time is the scan's stamp, counted from the start of the run.
        const double elapsed = leadingNumber(f[1]);
        EXPECT_EQ(f[1], shortNumberText(elapsed));
        EXPECT_GE(elapsed, previousElapsed);
        previousElapsed = elapsed;
        EXPECT_GE(elapsed, run.lowestStamp(r)) << "row " << r;
        EXPECT_LE(elapsed, run.highestStamp(r)) << "row " << r;
    }
    EXPECT_TRUE(ch0Texts.contains(QStringLiteral(".5")));
    EXPECT_TRUE(ch0Texts.contains(QStringLiteral("-.25")));
    EXPECT_TRUE(ch0Texts.contains(QStringLiteral("0")));
    EXPECT_TRUE(ch0Texts.contains(QStringLiteral("-5")));
    EXPECT_TRUE(ch0Texts.contains(QStringLiteral("1.25")));
    EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'|').toStdString();

    // Stopping does not end recording, nor does saving a configuration file: the next run
    // appends to the same data file.
    h.trigger(h.model().mnuConfiguration);
    ASSERT_NE(h.main().configurationWindow(), nullptr);
    const QString cfg = h.appFolder() + QStringLiteral("/Logs/saved.cfg");
    h.files->answers = {cfg};
    h.main().configurationWindow()->model().mnuSave_Click();
    ASSERT_EQ(readRecordedLines(cfg).lines.size(), 178);
    h.board().clearLog();
    sampleScans(h, 3);
    const RecordedLines after = readRecordedLines(path);
    EXPECT_GE(after.lines.size(), file.lines.size() + 2);
    EXPECT_EQ(after.lines.mid(0, file.lines.size()), file.lines);
    EXPECT_EQ(readRecordedLines(cfg).lines.size(), 178);
}

// The data file moved away, or its folder deleted and made again, during a run: the rows go
// on in a new file of that name that starts with the header, the error log says so once per
// loss, and the run-health count is the rows of the file in use.
TEST(RecordingIntegration, aDataFileGoneDuringTheRun_isStartedAgainWithItsHeader) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(h.startOnBoard());
    const QString folder = h.appFolder() + QStringLiteral("/Data Files/today");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/run.csv");
    ASSERT_TRUE(h.startRecording(path));
    AcquisitionEngine& engine = h.engine();
    h.trigger(h.model().mnuSample);
    // Each loss happens on the engine's thread, so no row falls between its steps.
    const std::function<void()> losses[] = {
        [&] { EXPECT_TRUE(QFile::rename(path, h.appFolder() + QStringLiteral("/moved.csv"))); },
        [&] {
            EXPECT_TRUE(QDir(folder).removeRecursively());
            EXPECT_TRUE(QDir().mkpath(folder));
        },
    };
    const auto startedAgain = [&] {
        return readRecordedLines(h.app().folders().errorLog())
            .lines.join(u'\n')
            .count(QStringLiteral("was gone: a new file was started"));
    };
    int loss = 0;
    for (const auto& lose : losses) {
        ASSERT_TRUE(h.waitFor([&] { return engine.rowsWritten() >= 3; }));
        engine.call(lose);
        ++loss;
        ASSERT_TRUE(h.waitFor([&] {
            return startedAgain() == loss && readRecordedLines(path).lines.size() >= 5 + 3;
        })) << loss;
        expectDataFileHeader(readRecordedLines(path).lines, h.settings().VersionText);
        const QString log = readRecordedLines(h.app().folders().errorLog()).lines.join(u'\n');
        EXPECT_TRUE(log.contains(path)) << log.toStdString();
    }
    h.trigger(h.model().mnuSample);
    ASSERT_TRUE(h.waitForBoardToCatchUp());
    EXPECT_EQ(readRecordedLines(path).lines.size(), 5 + engine.rowsWritten());
    EXPECT_EQ(startedAgain(), 2);
    EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'|').toStdString();
}

TEST(RecordingIntegration, scaleRowsHoldTheLinearScaledValues) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(h.startOnBoard([](SettingsModel& s) {
        s.WriteFileMethod = QStringLiteral("Scale");
        s.Slope[0] = 2;
        s.Offset[0] = -0.5;
        s.Slope[5] = -4;
        s.Offset[5] = 10;
    }));
    h.board().setSource(
        0, Source::scripted({kHalfVolt, kMinusQuarterVolt, kZeroVolts, kOnePointTwoFive}));
    h.board().setSource(5, Source::scripted({kHalfVolt, kOnePointTwoFive, kMinusQuarterVolt}));
    for (int c : {1, 2, 3, 4, 6, 7}) {
        h.board().setSource(c, Source::constant(static_cast<uint16_t>(0x2100 + 0x180 * c)));
    }
    const QString path = h.appFolder() + QStringLiteral("/scaled.txt");
    ASSERT_TRUE(h.startRecording(path));
    sampleScans(h, 12);

    const std::map<uint16_t, QString> ch0 = {{kHalfVolt, QStringLiteral(".5")},
                                             {kMinusQuarterVolt, QStringLiteral("-1")},
                                             {kZeroVolts, QStringLiteral("-.5")},
                                             {kOnePointTwoFive, QStringLiteral("2")}};
    const std::map<uint16_t, QString> ch5 = {{kHalfVolt, QStringLiteral("8")},
                                             {kOnePointTwoFive, QStringLiteral("5")},
                                             {kMinusQuarterVolt, QStringLiteral("11")}};
    const auto scans = boardScans(h.board().exchanges());
    const RecordedLines file = readRecordedLines(path);
    EXPECT_EQ(file.badLineEnds, 0);
    const int rows = static_cast<int>(file.lines.size()) - 5;
    ASSERT_GE(rows, 11);
    ASSERT_LE(rows, static_cast<int>(scans.size()));
    for (int r = 0; r < rows; ++r) {
        const QStringList f = file.lines[5 + r].split(u',');
        ASSERT_EQ(f.size(), 10);
        EXPECT_EQ(f[2], ch0.at(scans[r].raw[0])) << "row " << r;
        EXPECT_EQ(f[7], ch5.at(scans[r].raw[5])) << "row " << r;
        for (int c : {1, 2, 3, 4, 6, 7}) {
            EXPECT_EQ(f[2 + c], voltsText(scans[r].raw[c])) << "row " << r << " CH" << c;
        }
    }
}

// With 1 point per second and a scan about every 50 ms, a row is written for the first scan
// and then for the first scan that closes a second or more after the last row: no scan that
// was due is skipped, none that was not due is written.
TEST(RecordingIntegration, onePointPerSecondWritesTheFirstScanDueEachSecond) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(h.startOnBoard());
    sim::Timing timing;
    timing.emulateLine = true;  // about 4 ms per exchange
    timing.conversionBase = 2ms;
    h.board().setTiming(timing);
    h.board().setSource(0, Source::ramp(0x1000, 2));  // every scan's CH0 differs
    for (int c = 1; c < kChannelCount; ++c) {
        h.board().setSource(c, Source::ramp(static_cast<uint16_t>(0x0800 * c), c));
    }

    DataIntervalDialogModel interval(h.settings(), *h.box);
    interval.Load();
    interval.selectOption(IntervalOption::Seconds);
    interval.setCount(IntervalOption::Seconds, 1);
    ASSERT_TRUE(interval.cmdOK_Click());
    ASSERT_EQ(h.settings().DataIntervalMs, 1000);

    const QString path = h.appFolder() + QStringLiteral("/interval.csv");
    ASSERT_TRUE(h.startRecording(path));
    const size_t firstWrite = h.writes().size();
    const auto started = std::chrono::steady_clock::now();
    // About three seconds of sampling, by the board's clock.
    h.trigger(h.model().mnuSample);
    EXPECT_TRUE(h.waitFor([&] {
        const auto log = h.board().exchanges();
        return !log.empty() && log.back().at - log.front().at >= 3100ms;
    }));
    h.trigger(h.model().mnuSample);
    ASSERT_TRUE(h.waitForBoardToCatchUp());

    const auto scans = boardScans(h.board().exchanges());
    const RunClock run(h.writes(), firstWrite, started);
    ASSERT_GE(scans.size(), 8u);  // about sixty on an idle machine
    std::map<QString, int> scanOfCh0;
    for (size_t s = 0; s < scans.size(); ++s) {
        scanOfCh0[voltsText(scans[s].raw[0])] = static_cast<int>(s);
    }
    const RecordedLines file = readRecordedLines(path);
    EXPECT_EQ(file.badLineEnds, 0);
    expectDataFileHeader(file.lines, h.settings().VersionText);
    std::vector<int> written;
    for (int i = 5; i < file.lines.size(); ++i) {
        const QStringList f = file.lines[i].split(u',');
        ASSERT_EQ(f.size(), 10);
        ASSERT_TRUE(scanOfCh0.count(f[2])) << f[2].toStdString();
        const int s = scanOfCh0[f[2]];
        written.push_back(s);
        for (int c = 1; c < kChannelCount; ++c) {
            EXPECT_EQ(f[2 + c], voltsText(scans[s].raw[c]));
        }
        const double elapsed = leadingNumber(f[1]);
        EXPECT_GE(elapsed, run.lowestStamp(static_cast<size_t>(s)));
        EXPECT_LE(elapsed, run.highestStamp(static_cast<size_t>(s)));
    }
    // The first row, then one a second (about one scan in twenty; the checks below hold
    // whatever pace a busy machine allows).
    ASSERT_GE(written.size(), 3u);
    EXPECT_EQ(written[0], 0);

    // The gate counts whole milliseconds of the program's clock at each scan's close.
    auto seconds = [](auto from, auto to) {
        return std::chrono::duration<double>(to - from).count();
    };
    size_t w = 0;
    for (size_t s = 1; s < scans.size() && run.closeKnown(s); ++s) {
        const auto last = static_cast<size_t>(written[w]);
        const bool isWritten = w + 1 < written.size() && written[w + 1] == static_cast<int>(s);
        if (isWritten) {
            EXPECT_GT(seconds(run.closedAfter(last), run.closedBefore(s)), 0.999) << "scan " << s;
            ++w;
        } else {
            EXPECT_LT(seconds(run.closedBefore(last), run.closedAfter(s)), 1.0)
                << "scan " << s << " was due but not written";
        }
    }
}

TEST(RecordingIntegration, switchingRecordingOffAndOnAgainStartsAFreshFile) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(h.startOnBoard());
    const QString path = h.appFolder() + QStringLiteral("/again.csv");
    ASSERT_TRUE(h.startRecording(path));
    sampleScans(h, 5);
    h.trigger(h.model().mnuSave);
    EXPECT_FALSE(h.settings().DataFileInUse);
    EXPECT_EQ(h.model().fileLabel(), QStringLiteral("No data file in use."));
    h.board().clearLog();
    sampleScans(h, 5);  // not recorded
    ASSERT_GE(readRecordedLines(path).lines.size(), 5 + 4);
    const qsizetype before = readRecordedLines(path).lines.size();

    ASSERT_TRUE(h.startRecording(path));
    const RecordedLines fresh = readRecordedLines(path);
    EXPECT_EQ(fresh.lines.size(), 5);
    EXPECT_LT(fresh.lines.size(), before);
    h.board().clearLog();
    h.board().setSource(2, Source::constant(kHalfVolt));
    sampleScans(h, 4);
    const RecordedLines second = readRecordedLines(path);
    ASSERT_GE(second.lines.size(), 5 + 3);
    for (int i = 5; i < second.lines.size(); ++i) {
        EXPECT_EQ(second.lines[i].split(u',').value(4), QStringLiteral(".5"));
    }
}

}  // namespace
}  // namespace quorlin::test

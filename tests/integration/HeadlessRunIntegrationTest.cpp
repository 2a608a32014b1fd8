// Headless runs in this process against the simulated board, where the test controls what
// the program cannot be asked for: the local time, the disk's room.

#include "app/HeadlessRun.h"
#include "app/Version.h"
#include "config/ConfigFile.h"
#include "integration/RecordedFiles.h"
#include "platform/QtClock.h"
#include "support/Fakes.h"
#include "support/FileSizeLimit.h"
#include "support/TempFolder.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <QFileInfo>

namespace quorlin::test {
namespace {

using namespace std::chrono_literals;

// The system's clocks, but the local time starts shortly before a midnight.
class NearMidnightClock : public QtClock {
  public:
    explicit NearMidnightClock(const QDateTime& start) : start_(start) { since_.start(); }
    QDateTime localNow() override { return start_.addMSecs(since_.elapsed()); }

  private:
    QDateTime start_;
    QElapsedTimer since_;
};

// A headless run on the simulated board, all channels recorded as volts to `dataFile` in the
// test's folder; everything it says is kept.
struct BoardRun {
    explicit BoardRun(const QString& dataFile) {
        if (!board.start()) {
            return;
        }
        SettingsModel s;
        s.ChannelActive.fill(1);
        s.WriteFileMethod = QStringLiteral("Volts");
        options.configFile = folder.file(QStringLiteral("board.cfg"));
        writeConfigFile(options.configFile, s, false);
        options.device = board.devicePath();
        options.dataFile = folder.file(dataFile);
        options.statusEverySeconds = 0;
    }
    // Starts the run; false (with what it said) when it did not start.
    ::testing::AssertionResult start(std::unique_ptr<Clock> clock) {
        if (options.device.isEmpty()) {
            return ::testing::AssertionFailure() << board.errorString().toStdString();
        }
        HeadlessPlatform platform;
        platform.store = std::make_unique<MemorySettingsStore>();
        platform.clock = std::move(clock);
        platform.writeLine = [this](const QByteArray& line) { said << QString::fromUtf8(line); };
        run =
            std::make_unique<HeadlessRun>(options, AppFolders(folder.path()), std::move(platform));
        if (run->start() != -1) {
            return ::testing::AssertionFailure() << saidText();
        }
        return ::testing::AssertionSuccess();
    }
    std::string saidText() const { return said.join(QString()).toStdString(); }

    TempFolder folder;
    sim::BoardSim board;
    HeadlessOptions options;
    QStringList said;
    std::unique_ptr<HeadlessRun> run;
};

TEST(HeadlessDaily, aNewFileWithItsHeaderAtLocalMidnight_everyScanInOneOfThem) {
    BoardRun r(QStringLiteral("lab.csv"));
    r.options.daily = true;
    const QDate day(2026, 12, 31);
    ASSERT_TRUE(r.start(std::make_unique<NearMidnightClock>(QDateTime(day, QTime(23, 59, 58)))));
    TempFolder& folder = r.folder;
    HeadlessRun& run = *r.run;
    const QStringList& said = r.said;

    const QString before = folder.file(QStringLiteral("lab-2026-12-31.csv"));
    const QString after = folder.file(QStringLiteral("lab-2027-01-01.csv"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return readRecordedLines(after).lines.size() >= 5 + 10; }, 60000))
        << r.saidText();
    QSignalSpy finished(&run, &HeadlessRun::finished);
    run.stop();
    ASSERT_EQ(finished.size(), 1);
    r.board.stop();

    const RecordedLines first = readRecordedLines(before);
    const RecordedLines second = readRecordedLines(after);
    int rows = 0;
    for (const auto& [file, date] : {std::pair{first, QStringLiteral("2026-12-31")},
                                     std::pair{second, QStringLiteral("2027-01-01")}}) {
        ASSERT_GE(file.lines.size(), 6);
        EXPECT_EQ(file.badLineEnds, 0);
        expectDataFileHeader(file.lines.mid(0, 5), BuildVersionText());
        EXPECT_EQ(file.lines[2], QStringLiteral("Date file created: ") + date);
        for (const QString& row : file.lines.mid(5)) {
            EXPECT_TRUE(row.startsWith(date)) << row.toStdString();
        }
        rows += static_cast<int>(file.lines.size()) - 5;
    }
    EXPECT_EQ(rows, static_cast<int>(run.scanCount()));
    EXPECT_EQ(said.filter(QStringLiteral("recording to ")).size(), 2);
}

TEST(HeadlessRun, aFullDiskIsSaidOnce_rowsGoOnWholeOnceThereIsRoom) {
    BoardRun r(QStringLiteral("full.csv"));
    ASSERT_TRUE(r.start(std::make_unique<QtClock>()));
    HeadlessRun& run = *r.run;
    const QStringList& said = r.said;
    const HeadlessOptions& options = r.options;
    ASSERT_TRUE(QTest::qWaitFor([&] { return run.scanCount() >= 10; }, 60000));

    const auto errors = [&] { return said.filter(QStringLiteral(" error: ")).size(); };
    {
        // One byte of room: no row fits, and the one that tries leaves a part behind to undo.
        const FileSizeLimit full(static_cast<rlim_t>(QFileInfo(options.dataFile).size() + 1));
        const quint64 scans = run.scanCount();
        ASSERT_TRUE(QTest::qWaitFor([&] { return run.scanCount() >= scans + 40; }, 60000));
    }
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !said.filter(QStringLiteral("rows are written to")).isEmpty(); }, 60000))
        << r.saidText();
    run.stop();
    r.board.stop();
    EXPECT_EQ(errors(), 1) << r.saidText();
    const RecordedLines file = readRecordedLines(options.dataFile);
    EXPECT_EQ(file.badLineEnds, 0);
    for (const QString& row : file.lines.mid(5)) {
        EXPECT_EQ(row.split(u',').size(), 10) << row.toStdString();
    }
}

}  // namespace
}  // namespace quorlin::test

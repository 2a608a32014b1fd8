// The program killed outright while it records: what it had handled is on disk, in whole
// lines. The program runs in a child process on a board this test owns.

#include "app/Version.h"
#include "common/NumberText.h"
#include "integration/RecordedFiles.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/types.h>
#include <csignal>

namespace quorlin::test {
namespace {

using namespace std::chrono_literals;

// Reads the child's "recording <application folder>" line; empty when it ended or stalled.
QString waitForRecording(QProcess& child) {
    for (int i = 0; i < 1200 && !child.canReadLine(); ++i) {
        if (child.state() != QProcess::Running) {
            return {};
        }
        child.waitForReadyRead(50);
    }
    const QString line = QString::fromLocal8Bit(child.readLine()).trimmed();
    return line.startsWith(QStringLiteral("recording ")) ? line.mid(10) : QString();
}

TEST(RecordingKillIntegration, killedWhileRecording_leavesWholeRowsOfEveryHandledScan) {
    TempFolder dir;
    sim::BoardSim board;
    ASSERT_TRUE(board.start()) << board.errorString().toStdString();
    for (int c = 0; c < kChannelCount; ++c) {
        board.setSource(c, sim::Source::ramp(static_cast<uint16_t>(0x0200 + 0x700 * c), 3 + c));
    }
    const QString path = dir.path() + QStringLiteral("/killed.csv");

    QProcess child;
    child.setProgram(QStringLiteral(QUORLIN_RECORDING_CHILD));
    child.setArguments({board.devicePath(), path});
    child.start();
    ASSERT_TRUE(child.waitForStarted(30000));
    const QString childFolder = waitForRecording(child);
    ASSERT_FALSE(childFolder.isEmpty()) << child.readAllStandardError().toStdString();

    // The samples-averaged pair, then some hundreds of reading requests.
    ASSERT_TRUE(board.waitForRequests(2 + 600, 60s));
    ASSERT_EQ(::kill(static_cast<pid_t>(child.processId()), SIGKILL), 0);
    ASSERT_TRUE(child.waitForFinished(30000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    board.stop();  // nothing arrives any more: the log is complete
    QDir(childFolder).removeRecursively();

    const auto scans = boardScans(board.exchanges());
    ASSERT_GE(scans.size(), 600u / kChannelCount - 1);
    const RecordedLines file = readRecordedLines(path);
    ASSERT_TRUE(file.readable);
    EXPECT_EQ(file.badLineEnds, 0);
    ASSERT_GE(file.lines.size(), 5);
    expectDataFileHeader(file.lines.mid(0, 5), BuildVersionText());
    const int rows = static_cast<int>(file.lines.size()) - 5;
    // The last scan the board finished may not have been handled when the kill came.
    EXPECT_GE(rows, static_cast<int>(scans.size()) - 1);
    EXPECT_LE(rows, static_cast<int>(scans.size()));
    for (int r = 0; r < rows && r < static_cast<int>(scans.size()); ++r) {
        const QStringList f = file.lines[5 + r].split(u',');
        ASSERT_EQ(f.size(), 10) << "row " << r << ": " << file.lines[5 + r].toStdString();
        EXPECT_TRUE(isDateTimeText(f[0]));
        for (int c = 0; c < kChannelCount; ++c) {
            ASSERT_EQ(f[2 + c], shortNumberText(sim::rawToVolts(scans[r].raw[c])))
                << "row " << r << " CH" << c;
        }
    }
}

}  // namespace
}  // namespace quorlin::test

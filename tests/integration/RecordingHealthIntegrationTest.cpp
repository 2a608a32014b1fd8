// A long recording against the simulated board: when its rows become durable, what a disk that
// refuses them does to the run, and the run-health line meanwhile.

#include "integration/RecordedFiles.h"
#include "support/AppHarness.h"
#include "support/FileSizeLimit.h"

#include <QFileInfo>

#include <mutex>
#include <vector>

#include <gtest/gtest.h>

namespace quorlin::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kHeaderLines = 5;

// Every line after the header is a whole row of ten fields.
void expectWholeRows(const QString& path, qint64 rows) {
    const RecordedLines file = readRecordedLines(path);
    EXPECT_EQ(file.badLineEnds, 0);
    ASSERT_EQ(file.lines.size(), kHeaderLines + rows);
    for (const QString& row : file.lines.mid(kHeaderLines)) {
        ASSERT_EQ(row.split(u',').size(), 10) << row.toStdString();
    }
}

TEST(RecordingHealthIntegration, rowsAreSyncedAtMostOnceASecondWhileTheyCome_andAtOnceOnStop) {
    struct Sync {
        Clock::time_point at;
        qint64 bytes;  // the file's size when the sync ran
        QString path;
    };
    std::mutex mutex;  // syncs run on the scheduler's worker
    std::vector<Sync> syncs;
    auto syncCount = [&] {
        const std::lock_guard lock(mutex);
        return syncs.size();
    };
    AppHarness h({.realChart = false, .syncFile = [&](const QString& p) {
                      const std::lock_guard lock(mutex);
                      syncs.push_back({Clock::now(), QFileInfo(p).size(), p});
                      return true;
                  }});
    ASSERT_TRUE(h.startOnBoard());
    const QString path = h.appFolder() + QStringLiteral("/synced.csv");
    ASSERT_TRUE(h.startRecording(path));
    h.trigger(h.model().mnuSample);
    ASSERT_TRUE(h.waitFor([&] { return syncCount() >= 3; }));
    const size_t whileSampling = syncCount();

    h.trigger(h.model().mnuSample);
    ASSERT_FALSE(h.engine().isSampling());
    // Stopping syncs what was pending before it returns: the last sync covers every row.
    EXPECT_FALSE(h.engine().syncFigures().pending);
    const std::lock_guard lock(mutex);
    EXPECT_EQ(h.engine().syncFigures().syncs, static_cast<qint64>(syncs.size()));
    EXPECT_EQ(syncs.back().bytes, QFileInfo(path).size());
    expectWholeRows(path, h.engine().rowsWritten());

    for (size_t i = 0; i < syncs.size(); ++i) {
        EXPECT_EQ(syncs[i].path, path);
        if (i == 0) {
            continue;
        }
        // Each sync was brought on by rows written since the one before it was asked for; a
        // worker that starts late may already have covered them in the one before.
        EXPECT_GE(syncs[i].bytes, syncs[i - 1].bytes) << i;
        // A second apart as the timer starts them; the worker may start one late on a busy
        // machine and the next one on time.
        if (i < whileSampling) {
            EXPECT_GE(syncs[i].at - syncs[i - 1].at, 900ms) << i;
        }
    }
}

TEST(RecordingHealthIntegration, aDiskThatRefusesRowsIsReportedOnce_andRecordingResumesByItself) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(h.startOnBoard());
    const QString path = h.appFolder() + QStringLiteral("/full.csv");
    ASSERT_TRUE(h.startRecording(path));
    h.trigger(h.model().mnuSample);
    const AcquisitionEngine& data = h.engine();
    ASSERT_TRUE(h.waitFor([&] { return data.rowsWritten() >= 20; }));
    {
        // The file may grow by a few more bytes only: the next row fails part way.
        FileSizeLimit full(static_cast<rlim_t>(QFileInfo(path).size()) + 30);
        ASSERT_TRUE(h.waitFor([&] { return data.rowsFailing(); }));
        const quint64 scans = h.engine().scanCount();
        ASSERT_TRUE(h.waitFor([&] {
            return h.model().runStatus().contains(QStringLiteral("rows: NOT BEING WRITTEN"));
        }));
        // Sampling goes on after Retry, rows keep failing, and the box came once.
        ASSERT_TRUE(h.waitFor([&] { return h.engine().scanCount() >= scans + 20; }));
        EXPECT_TRUE(h.engine().isSampling());
        EXPECT_TRUE(data.rowsFailing());
        EXPECT_EQ(h.box->retryCancelTexts.size(), 1);
    }
    const qint64 rows = data.rowsWritten();
    ASSERT_TRUE(h.waitFor([&] { return data.rowsWritten() >= rows + 5; }));
    ASSERT_TRUE(h.waitFor([&] { return !h.model().runStatus().contains(u"NOT BEING"); }));
    h.trigger(h.model().mnuSample);

    expectWholeRows(path, data.rowsWritten());
    EXPECT_EQ(h.box->all.size(), 1) << h.box->all.join(u'|').toStdString();
    QFile log(h.appFolder() + QStringLiteral("/Logs/error.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray entries = log.readAll();
    EXPECT_EQ(entries.count("Number: 61\r\nSource: WriteToFile"), 1) << entries.toStdString();
}

}  // namespace
}  // namespace quorlin::test

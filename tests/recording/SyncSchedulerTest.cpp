#include "recording/SyncScheduler.h"

#include "platform/QtClock.h"
#include "support/Fakes.h"

#include <QSemaphore>

#include <gtest/gtest.h>

#include <atomic>

using namespace quorlin;
using namespace quorlin::test;

namespace {

class SyncSchedulerTest : public ::testing::Test {
  protected:
    FakeTimerFactory timers;
    FakeClock clock;
    QStringList synced;
    bool syncSucceeds = true;
    std::unique_ptr<SyncScheduler> sync = std::make_unique<SyncScheduler>(
        timers, clock,
        [this](const QString& path) {
            synced << path;
            return syncSucceeds;
        },
        false);
    FakeTimer& timer() { return *timers.created.at(0); }
};

TEST_F(SyncSchedulerTest, firstUnsyncedWriteArmsOneSecond_laterWritesOnlyJoinIt) {
    sync->written(QStringLiteral("a.csv"));
    clock.ms += 300;
    sync->written(QStringLiteral("a.csv"));
    sync->written(QStringLiteral("error.log"));
    EXPECT_EQ(timer().starts, 1);
    EXPECT_EQ(timer().interval, 1000);
    EXPECT_TRUE(synced.isEmpty());

    clock.ms += 700;
    timer().fire();
    EXPECT_EQ(synced, QStringList({"a.csv", "error.log"}));
    EXPECT_EQ(sync->syncCount(), 1);
    EXPECT_EQ(sync->longestWaitMs(), 1000);

    // The next write after a sync arms the timer again, for its file only.
    sync->written(QStringLiteral("a.csv"));
    EXPECT_EQ(timer().starts, 2);
    timer().fire();
    EXPECT_EQ(synced, QStringList({"a.csv", "error.log", "a.csv"}));
}

TEST_F(SyncSchedulerTest, syncNow_syncsWhatIsPendingAtOnceAndOnlyThat) {
    sync->syncNow();
    EXPECT_TRUE(synced.isEmpty());

    sync->written(QStringLiteral("a.csv"));
    sync->syncNow();
    EXPECT_EQ(synced, QStringList({"a.csv"}));
    EXPECT_FALSE(timer().isActive());
    EXPECT_FALSE(sync->isPending());

    timer().fire();  // a timeout already on its way finds nothing to do
    EXPECT_EQ(synced.size(), 1);
}

TEST_F(SyncSchedulerTest, aRefusedSyncIsCounted_andTheEndSyncsWhatIsLeft) {
    syncSucceeds = false;
    sync->written(QStringLiteral("a.csv"));
    timer().fire();
    EXPECT_EQ(sync->failedSyncs(), 1);

    sync->written(QStringLiteral("b.csv"));
    sync.reset();
    EXPECT_EQ(synced, QStringList({"a.csv", "b.csv"}));
}

TEST(SyncSchedulerBackground, aSlowDiskHoldsUpNeitherTheTimerNorTheWrites_syncNowWaitsForIt) {
    FakeTimerFactory timers;
    QtClock clock;  // safe to read from the worker
    QSemaphore diskDone;
    std::atomic<int> syncs{0};
    SyncScheduler sync(timers, clock, [&](const QString&) {
        diskDone.tryAcquire(1, 10000);  // the disk takes as long as the test says
        ++syncs;
        return true;
    });
    sync.written(QStringLiteral("a.csv"));
    timers.created.at(0)->fire();  // returns while the sync is still under way
    sync.written(QStringLiteral("a.csv"));
    EXPECT_TRUE(sync.isPending());
    EXPECT_EQ(syncs, 0);

    diskDone.release(2);
    sync.syncNow();  // the first sync has ended and the second write is synced too
    EXPECT_EQ(syncs, 2);
    EXPECT_EQ(sync.syncCount(), 2);
    EXPECT_FALSE(sync.isPending());
}

}  // namespace

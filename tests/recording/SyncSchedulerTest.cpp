#include "recording/SyncScheduler.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

using namespace quorlin;
using namespace quorlin::test;

namespace {

class SyncSchedulerTest : public ::testing::Test {
  protected:
    FakeTimerFactory timers;
    FakeClock clock;
    QStringList synced;
    bool syncSucceeds = true;
    std::unique_ptr<SyncScheduler> sync =
        std::make_unique<SyncScheduler>(timers, clock, [this](const QString& path) {
            synced << path;
            return syncSucceeds;
        });
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

}  // namespace

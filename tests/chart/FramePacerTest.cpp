#include "chart/FramePacer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <memory>

namespace quorlin {
namespace {

// Runs the event loop until the condition holds or the deadline passes.
template <typename Pred>
bool pumpUntil(Pred done, int ms = 30'000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return done();
}

void runPosted() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
    }
}

TEST(FramePacer, requestsOfOneEvent_runOnceAfterTheEventHasReturnedAndTheKernelHadItsTurn) {
    int runs = 0;
    qint64 ranAfterNs = 0;
    QElapsedTimer sinceRequest;
    FramePacer pacer([&] {
        ++runs;
        ranAfterNs = sinceRequest.nsecsElapsed();
    });
    sinceRequest.start();
    for (int i = 0; i < 100; ++i) {
        pacer.request();
    }
    EXPECT_EQ(runs, 0);  // never inside the event that asked
    EXPECT_TRUE(pacer.isPending());
    ASSERT_TRUE(pumpUntil([&] { return runs > 0; }));
    EXPECT_GE(ranAfterNs, 900'000);  // the settling millisecond
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(pacer.isPending());
    ASSERT_TRUE(pumpUntil([&] { return sinceRequest.elapsed() >= 20; }));
    EXPECT_EQ(runs, 1);
}

TEST(FramePacer, withinAFrame_waitsThenRunsAfterTheNextRequestingEvent) {
    int runs = 0;
    // A fallback far away, so only requests can bring the run about here.
    FramePacer pacer([&] { ++runs; }, 40, 60'000, 0);
    // Started before the run, so it never shows less time than the pacer's own measure.
    QElapsedTimer sinceRun;
    sinceRun.start();
    pacer.runNow();
    pacer.request();
    runPosted();
    if (sinceRun.elapsed() < 40) {
        EXPECT_EQ(runs, 1) << "ran again within the frame";
    }
    ASSERT_TRUE(pumpUntil([&] { return sinceRun.elapsed() >= 45; }));
    EXPECT_EQ(runs, 1) << "ran from a timer rather than after a requesting event";
    pacer.request();
    EXPECT_TRUE(pumpUntil([&] { return runs == 2; }));
}

TEST(FramePacer, lastRequestsOfABurst_areRunByTheFallback) {
    int runs = 0;
    FramePacer pacer([&] { ++runs; }, 60'000, 20);
    pacer.runNow();
    pacer.request();  // a frame has not passed: only the fallback can run it
    ASSERT_TRUE(pumpUntil([&] { return runs == 2; }));
    EXPECT_FALSE(pacer.isPending());
}

TEST(FramePacer, destroyedWithARunQueued_dropsIt) {
    int runs = 0;
    auto pacer = std::make_unique<FramePacer>([&] { ++runs; });
    pacer->request();
    pacer.reset();
    runPosted();
    EXPECT_EQ(runs, 0);
}

}  // namespace
}  // namespace quorlin

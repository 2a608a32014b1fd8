#include "platform/QtTimer.h"

#include "PlatformTestUtil.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace quorlin;
using quorlin::test::runPendingEvents;
using quorlin::test::waitUntil;

namespace {
QTimer* innerTimer(QtTimer& t) {
    return t.findChild<QTimer*>();
}
}  // namespace

TEST(QtTimer, timeoutWaitsForTheGateAndRunsWithItClosed) {
    EventGate gate;
    QtTimer timer(gate);
    bool gateOpenInHandler = true;
    QObject::connect(&timer, &OneShotTimer::timeout, &timer,
                     [&] { gateOpenInHandler = gate.isOpen(); });
    QSignalSpy fired(&timer, &OneShotTimer::timeout);
    {
        const EventGate::Hold hold(gate);
        timer.start(1);
        ASSERT_TRUE(waitUntil([&] { return !innerTimer(timer)->isActive(); }));
        runPendingEvents();
        EXPECT_EQ(fired.count(), 0);
        EXPECT_TRUE(timer.isActive());
    }
    ASSERT_TRUE(fired.wait(30000));
    EXPECT_FALSE(gateOpenInHandler);
    EXPECT_FALSE(timer.isActive());
}

TEST(QtTimer, gateOpeningWithNoTimeoutOwed_queuesNothing) {
    EventGate gate;
    QtTimer timer(gate);
    timer.start(60'000);
    test::MetaCallCounter calls(&timer);
    for (int i = 0; i < 20; ++i) {
        const EventGate::Hold hold(gate);
    }
    runPendingEvents();
    EXPECT_EQ(calls.count, 0);
    EXPECT_TRUE(timer.isActive());
}

TEST(QtTimer, stopCancelsATimeoutHeldAtTheGate) {
    EventGate gate;
    QtTimer timer(gate);
    QSignalSpy fired(&timer, &OneShotTimer::timeout);
    {
        const EventGate::Hold hold(gate);
        timer.start(1);
        ASSERT_TRUE(waitUntil([&] { return !innerTimer(timer)->isActive(); }));
        timer.stop();
    }
    runPendingEvents();
    EXPECT_EQ(fired.count(), 0);
}

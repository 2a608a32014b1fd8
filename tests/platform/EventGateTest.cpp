#include "platform/EventGate.h"

#include "PlatformTestUtil.h"

#include <gtest/gtest.h>

#include <memory>

using namespace quorlin;
using quorlin::test::runPendingEvents;

TEST(EventGate, raisedWhileHeld_runsOnceAfterTheLastHoldWithTheGateHeld) {
    EventGate gate;
    int runs = 0;
    bool openInHandler = true;
    EventGate::Entry entry(gate, [&] {
        ++runs;
        openInHandler = gate.isOpen();
    });
    {
        const EventGate::Hold outer(gate);
        {
            const EventGate::Hold inner(gate);  // a box opened from a handler
            entry.raise();
            entry.raise();
        }
        entry.raise();
        runPendingEvents();
        EXPECT_EQ(runs, 0);
        EXPECT_TRUE(entry.isWaiting());
    }
    EXPECT_EQ(runs, 0) << "run from the event loop, not inside the Hold's release";
    runPendingEvents();
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(openInHandler);
    EXPECT_TRUE(gate.isOpen());

    entry.raise();  // open gate: at once
    EXPECT_EQ(runs, 2);
}

TEST(EventGate, anEventRaisedInsideAnother_runsAfterItNeverInside) {
    EventGate gate;
    std::vector<std::string> order;
    EventGate::Entry tick(gate, [&] { order.push_back("tick"); });
    EventGate::Entry receive(gate, [&] {
        order.push_back("receive begins");
        tick.raise();
        order.push_back("receive ends");
    });
    receive.raise();
    runPendingEvents();
    EXPECT_EQ(order, (std::vector<std::string>{"receive begins", "receive ends", "tick"}));
}

TEST(EventGate, raiseLater_runsFromTheEventLoopEvenWithTheGateOpen) {
    EventGate gate;
    int runs = 0;
    EventGate::Entry entry(gate, [&] { ++runs; });
    entry.raiseLater();
    entry.raiseLater();
    EXPECT_EQ(runs, 0);
    runPendingEvents();
    EXPECT_EQ(runs, 1);
}

TEST(EventGate, cancelledOrDestroyedWhileWaiting_neverRuns) {
    EventGate gate;
    int runs = 0;
    EventGate::Entry kept(gate, [&] { ++runs; });
    auto gone = std::make_unique<EventGate::Entry>(gate, [&] { runs += 100; });
    {
        const EventGate::Hold hold(gate);
        kept.raise();
        gone->raise();
        kept.cancel();
        gone.reset();
    }
    runPendingEvents();
    EXPECT_EQ(runs, 0);
}

TEST(EventGate, holdsWithNothingWaiting_queueNothing) {
    EventGate gate;
    EventGate::Entry entry(gate, [] {});
    test::MetaCallCounter calls(&gate);
    for (int i = 0; i < 20; ++i) {
        const EventGate::Hold hold(gate);
    }
    runPendingEvents();
    EXPECT_EQ(calls.count, 0);
}

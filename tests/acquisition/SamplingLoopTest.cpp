#include "acquisition/SamplingLoop.h"

#include "device/BoardProtocol.h"
#include "support/Fakes.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <algorithm>

#include <gtest/gtest.h>

namespace quorlin {
namespace {

QByteArray reply(int hi, int lo) {
    QByteArray r;
    r.append(static_cast<char>(0xFF)).append(static_cast<char>(hi)).append(static_cast<char>(lo));
    return r;
}
// Volts of a reading: (value - 8192) * 0.0006103; 8192 + 1000 * n gives 0.6103 * n.
QByteArray replyOf(int n) {
    return reply((8192 + 1000 * n) >> 8, (8192 + 1000 * n) & 0xFF);
}

template <typename Pred>
bool waitFor(Pred done, int ms = 30000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

class SamplingLoopTest : public ::testing::Test {
  protected:
    SamplingLoopTest() {
        settings.CurrentCommPort = 3;
        settings.GraphMethod = QStringLiteral("AutoScale");
        values.CounterFrequency = 1000000;
        for (int k = 0; k < kChannelCount; ++k) {
            settings.ChannelActive[k] = 1;
            settings.Slope[k] = 2;
            readings.setChecked(k, true);
        }
    }

    ScanHooks recordingHooks() {
        ScanHooks h;
        h.ScanClosed = [this] {
            hookCalls.append(QStringLiteral("ScanClosed"));
            closedScans.push_back(values);
        };
        h.WritePeakFile = [this] {
            hookCalls.append(QStringLiteral("WritePeakFile"));
            if (onPeakFile) {
                onPeakFile();
            }
        };
        h.WriteToFile = [this](const QString& time) {
            rows.append(time);
            if (onRow) {
                onRow();
            }
        };
        return h;
    }

    void click() { loop.mnuSample_Click(); }
    void answer(const QByteArray& bytes = replyOf(1)) { port.feed(bytes); }
    void scan() {
        for (int i = 0; i < kChannelCount; ++i) {
            answer();
        }
    }
    test::FakeTimer& watchdog() { return *timers.created.at(0); }
    test::FakeTimer& quietWait() { return *timers.created.at(2); }
    test::FakeTimer& reconnectTimer() { return *timers.created.at(1); }
    static constexpr const char* kOnCommText = "MSComm1_OnComm";
    char lastRequest() const { return port.written().back(); }

    SettingsModel settings;
    AcquisitionValues values;
    ChannelReadings readings;
    EventGate gate;
    test::FakeSerialPort port{&gate};
    test::FakeClock clock;
    test::RecordingErrorHandler errors;
    test::RecordingMessageBox messages;
    test::FakeTimerFactory timers;
    QStringList hookCalls;
    std::vector<AcquisitionValues> closedScans;  // the values as each scan closed
    QStringList rows;
    std::function<void()> onPeakFile;
    std::function<void()> onRow;
    BoardLink link{settings, port, clock, errors, messages};
    ChannelConversion conversion{settings, values, readings, clock};
    SamplingLoop loop{settings, values, readings, link,       clock,           errors,
                      messages, timers, gate,     conversion, recordingHooks()};
};

TEST_F(SamplingLoopTest, refusals_comeInOrderAndChangeNothing) {
    settings.CurrentCommPort = 0;
    settings.ChannelActive.fill(0);
    click();
    settings.CurrentCommPort = 3;
    click();
    settings.ChannelActive[2] = 1;
    loop.setChannelRangeOn(true);
    click();
    EXPECT_EQ(messages.okTexts,
              QStringList({"No communication port has been selected!",
                           "No active channels have been selected!",
                           "Two or more active channels are needed to use Channel Range!"}));
    EXPECT_FALSE(loop.isSampling());
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(port.written().isEmpty());

    settings.ChannelActive[5] = 1;
    click();
    EXPECT_EQ(messages.okTexts.size(), 3);
    EXPECT_TRUE(loop.isSampling());
}

TEST_F(SamplingLoopTest, start_preparesReadingsAndPortThenAsksForChannelZero) {
    settings.GraphScale = true;
    readings.setVoltsText(4, QStringLiteral("1.5"));
    port.setCommPort(3);
    port.setPortOpen(true);
    port.feedQuietly(QByteArray("\x01\xFF", 2));  // stale bytes from before the start
    click();

    EXPECT_EQ(port.written(), QByteArray("\x66"));
    EXPECT_EQ(port.threshold(), 3);
    EXPECT_TRUE(port.pending().isEmpty());
    EXPECT_TRUE(loop.isSampling());
    EXPECT_TRUE(hookCalls.isEmpty());
    EXPECT_EQ(readings.row(4).voltsText, "0");
    EXPECT_EQ(readings.row(4).scaledText, "0");

    // The first reply is channel 0's, not mixed with the stale bytes.
    answer(reply(0x20, 0x01));
    EXPECT_EQ(readings.row(0).voltsText, "0.001");
    EXPECT_EQ(values.ChannelVolts[0], 0.001);
    EXPECT_EQ(readings.row(0).scaledText, "0.002");
}

TEST_F(SamplingLoopTest, requestsGoRoundAllEightChannelsInTheBoardsOrder) {
    click();
    scan();
    scan();
    EXPECT_EQ(port.written(), QByteArray("fxywmnopfxywmnopf"));
    EXPECT_EQ(values.CurrentChannel, 0);
}

// A bad reply is asked for again once the line has been quiet for three byte times; bytes
// that come meanwhile, with or without a receive event, start the wait again.
TEST_F(SamplingLoopTest, badReplies_repeatSameRequestOnceTheLineIsQuiet_andShowNothing) {
    click();
    answer();
    answer();
    ASSERT_EQ(lastRequest(), 'y');  // channel 2 outstanding
    const QByteArray before = port.written();

    answer(QByteArray("\xFE\x20\x00", 3));  // wrong marker
    EXPECT_EQ(quietWait().interval, 4);     // 3 bytes of 10 bits at 9600 baud, rounded up
    EXPECT_FALSE(watchdog().isActive());
    quietWait().fire();
    answer(QByteArray("\x00\xFF\x20", 3));    // a stray byte, then the reply in two pieces
    answer(QByteArray("\x00\x12\x34", 3));    // its tail and noise, while waiting
    port.feedQuietly(QByteArray("\x00", 1));  // below the threshold: seen at the timeout
    EXPECT_EQ(port.written(), before + "y");
    quietWait().fire();
    EXPECT_EQ(port.written(), before + "y");
    quietWait().fire();
    port.feedQuietly(QByteArray("\xFF\x20", 2));  // short: as if the event came anyway
    loop.MSComm1_OnComm();
    quietWait().fire();

    EXPECT_EQ(port.written(), before + "yyy");
    EXPECT_EQ(loop.repeatCount(), 3u);
    EXPECT_EQ(readings.row(2).voltsText, "0");
    EXPECT_EQ(values.ChannelVolts[2], 0.0);
    EXPECT_EQ(values.CurrentChannel, 2);

    answer(reply(0x20, 0x00 + 2));
    EXPECT_EQ(readings.row(2).voltsText, "0.001");
    watchdog().fire();  // none of the dropped bytes was a reply: the next channel waited
    EXPECT_EQ(lastRequest(), 'w');
}

// After a bad reply the first request may still be answered (noise before a late reply):
// unless the dropped bytes ended with a reply, the request asked again may be answered twice,
// so the next channel is asked for only once the line has been quiet after the good reply.
TEST_F(SamplingLoopTest, afterARepeat_aSecondAnswerIsNeverTakenForTheNextChannel) {
    const struct {
        const char* name;
        QByteArray dropped;
        bool secondAnswerPossible;
    } cases[] = {
        {"stray byte, then the reply", QByteArray("\x00\xFF\x20\x00", 4), false},
        {"long reply after noise", QByteArray("\x12\xFF\x20\x00", 4), false},
        {"wrong marker", QByteArray("\xFE\x20\x00", 3), true},
        {"noise, the reply still to come", QByteArray("\x12\x34\x56\x78", 4), true},
    };
    click();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int k = values.CurrentChannel;
        const char asked = lastRequest();
        answer(c.dropped);
        quietWait().fire();
        ASSERT_EQ(lastRequest(), asked);
        const QByteArray before = port.written();
        answer(replyOf(3));
        EXPECT_EQ(readings.row(k).voltsText, "1.831");
        if (c.secondAnswerPossible) {
            EXPECT_EQ(port.written(), before);
            EXPECT_EQ(watchdog().interval, SamplingLoop::kQuietMs);
            answer(replyOf(4));  // the second answer: dropped
            watchdog().fire();
        }
        EXPECT_EQ(port.written(), before + requestByte((k + 1) % kChannelCount));
        answer(replyOf(1));
        EXPECT_EQ(readings.row((k + 1) % kChannelCount).voltsText, "0.61");
    }
    EXPECT_EQ(loop.repeatCount(), 4u);
}

TEST_F(SamplingLoopTest, untickedChannelIsStillRequestedAndShowsZero) {
    readings.setChecked(3, false);
    values.ChannelVolts[3] = 9;
    click();
    for (int i = 0; i < 3; ++i) {
        answer();
    }
    ASSERT_EQ(lastRequest(), 'w');
    answer(QByteArray("\xFE\x3F\xFF", 3));  // still tested: a bad reply is asked again
    quietWait().fire();
    EXPECT_EQ(lastRequest(), 'w');
    EXPECT_EQ(values.CurrentChannel, 3);
    answer(reply(0x3F, 0xFF));
    EXPECT_EQ(values.ChannelVolts[3], 0.0);
    EXPECT_EQ(readings.row(3).voltsText, "0");
    watchdog().fire();
    EXPECT_EQ(lastRequest(), 'm');
    EXPECT_EQ(readings.row(2).voltsText, "0.61");  // ticked neighbours are decoded
}

TEST_F(SamplingLoopTest, elapsedTimeIsStampedAtChannelZeroFromTheCounter) {
    clock.counterValue = 5'000'000;
    click();
    clock.counterValue += 250'000;
    answer();
    EXPECT_EQ(values.ElapsedTimeText, ".25");
    clock.counterValue += 3'000'000;  // later replies of the scan keep the stamp
    for (int i = 1; i < kChannelCount; ++i) {
        answer();
    }
    EXPECT_EQ(values.ElapsedTimeText, ".25");

    const std::pair<qint64, const char*> cases[] = {
        {0, "0"},         {1'500'000, "1.5"},  {12'340'000, "12.34"}, {100'000'000, "100"},
        {1'005'000, "1"}, {1'015'000, "1.02"}, {1'004'999, "1"}};
    for (const auto& [ticks, text] : cases) {
        clock.counterValue = 5'000'000 + ticks;
        scan();
        EXPECT_EQ(values.ElapsedTimeText, text) << ticks;
    }
}

TEST_F(SamplingLoopTest, eachScanIsHandedOnOnceAtItsClose) {
    readings.setChecked(6, false);
    click();
    clock.counterValue = 250'000;
    for (int k = 0; k < kChannelCount; ++k) {
        answer(replyOf(k));
        if (k < 7) {
            EXPECT_TRUE(closedScans.empty());  // only the scan's close hands it on
        }
    }
    ASSERT_EQ(closedScans.size(), 1u);
    EXPECT_EQ(closedScans[0].ElapsedTimeText, ".25");
    for (int k = 0; k < kChannelCount; ++k) {
        EXPECT_EQ(closedScans[0].ChannelVolts[k], readings.row(k).voltsText.toDouble()) << k;
        EXPECT_EQ(closedScans[0].ChannelScaled[k], readings.row(k).scaledText.toDouble()) << k;
    }
    EXPECT_EQ(closedScans[0].ChannelVolts[3], 1.831);
    EXPECT_EQ(closedScans[0].ChannelScaled[3], 3.662);  // slope 2
    EXPECT_EQ(closedScans[0].ChannelVolts[6], 0.0);     // not ticked
    scan();
    EXPECT_EQ(closedScans.size(), 2u);
}

TEST_F(SamplingLoopTest, dataRows_gatedByIntervalOnlyWhileAFileIsInUse) {
    settings.DataFileInUse = true;
    settings.DataIntervalMs = 1000;
    clock.ms = 5'000'000'000LL;  // past the signed 32-bit range: a 64-bit tick
    click();
    QStringList expected;
    for (int s = 0; s < 100; ++s) {
        clock.counterValue = s * 50'000LL;
        clock.ms += 50;
        scan();
        if (s % 20 == 0) {
            expected.append(values.ElapsedTimeText);
        }
    }
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(rows.size(), 5);
    EXPECT_EQ(values.LastRowTick, 5'000'000'000.0 + 81 * 50);

    rows.clear();
    settings.DataIntervalMs = 0;  // no restriction: every scan
    scan();
    scan();
    EXPECT_EQ(rows.size(), 2);
    settings.DataFileInUse = false;
    scan();
    EXPECT_EQ(rows.size(), 2);
}

TEST_F(SamplingLoopTest, wallClockJumps_changeNeitherElapsedTimeNorTheDataInterval) {
    settings.DataFileInUse = true;
    settings.DataIntervalMs = 1000;
    click();
    scan();
    // The wall clock steps back an hour, then forward two (NTP, daylight saving): only the
    // monotonic counter and tick decide the time column and which scans are recorded.
    const int jumps[] = {-3600, 7200, -1};
    for (int i = 1; i <= 3; ++i) {
        clock.now = clock.now.addSecs(jumps[i - 1]);
        clock.counterValue = i * 500'000LL;
        clock.ms += 500;
        scan();
    }
    EXPECT_EQ(rows, QStringList({"0", "1"}));
}

TEST_F(SamplingLoopTest, healthCounters_countScansAndRepeatedRequests_startAndStopSignalled) {
    QList<bool> changes;
    QObject::connect(&loop, &SamplingLoop::samplingChanged, [&](bool on) { changes << on; });
    click();
    scan();
    answer();
    answer(QByteArray("\xFE\x20\x00", 3));  // bad: asked again once the line is quiet
    quietWait().fire();
    watchdog().fire();  // no reply: asked again once the line is quiet
    EXPECT_EQ(loop.scanCount(), 1u);
    EXPECT_EQ(loop.repeatCount(), 2u);
    click();
    EXPECT_EQ(changes, QList<bool>({true, false}));
}

TEST_F(SamplingLoopTest, stopWithPeakOn_writesPeakFileOnceThenResetsPeaks) {
    settings.PeakDisplay[0] = 2;
    conversion.mnuPeakOn_Click();
    click();
    answer(replyOf(3));
    ASSERT_EQ(readings.row(0).peakText, "3.662");
    QString peakAtWrite;
    onPeakFile = [&] { peakAtWrite = readings.row(0).peakText; };

    click();
    EXPECT_EQ(hookCalls.count("WritePeakFile"), 1);
    EXPECT_EQ(peakAtWrite, "3.662");  // the file sees the run's peaks
    EXPECT_FALSE(settings.PeakOn);
    EXPECT_EQ(readings.row(0).peakText, "0");
    EXPECT_EQ(readings.row(0).peakTimeText, "");

    click();
    click();  // a run without Peak On writes no peak file
    EXPECT_EQ(hookCalls.count("WritePeakFile"), 1);
}

TEST_F(SamplingLoopTest, stop_closesPortAndClearsTheReadings) {
    click();
    scan();
    answer();
    ASSERT_EQ(readings.row(0).voltsText, "0.61");
    hookCalls.clear();
    const QByteArray written = port.written();

    click();
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(loop.isSampling());
    for (int k = 0; k < kChannelCount; ++k) {
        EXPECT_EQ(readings.row(k).voltsText, "0") << k;
        EXPECT_EQ(readings.row(k).scaledText, "0") << k;
    }
    EXPECT_TRUE(hookCalls.isEmpty());
    EXPECT_FALSE(watchdog().isActive());

    answer();  // nothing more is asked of the board
    EXPECT_EQ(port.written(), written);
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(SamplingLoopTest, errorInReceiveEvent_reportedOnceAndLoopStandsStill) {
    click();
    answer();
    port.failOutput();
    const QByteArray written = port.written();
    answer();
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].number, ErrorNumber::DeviceNotOpen);
    EXPECT_EQ(errors.reports[0].source, "MSComm1_OnComm");
    EXPECT_EQ(errors.reports[0].screen, "Main");
    EXPECT_EQ(port.written(), written);
    EXPECT_FALSE(watchdog().isActive());  // no retries behind the operator's back
    EXPECT_TRUE(loop.isSampling());
}

TEST_F(SamplingLoopTest, nextRequestGoesOutBeforeTheReplyIsShown_aFailureAfterItStopsTheLoop) {
    settings.DataFileInUse = true;
    QByteArray writtenAtRow;
    QString voltsAtRow;
    onRow = [&] {
        writtenAtRow = port.written();
        voltsAtRow = readings.row(7).voltsText;
        throw AppError(ErrorNumber::Overflow, QStringLiteral("Overflow"));
    };
    click();
    for (int i = 0; i < kChannelCount - 1; ++i) {
        answer();
    }
    answer(replyOf(3));
    EXPECT_EQ(writtenAtRow, QByteArray("fxywmnopf"));
    EXPECT_EQ(voltsAtRow, "1.831");  // shown by the time the scan closes, as before
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].source, "MSComm1_OnComm");
    EXPECT_FALSE(watchdog().isActive());

    // The reply to the request already sent is dropped: the loop stands still.
    answer(replyOf(4));
    EXPECT_EQ(port.written(), QByteArray("fxywmnopf"));
    EXPECT_EQ(readings.row(0).voltsText, "0.61");
    EXPECT_EQ(errors.reports.size(), 1u);

    // Stop and start again: the loop runs from channel 0.
    onRow = nullptr;
    click();
    click();
    answer(replyOf(2));
    EXPECT_EQ(readings.row(0).voltsText, "1.221");
    EXPECT_EQ(lastRequest(), 'x');
}

// Started with the device absent: the two reports, then the run waits for the device as
// after an unplug and starts by itself once it opens; a second click stops it cleanly.
TEST_F(SamplingLoopTest, openFailure_reportsThenWaitsForTheDevice_andStartsWhenItIsThere) {
    clock.autoAdvanceMs = 1;  // the command pair's pause ends
    settings.SamplesAveraged = 10;
    for (const bool deviceComes : {true, false}) {
        errors.reports.clear();
        port.clearWritten();
        port.failOpen();
        click();
        EXPECT_EQ(errors.sources(), QStringList({"OpenCommPort", "mnuSample_Click", kOnCommText}));
        EXPECT_EQ(errors.reports[1].number, ErrorNumber::DeviceNotOpen);
        EXPECT_EQ(errors.reports[1].screen, "Main");
        EXPECT_FALSE(errors.reports[2].boxShown);
        EXPECT_TRUE(loop.isSampling());
        EXPECT_TRUE(loop.isReconnecting());
        EXPECT_TRUE(readings.boardStatus().startsWith("The board was lost on serial port"));
        EXPECT_TRUE(port.written().isEmpty());
        EXPECT_FALSE(watchdog().isActive());
        if (deviceComes) {
            port.openNormally();
            reconnectTimer().fire();
            EXPECT_EQ(port.written(), QByteArray("zjf"));  // the pair, then channel 0
            EXPECT_FALSE(loop.isReconnecting());
        }
        click();
        EXPECT_FALSE(loop.isSampling());
        EXPECT_FALSE(loop.isReconnecting());
        EXPECT_FALSE(reconnectTimer().isActive());
        EXPECT_FALSE(port.isOpen());
    }
}

TEST_F(SamplingLoopTest, watchdog_retriesTheSameRequestAfterSilenceAndQuiet) {
    click();
    answer();
    answer();
    ASSERT_EQ(lastRequest(), 'y');
    EXPECT_TRUE(watchdog().isActive());
    EXPECT_EQ(watchdog().interval, SamplingLoop::kReplyTimeoutMs);
    const QByteArray before = port.written();

    port.feedQuietly(QByteArray("\xFF\x20", 2));  // the rest of the reply was lost
    watchdog().fire();
    EXPECT_EQ(readings.boardStatus(), "The board is not answering on serial port 3. Retrying...");
    EXPECT_TRUE(port.pending().isEmpty());
    EXPECT_EQ(watchdog().interval, SamplingLoop::kQuietMs);
    EXPECT_TRUE(watchdog().isActive());
    EXPECT_EQ(port.written(), before);

    port.feedQuietly(QByteArray("\x01", 1));  // the line is not quiet yet
    watchdog().fire();
    EXPECT_EQ(port.written(), before);
    EXPECT_TRUE(port.pending().isEmpty());
    EXPECT_EQ(watchdog().interval, SamplingLoop::kQuietMs);
    EXPECT_TRUE(watchdog().isActive());

    watchdog().fire();  // quiet: ask again
    EXPECT_EQ(port.written(), before + "y");
    EXPECT_EQ(watchdog().interval, SamplingLoop::kReplyTimeoutMs);
    EXPECT_FALSE(readings.boardStatus().isEmpty());

    answer(reply(0x20, 0x03));
    EXPECT_EQ(readings.boardStatus(), "");
    EXPECT_EQ(readings.row(2).voltsText, "0.002");
    watchdog().fire();  // the line stayed quiet after the retry's reply
    EXPECT_EQ(lastRequest(), 'w');

    watchdog().fire();  // stop cancels a running watchdog and its status
    click();
    EXPECT_FALSE(watchdog().isActive());
    EXPECT_EQ(readings.boardStatus(), "");
    const QByteArray atStop = port.written();
    watchdog().fire();  // a timeout already on its way does nothing
    EXPECT_EQ(port.written(), atStop);
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(SamplingLoopTest, watchdog_lateReplyIsNeverTakenForTheNextChannel) {
    click();
    answer();
    answer();
    ASSERT_EQ(lastRequest(), 'y');
    const QByteArray before = port.written();
    watchdog().fire();

    answer(reply(0x3F, 0xFF));  // channel 2's reply, too late
    EXPECT_EQ(port.written(), before);
    EXPECT_EQ(readings.row(2).voltsText, "0");
    EXPECT_EQ(readings.row(3).voltsText, "0");
    EXPECT_EQ(values.CurrentChannel, 2);
    EXPECT_EQ(watchdog().interval, SamplingLoop::kQuietMs);

    watchdog().fire();
    EXPECT_EQ(port.written(), before + "y");
    answer(reply(0x20, 0x01));
    EXPECT_EQ(readings.row(2).voltsText, "0.001");
    watchdog().fire();
    answer(reply(0x20, 0x02));
    EXPECT_EQ(readings.row(3).voltsText, "0.001");
}

TEST_F(SamplingLoopTest, watchdog_secondReplyAfterTheRetryIsNeverTakenForTheNextChannel) {
    click();
    answer();
    answer();
    ASSERT_EQ(lastRequest(), 'y');
    watchdog().fire();
    watchdog().fire();  // quiet: channel 2 is asked for again
    const QByteArray retried = port.written();
    ASSERT_TRUE(retried.endsWith("yy"));

    answer(reply(0x20, 0x01));  // the first request's reply, later than the retry
    EXPECT_EQ(readings.row(2).voltsText, "0.001");
    EXPECT_EQ(port.written(), retried);  // channel 3 waits until the line is quiet
    EXPECT_EQ(readings.boardStatus(), "");
    answer(reply(0x3F, 0xFF));  // the retry's reply
    EXPECT_EQ(readings.row(2).voltsText, "0.001");
    EXPECT_EQ(readings.row(3).voltsText, "0");
    EXPECT_EQ(port.written(), retried);

    watchdog().fire();
    EXPECT_EQ(port.written(), retried + "w");
    answer(reply(0x20, 0x02));
    EXPECT_EQ(readings.row(3).voltsText, "0.001");
    answer(reply(0x20, 0x04));  // no retry pending: on at once
    EXPECT_EQ(readings.row(4).voltsText, "0.002");
    EXPECT_EQ(lastRequest(), 'n');
}

TEST_F(SamplingLoopTest, lineLost_reportedOnceWithoutRequestThenStopIsClean) {
    click();
    answer();
    const QByteArray before = port.written();
    port.raiseLineLost();
    port.raiseLineLost();
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].number, ErrorNumber::LineLost);
    EXPECT_EQ(errors.reports[0].source, "MSComm1_OnComm");
    EXPECT_EQ(errors.reports[0].screen, "Main");
    EXPECT_TRUE(errors.reports[0].description.contains("serial port 3"));
    EXPECT_EQ(port.written(), before);
    EXPECT_FALSE(watchdog().isActive());

    click();
    EXPECT_EQ(errors.reports.size(), 1u);
    EXPECT_FALSE(loop.isSampling());
}

TEST_F(SamplingLoopTest, portEventNeverRunsInsideAnotherOne) {
    settings.DataFileInUse = true;
    QByteArray writtenInside;
    onRow = [&] {
        onRow = nullptr;
        answer(replyOf(2));  // arrives while the scan is being closed
        writtenInside = port.written();
    };
    click();
    scan();
    // Channel 0's request was out before the scan was closed; the reply fed meanwhile waits.
    EXPECT_EQ(writtenInside, QByteArray("fxywmnopf"));
    EXPECT_EQ(port.written(), QByteArray("fxywmnopf"));
    EXPECT_TRUE(waitFor([&] { return port.written().endsWith("fx"); }));
    EXPECT_EQ(readings.row(0).voltsText, "1.221");
}

TEST_F(SamplingLoopTest, eventsRaisedWithTheGateHeld_areHandledAtOnce) {
    // The platform raises its port events through the gate, which it holds while the handler
    // runs; the next request must still go out from the receive event itself, without
    // another event-loop pass.
    click();
    bool gateOpenAtWrite = true;
    port.onOutput = [&](const QByteArray&) { gateOpenAtWrite = gate.isOpen(); };
    answer(replyOf(2));
    EXPECT_EQ(port.written(), QByteArray("fx"));
    EXPECT_FALSE(gateOpenAtWrite);
    EXPECT_EQ(readings.row(0).voltsText, "1.221");
    {
        const EventGate::Hold delivery(gate);
        watchdog().fire();
        EXPECT_FALSE(readings.boardStatus().isEmpty());
    }
}

class SamplingLoopReconnectTest : public SamplingLoopTest {
  protected:
    SamplingLoopReconnectTest() {
        port.device = QStringLiteral("/dev/serial/by-id/usb-QRL-if00");
        clock.autoAdvanceMs = 1;  // the command pair's pause ends
        settings.DataFileInUse = true;
        settings.SamplesAveraged = 10;
    }
    void loseLine() {
        click();
        scan();
        answer();  // channel 0 of the second scan, then the line goes
        port.raiseLineLost();
        port.clearWritten();
    }
};

TEST_F(SamplingLoopReconnectTest, lostLine_loggedWithoutABoxAndTheRunStaysOn) {
    loseLine();
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_FALSE(errors.reports[0].boxShown);
    EXPECT_EQ(errors.reports[0].number, ErrorNumber::LineLost);
    EXPECT_TRUE(
        errors.reports[0].description.contains("serial port 3 (/dev/serial/by-id/usb-QRL-if00)"));
    EXPECT_TRUE(messages.all.isEmpty());
    EXPECT_TRUE(loop.isSampling());
    EXPECT_TRUE(loop.isReconnecting());
    EXPECT_EQ(readings.boardStatus(),
              "The board was lost on serial port 3 (/dev/serial/by-id/usb-QRL-if00) since "
              "14:05:09. Reconnecting...");
    EXPECT_FALSE(watchdog().isActive());
    EXPECT_TRUE(reconnectTimer().isActive());
    EXPECT_EQ(reconnectTimer().interval, 1000);
}

TEST_F(SamplingLoopReconnectTest, reopeningRetriesQuietlyThenResumesWithANewScan) {
    loseLine();
    struct Attempt {
        qint32 failure;  // 0: the device opens
        size_t reportsAfter;
    };
    // Absent, busy, refused twice (said once), then back.
    const Attempt attempts[] = {{ErrorNumber::InvalidPortNumber, 1},
                                {ErrorNumber::PortAlreadyOpen, 1},
                                {ErrorNumber::PathFileAccessError, 2},
                                {ErrorNumber::PathFileAccessError, 2},
                                {0, 3}};
    for (const Attempt& a : attempts) {
        if (a.failure != 0) {
            port.failOpen(a.failure, QStringLiteral("refused, add your user to dialout"));
        } else {
            port.openNormally();
        }
        clock.ms += 1000;
        reconnectTimer().fire();
        EXPECT_EQ(errors.reports.size(), a.reportsAfter) << a.failure;
        EXPECT_EQ(reconnectTimer().isActive(), a.failure != 0) << a.failure;
        EXPECT_EQ(port.isOpen(), a.failure == 0);
    }
    EXPECT_TRUE(errors.reports[1].description.contains("dialout"));
    EXPECT_TRUE(messages.all.isEmpty());
    // The samples-averaged pair, then channel 0: a new scan.
    EXPECT_EQ(port.written(), QByteArray("zjf"));
    EXPECT_EQ(port.threshold(), 3);
    EXPECT_FALSE(loop.isReconnecting());
    EXPECT_TRUE(readings.boardStatus().isEmpty());
    EXPECT_EQ(loop.reconnectCount(), 1u);
    const test::ReportedError& back = errors.reports[2];
    EXPECT_FALSE(back.boxShown);
    EXPECT_EQ(back.number, ErrorNumber::LineLost);
    // Five attempts a second apart, and the pair's 100 ms pause.
    EXPECT_TRUE(back.description.contains(QStringLiteral("came back after 5.1 s")))
        << back.description.toStdString();

    rows.clear();
    scan();
    EXPECT_EQ(rows.size(), 1);
    EXPECT_TRUE(port.written().endsWith("f"));
}

TEST_F(SamplingLoopReconnectTest, goneAgainDuringTheCommandPause_triesAgainWithOneHandle) {
    loseLine();
    int losses = 0;
    port.onOutput = [&](const QByteArray& b) {
        if (b == "z" && losses < 3) {
            ++losses;
            port.raiseLineLost();  // gone between the two bytes of the pair
        }
    };
    for (int i = 0; i < 4; ++i) {
        reconnectTimer().fire();
    }
    EXPECT_EQ(losses, 3);
    EXPECT_FALSE(loop.isReconnecting());
    EXPECT_EQ(loop.reconnectCount(), 1u);
    EXPECT_TRUE(messages.all.isEmpty());
    EXPECT_TRUE(port.written().endsWith("zjf"));
    answer(replyOf(2));
    EXPECT_EQ(readings.row(0).voltsText, "1.221");  // the reply to channel 0, taken as channel 0's
}

TEST_F(SamplingLoopReconnectTest, stoppingWhileReconnecting_isCleanAndEndsTheRetries) {
    settings.PeakOn = true;
    loseLine();
    click();
    EXPECT_FALSE(loop.isSampling());
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(reconnectTimer().isActive());
    EXPECT_TRUE(hookCalls.contains("WritePeakFile"));
    EXPECT_TRUE(messages.all.isEmpty());
    EXPECT_TRUE(readings.boardStatus().isEmpty());
    const int opens = port.openCount();
    reconnectTimer().fire();  // a tick already on its way
    EXPECT_EQ(port.openCount(), opens);
    EXPECT_EQ(errors.reports.size(), 1u);
}

TEST_F(SamplingLoopReconnectTest, averagingChosenWhileTheBoardIsAway_waitsAndShowsNoBox) {
    link.SendSamplesAveraged();  // at start-up: the board averages 10
    loseLine();
    const int opens = port.openCount();
    settings.SamplesAveraged = 20;
    link.SendSamplesAveraged();  // the main window activated during the reconnect
    EXPECT_EQ(port.openCount(), opens);
    EXPECT_TRUE(link.averagingPending());

    reconnectTimer().fire();
    EXPECT_EQ(port.written(), QByteArray("zjf"));  // the run goes on averaging as it began
    EXPECT_TRUE(link.averagingPending());

    port.raiseLineLost();
    click();  // stopped while the board is away again
    EXPECT_FALSE(loop.isSampling());
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(link.averagingPending());
    EXPECT_TRUE(messages.all.isEmpty());
    EXPECT_TRUE(std::none_of(errors.reports.begin(), errors.reports.end(),
                             [](const test::ReportedError& r) { return r.boxShown; }));
}

}  // namespace
}  // namespace quorlin

// Whole sampling runs against the simulated board over a pseudo-terminal, driven through the
// main window's menu commands, with the real serial port, clock and timers.

#include "acquisition/AcquisitionEngine.h"
#include "acquisition/SamplingLoop.h"
#include "integration/SamplingRun.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

namespace quorlin::test {
namespace {

using namespace std::chrono_literals;

const QString kNotAnswering =
    QStringLiteral("The board is not answering on serial port 1. Retrying...");

// Channel k reads a rising ramp in a raw range of its own: no reading of one channel can be
// mistaken for one of another, and consecutive readings show different volts.
void giveChannelsDisjointRamps(AppHarness& h) {
    for (int k = 0; k < kChannelCount; ++k) {
        h.board().setSource(k, sim::Source::ramp(static_cast<uint16_t>(0x100 + k * 0x780), 2));
    }
}

// Every volts text a channel showed is a reading the board sent for that very channel.
void expectEveryShownValueIsItsOwnChannels(const ShownTexts& shown,
                                           const std::vector<sim::Exchange>& ex) {
    for (int k = 0; k < kChannelCount; ++k) {
        const std::vector<double> sent = voltsSentFor(ex, k, false);
        for (const QString& text : shown.volts[k]) {
            EXPECT_NE(std::find(sent.begin(), sent.end(), text.toDouble()), sent.end())
                << "CH" << k << " showed " << text.toStdString()
                << ", which the board never sent for it";
        }
    }
}

// The request after each reading: the next channel after a good reply, the same one after a
// bad or missing one.
void expectEachRequestFollowsTheLastReply(const std::vector<sim::Exchange>& ex) {
    ASSERT_FALSE(ex.empty());
    EXPECT_EQ(ex[0].request, kRequestBytes[0]);
    for (size_t i = 0; i + 1 < ex.size(); ++i) {
        const int next = ex[i].good ? (ex[i].channel + 1) % kChannelCount : ex[i].channel;
        ASSERT_EQ(ex[i + 1].request, kRequestBytes[next])
            << "request " << i + 1 << " after a " << (ex[i].good ? "good" : "bad") << " reply of CH"
            << ex[i].channel;
    }
}

// Counts every event delivered anywhere in the program, but to one object of the test's.
class EventCounter : public QObject {
  public:
    explicit EventCounter(const QObject* ignored) : ignored_(ignored) {}
    bool eventFilter(QObject* to, QEvent*) override {
        count += to != ignored_;
        return false;
    }
    int count = 0;

  private:
    const QObject* ignored_;
};

TEST(SamplingIntegration, requestsGoRoundTheChannelsUntilStopClosesThePort) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(startProgram(h));
    for (int k = 0; k < kChannelCount; ++k) {
        h.board().setSource(k, sim::Source::constant(rawOf(k + 1)));
    }
    ShownTexts shown(h);
    toggleSampling(h);
    ASSERT_TRUE(h.model().mnuSample->isChecked());
    ASSERT_TRUE(waitForScans(h, 3));
    toggleSampling(h);
    EXPECT_FALSE(h.model().mnuSample->isChecked());
    EXPECT_FALSE(h.mainPortOpen());

    // Nothing is written after the stop, and the board got what was written before it.
    const size_t writtenAtStop = h.writes().size();
    ASSERT_TRUE(h.waitForBoardToCatchUp());
    EXPECT_EQ(h.writes().size(), writtenAtStop);

    const std::vector<sim::Exchange> ex = readings(h);
    ASSERT_GE(ex.size(), 25u);
    for (size_t i = 0; i < ex.size(); ++i) {
        ASSERT_EQ(ex[i].request, kRequestBytes[i % kChannelCount]) << "request " << i;
        ASSERT_TRUE(ex[i].good);
    }
    for (int k = 0; k < kChannelCount; ++k) {
        ASSERT_EQ(shown.volts[k].size(), 1) << "CH" << k;
        EXPECT_EQ(shown.volts[k][0].toDouble(), sim::rawToVolts(rawOf(k + 1))) << "CH" << k;
        EXPECT_EQ(h.model().row(k).voltsText, "0");  // cleared by the stop
    }
    EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'|').toStdString();
}

TEST(SamplingIntegration, restartDiscardsBytesLeftWaitingOnTheLine) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(startProgram(h));
    for (int k = 0; k < kChannelCount; ++k) {
        h.board().setSource(k, sim::Source::constant(rawOf(k + 1)));
    }
    toggleSampling(h);
    ASSERT_TRUE(waitForScans(h, 2));
    toggleSampling(h);
    ASSERT_FALSE(h.mainPortOpen());

    // A second holder of the device keeps its input alive while the program has it closed,
    // and asks for channel 7 itself: the reply waits on the line for the next opener.
    const int fd = ::open(h.board().devicePath().toLocal8Bit().constData(),
                          O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    h.board().clearLog();
    const uint8_t ask = kRequestBytes[7];
    ASSERT_EQ(::write(fd, &ask, 1), 1);
    ASSERT_TRUE(h.waitFor([&] {
        int waiting = 0;
        return ::ioctl(fd, FIONREAD, &waiting) == 0 && waiting >= 3;
    }));
    // The board logs an exchange just after its reply is on the line.
    ASSERT_TRUE(h.waitFor([&] {
        const auto logged = h.board().exchanges();
        return !logged.empty() && logged.back().request == ask;
    }));
    h.board().clearLog();

    ShownTexts shown(h);
    toggleSampling(h);
    ASSERT_TRUE(waitForScans(h, 2));
    toggleSampling(h);
    ::close(fd);

    const std::vector<sim::Exchange> ex = readings(h);
    for (size_t i = 0; i < ex.size(); ++i) {
        ASSERT_EQ(ex[i].request, kRequestBytes[i % kChannelCount]) << "request " << i;
    }
    for (int k = 0; k < kChannelCount; ++k) {
        ASSERT_EQ(shown.volts[k].size(), 1) << "CH" << k;
        EXPECT_EQ(shown.volts[k][0].toDouble(), sim::rawToVolts(rawOf(k + 1))) << "CH" << k;
    }
}

TEST(SamplingIntegration, eachBadReplyIsAskedForAgainAndNeverShown) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(startProgram(h));
    for (int k = 0; k < kChannelCount; ++k) {
        // Every reading differs from the one before by more than the shown precision.
        h.board().setSource(k, sim::Source::ramp(static_cast<uint16_t>(0x0800 + k * 0x0500), 5));
    }
    ShownTexts shown(h);
    toggleSampling(h);
    size_t seen = 0;
    for (const sim::Fault fault :
         {sim::Fault::WrongMarker, sim::Fault::ShortReply, sim::Fault::LongReply,
          sim::Fault::SplitReply, sim::Fault::StrayByteBefore}) {
        ASSERT_TRUE(h.waitFor([&] { return readings(h).size() >= seen + 11; }));
        h.board().injectFault(fault);
        seen = readings(h).size();
    }
    ASSERT_TRUE(h.waitFor([&] { return readings(h).size() >= seen + 20; }));
    toggleSampling(h);
    ASSERT_TRUE(h.waitForBoardToCatchUp());

    const std::vector<sim::Exchange> ex = readings(h);
    const auto bad = std::count_if(ex.begin(), ex.end(), [](const auto& e) { return !e.good; });
    EXPECT_EQ(bad, 4);  // the split reply is a good one
    expectEachRequestFollowsTheLastReply(ex);
    for (int k = 0; k < kChannelCount; ++k) {
        // The last good reply may have come after the stop.
        const std::vector<double> good = voltsSentFor(ex, k, true);
        const QStringList& texts = shown.volts[k];
        ASSERT_LE(static_cast<size_t>(texts.size()), good.size()) << "CH" << k;
        ASSERT_GE(static_cast<size_t>(texts.size()) + 1, good.size()) << "CH" << k;
        for (qsizetype j = 0; j < texts.size(); ++j) {
            EXPECT_EQ(texts[j].toDouble(), good[static_cast<size_t>(j)]) << "CH" << k << " #" << j;
        }
    }
    EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'|').toStdString();
}

// Bytes paced one at a time as a UART sends them: the tail of a bad reply, or a burst of
// noise, arrives after the bad reply has been seen. Decided from what the board received and
// sent, and what the program read before each request: each fault costs at least one and at
// most two requests asked again, and no reading is ever shown for a channel it was not sent
// for. A request asked again while earlier reply bytes had not yet reached the program (the
// line paused in the middle of a reply, as when a busy machine holds up the board's thread) is
// a fault of its own to the program and may cost one more.
TEST(SamplingIntegration, onALinePacedByteByByte_eachFaultCostsAtMostTwoRequestsAskedAgain) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(startProgram(h));
    h.board().setTiming({.emulateLine = true});
    giveChannelsDisjointRamps(h);
    ShownTexts shown(h);
    AcquisitionEngine& engine = h.engine();
    ASSERT_TRUE(h.waitForBoardToCatchUp());
    h.board().clearLog();
    const auto bytesIn = [](const AppHarness::TimedBytes& log) {
        std::vector<std::chrono::steady_clock::time_point> bytes;
        for (const auto& [data, at] : log) {
            bytes.insert(bytes.end(), static_cast<size_t>(data.size()), at);
        }
        return bytes;
    };
    const size_t writtenBefore = bytesIn(h.writes()).size();
    const size_t readBefore = bytesIn(h.reads()).size();
    toggleSampling(h);
    const sim::Fault faults[] = {sim::Fault::StrayByteBefore, sim::Fault::ShortReply,
                                 sim::Fault::LongReply, sim::Fault::WrongMarker,
                                 sim::Fault::NoiseBefore};
    for (const sim::Fault fault : faults) {
        const quint64 scans = engine.scanCount();
        h.board().injectFault(fault);
        ASSERT_TRUE(h.waitFor([&] { return engine.scanCount() >= scans + 3; }));
    }
    toggleSampling(h);
    ASSERT_TRUE(h.waitForBoardToCatchUp());

    // One exchange per byte the program wrote since the log was cleared.
    const std::vector<sim::Exchange> ex = h.board().exchanges();
    const auto written = bytesIn(h.writes());
    const auto read = bytesIn(h.reads());
    ASSERT_EQ(ex.size(), written.size() - writtenBefore);
    struct Episode {
        int repeats = 0;
        int early = 0;  // of them written before the bytes sent ahead of them had come
    };
    std::vector<Episode> episodes(1);  // the first: before any fault
    size_t sent = 0;                   // reply bytes of the exchanges so far
    size_t got = readBefore;
    for (size_t i = 0; i < ex.size(); ++i) {
        ASSERT_GE(ex[i].channel, 0) << i;
        const auto writtenAt = written[writtenBefore + i];
        while (got < read.size() && read[got] <= writtenAt) {
            ++got;
        }
        if (i > 0 && ex[i].channel == ex[i - 1].channel) {
            ++episodes.back().repeats;
            episodes.back().early += got - readBefore < sent;
        }
        sent += static_cast<size_t>(ex[i].replyBytes);
        if (ex[i].answered && !ex[i].good) {
            episodes.emplace_back();
        }
    }
    ASSERT_EQ(episodes.size(), std::size(faults) + 1);
    EXPECT_EQ(episodes[0].repeats, 0);
    for (size_t f = 1; f < episodes.size(); ++f) {
        EXPECT_GE(episodes[f].repeats, 1) << "fault " << f;
        EXPECT_LE(episodes[f].repeats, 2 + episodes[f].early) << "fault " << f;
    }
    expectEveryShownValueIsItsOwnChannels(shown, readings(h));
    EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'|').toStdString();
}

TEST(SamplingIntegration, untickedChannelIsStillAskedForAndShowsZero) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(startProgram(h));
    for (int k = 0; k < kChannelCount; ++k) {
        h.board().setSource(k, sim::Source::constant(rawOf(k + 1)));
    }
    h.model().setChecked(3, false);
    ShownTexts shown(h);
    toggleSampling(h);
    ASSERT_TRUE(waitForScans(h, 3));

    EXPECT_EQ(h.model().row(3).voltsText, "0");
    EXPECT_EQ(h.values().ChannelVolts[3], 0.0);
    EXPECT_EQ(h.model().row(3).scaledText, "0");
    EXPECT_TRUE(shown.volts[3].isEmpty());
    EXPECT_EQ(h.model().row(4).voltsText.toDouble(), sim::rawToVolts(rawOf(5)));
    toggleSampling(h);

    const std::vector<sim::Exchange> ex = readings(h);
    for (size_t i = 0; i < ex.size(); ++i) {
        ASSERT_EQ(ex[i].request, kRequestBytes[i % kChannelCount]) << "request " << i;
    }
    EXPECT_EQ(h.settings().ChannelActive[3], 1);
}

TEST(SamplingIntegration, droppedOrLateReply_statusShownThenSameRequestAfterQuietLine) {
    using Clock = std::chrono::steady_clock;
    AppHarness h({.realChart = false});
    ASSERT_TRUE(startProgram(h));
    giveChannelsDisjointRamps(h);
    ShownTexts shown(h);
    // A reply that never comes, then one that the board holds back until the program has
    // given up on it: it is released as the status shows, and the board has put it on the
    // line before the program goes on to its quiet wait before the retry.
    h.board().setFaultDelay(std::chrono::hours(1));
    bool releaseOnStatus = false;
    size_t lateReads = 0;
    // When the engine set the status, on its own thread: the window hears of it later, by as
    // much as a busy machine makes it.
    std::mutex statusMutex;
    std::vector<Clock::time_point> statusAt;
    QObject::connect(
        &h.engine(), &AcquisitionEngine::boardStatusChanged, &h.engine(),
        [&](const QString& text) {
            if (!text.isEmpty()) {
                const std::lock_guard<std::mutex> lock(statusMutex);
                statusAt.push_back(Clock::now());
            }
        },
        Qt::DirectConnection);
    QObject::connect(&h.model(), &MainWindowModel::boardStatusChanged, [&] {
        if (h.model().boardStatus().isEmpty()) {
            return;
        }
        if (releaseOnStatus) {
            lateReads = h.reads().size();
            const size_t held = h.board().exchanges().size() + 1;
            h.board().releaseHeldReply();
            EXPECT_TRUE(h.board().waitForRequests(held, 30s));
        }
    });
    const size_t firstWrite = h.writes().size();
    toggleSampling(h);
    for (const sim::Fault fault : {sim::Fault::DropReply, sim::Fault::DelayReply}) {
        ASSERT_TRUE(waitForScans(h, closedScans(readings(h)) + 2));
        releaseOnStatus = fault == sim::Fault::DelayReply;
        h.board().injectFault(fault);
        ASSERT_TRUE(h.waitFor([&] { return !h.model().boardStatus().isEmpty(); }));
        EXPECT_EQ(h.model().boardStatus(), kNotAnswering);
        ASSERT_TRUE(h.waitFor([&] { return h.model().boardStatus().isEmpty(); }));
    }
    ASSERT_TRUE(waitForScans(h, closedScans(readings(h)) + 2));
    toggleSampling(h);
    ASSERT_TRUE(h.waitForBoardToCatchUp());

    const std::vector<sim::Exchange> ex = readings(h);
    const AppHarness::TimedBytes writes = h.writes();
    const std::vector<std::pair<QByteArray, Clock::time_point>> sent(
        writes.begin() + static_cast<std::ptrdiff_t>(firstWrite), writes.end());
    ASSERT_EQ(sent.size(), ex.size());
    std::vector<size_t> repeats;
    for (size_t i = 0; i + 1 < ex.size(); ++i) {
        if (ex[i + 1].channel == ex[i].channel) {
            repeats.push_back(i);
        }
    }
    ASSERT_EQ(repeats.size(), 2u);
    const std::lock_guard<std::mutex> lock(statusMutex);
    ASSERT_EQ(statusAt.size(), 2u);
    EXPECT_FALSE(ex[repeats[0]].answered);
    EXPECT_TRUE(ex[repeats[1]].answered);
    // Times where the program wrote, read and set the status (the board's thread may wake late
    // on a busy machine). The status not before a second without an answer, the retry after
    // 100 ms of quiet, for the late reply 100 ms after it was read.
    for (size_t j = 0; j < 2; ++j) {
        EXPECT_GE(statusAt[j] - sent[repeats[j]].second, 1000ms) << "fault " << j;
        EXPECT_GE(sent[repeats[j] + 1].second - statusAt[j], 100ms) << "fault " << j;
    }
    ASSERT_GT(h.reads().size(), lateReads);
    const auto lateReadAt = h.reads()[lateReads].second;
    EXPECT_GE(sent[repeats[1] + 1].second - lateReadAt, 100ms);
    expectEveryShownValueIsItsOwnChannels(shown, ex);
    EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'|').toStdString();
}

TEST(SamplingIntegration, replyLaterThanTheRetry_neverShiftsReadingsToAnotherChannel) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(startProgram(h));
    giveChannelsDisjointRamps(h);
    // At the line's own pace the retry's reply comes well after the late one.
    h.board().setTiming({.emulateLine = true});
    ShownTexts shown(h);
    toggleSampling(h);
    ASSERT_TRUE(waitForScans(h, 2));
    h.board().setFaultDelay(std::chrono::hours(1));
    h.board().injectFault(sim::Fault::DelayReply);
    ASSERT_TRUE(h.waitFor([&] { return !h.model().boardStatus().isEmpty(); }));
    EXPECT_EQ(h.model().boardStatus(), kNotAnswering);
    // The held reply goes out once the retry has been written.
    const size_t written = h.writes().size();
    ASSERT_TRUE(h.waitFor([&] { return h.writes().size() > written; }));
    const AppHarness::TimedBytes writes = h.writes();
    EXPECT_EQ(writes.back().first, writes[written - 1].first);
    h.board().releaseHeldReply();
    ASSERT_TRUE(h.waitFor([&] { return h.model().boardStatus().isEmpty(); }));
    ASSERT_TRUE(waitForScans(h, closedScans(readings(h)) + 3));
    toggleSampling(h);

    const std::vector<sim::Exchange> ex = readings(h);
    expectEveryShownValueIsItsOwnChannels(shown, ex);
    // After the late reply and the retry's reply every channel shows its own readings again.
    for (int k = 0; k < kChannelCount; ++k) {
        EXPECT_FALSE(shown.volts[k].isEmpty());
    }
    EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'|').toStdString();
}

TEST(SamplingIntegration, deviceGoneDuringRun_loggedThenWaitedForQuietlyAndStopsCleanly) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(startProgram(h));
    std::atomic<int> portEvents = 0;  // counted on the engine's thread
    h.engine().call([&] {
        QObject::connect(&h.engine().mainPort(), &SerialPort::onComm, [&] { ++portEvents; });
    });
    toggleSampling(h);
    ASSERT_TRUE(waitForScans(h, 2));

    h.board().closeLine();
    ASSERT_TRUE(h.waitFor([&] { return h.engine().isReconnecting(); }));
    // Counted once the event that found the loss has run its course on the engine's thread
    // (the loop hears of it before the test's counter does).
    int eventsAtLoss = 0;
    h.engine().call([&] { eventsAtLoss = portEvents; });

    // Twenty ticks of a timer of the test's own in the program's event loop, however long
    // a busy machine makes them: nothing more arrives, and nothing spins (a source that
    // spins delivers events on every pass of the loop, many between two ticks).
    QTimer tick;
    tick.setInterval(10);
    EventCounter counter(&tick);
    QEventLoop idle;
    int ticks = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (++ticks == 20) {
            idle.quit();
        }
    });
    QCoreApplication::instance()->installEventFilter(&counter);
    tick.start();
    idle.exec();
    QCoreApplication::instance()->removeEventFilter(&counter);

    EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'|').toStdString();
    EXPECT_EQ(portEvents, eventsAtLoss);
    EXPECT_LT(counter.count, 50);
    EXPECT_TRUE(h.model().mnuSample->isChecked());
    EXPECT_TRUE(h.model().boardStatus().startsWith(
        QStringLiteral("The board was lost on serial port 1 (%1) since ")
            .arg(h.board().devicePath())))
        << h.model().boardStatus().toStdString();

    toggleSampling(h);
    QCoreApplication::processEvents();
    EXPECT_FALSE(h.model().mnuSample->isChecked());
    EXPECT_FALSE(h.engine().isReconnecting());
    EXPECT_TRUE(h.model().mnuTools->isEnabled());
    EXPECT_TRUE(h.model().boardStatus().isEmpty());
    EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'|').toStdString();
    EXPECT_EQ(h.processEnds, 0);
}

TEST(SamplingIntegration, settingsOutsideTheirSets_runWithoutTheUpdatesTheyCannotName) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(startProgram(h, [](SettingsModel& s) {
        s.GraphMethod = QStringLiteral("autoscale");  // the names are compared exactly
        s.PeakDisplay[0] = 2;
        s.PeakDisplay[1] = -1;
        s.ChannelActive[6] = 2;
        s.CalibrationMode[2] = true;
        s.Polynomial[2].PolyOrder = 0;
        s.Polynomial[2].PolyCoeff.fill(5);
        s.CalibrationMode[3] = true;
        s.Polynomial[3].PolyOrder = 11;
        s.Polynomial[3].PolyCoeff.fill(1);
    }));
    for (int k = 0; k < kChannelCount; ++k) {
        h.board().setSource(k, sim::Source::constant(rawOf(k + 1)));
    }
    h.trigger(h.model().mnuPeakOn);
    toggleSampling(h);
    ASSERT_TRUE(h.model().mnuSample->isChecked());
    ASSERT_TRUE(waitForScans(h, 3));
    h.settle();  // the window takes what the engine signalled for those scans

    for (int plot = 1; plot <= kChannelCount; ++plot) {
        EXPECT_TRUE(h.recordingChart->points(plot).empty()) << "plot " << plot;
    }
    EXPECT_FALSE(h.model().row(6).checked);  // left as the window opened it
    EXPECT_EQ(h.model().row(6).voltsText, "0");
    EXPECT_EQ(h.values().ChannelVolts[6], 0.0);
    for (int k : {2, 3}) {
        EXPECT_EQ(h.model().row(k).voltsText.toDouble(), sim::rawToVolts(rawOf(k + 1)));
        EXPECT_EQ(h.model().row(k).scaledText, "0") << "CH" << k;
    }
    EXPECT_EQ(h.model().row(0).peakText, h.model().row(0).scaledText);
    EXPECT_EQ(h.model().row(1).peakText, "0");
    EXPECT_TRUE(h.model().row(1).peakTimeText.isEmpty());
    toggleSampling(h);

    EXPECT_FALSE(h.model().mnuSample->isChecked());
    EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'|').toStdString();
    EXPECT_EQ(h.processEnds, 0);
}

}  // namespace
}  // namespace quorlin::test

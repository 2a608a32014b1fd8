// The board unplugged in the middle of a recorded run and plugged in again on the same link.

#include "acquisition/SamplingLoop.h"
#include "common/AppError.h"
#include "common/NumberText.h"
#include "device/CommPortDialogModel.h"
#include "integration/RecordedFiles.h"
#include "integration/SamplingRun.h"
#include "platform/AppFolders.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quorlin::test {
namespace {

using namespace std::chrono_literals;

constexpr int kHeaderLines = 5;

// The first thing the board was asked on its return: the samples-averaged pair ("z", then the
// count code), then channel 0, a new scan.
bool pairThenChannelZero(const std::vector<sim::Exchange>& ex) {
    const auto z =
        std::find_if(ex.begin(), ex.end(), [](const sim::Exchange& e) { return e.request == 'z'; });
    return ex.end() - z >= 3 && z[1].channel < 0 && z[2].channel == 0;
}

TEST(ReconnectIntegration, unpluggedBoard_runResumesByItselfInTheSameFile) {
    AppHarness h({.realChart = false, .boardLink = true});
    ASSERT_TRUE(startProgram(h, [](SettingsModel& s) { s.WriteFileMethod = "Volts"; }));
    for (int c = 0; c < kChannelCount; ++c) {
        h.board().setSource(c, sim::Source::constant(rawOf(c)));
    }
    const QString link = h.store->value(QStringLiteral("Ports"), QStringLiteral("1"), {});
    const QString path = h.appFolder() + QStringLiteral("/Data Files/run.csv");
    h.files->answers = {path};
    h.trigger(h.model().mnuSave);
    ASSERT_TRUE(h.settings().DataFileInUse);
    toggleSampling(h);
    ASSERT_TRUE(waitForScans(h, 5));

    // Pulled for 1.5 s.
    AcquisitionEngine& loop = h.engine();
    h.board().clearLog();
    h.board().unplug(1500ms);
    ASSERT_TRUE(
        h.waitFor([&] { return loop.isReconnecting() && !h.model().boardStatus().isEmpty(); }));
    EXPECT_TRUE(h.model().boardStatus().startsWith(
        QStringLiteral("The board was lost on serial port 1 (%1) since ").arg(link)))
        << h.model().boardStatus().toStdString();
    EXPECT_TRUE(h.model().mnuSample->isChecked());
    ASSERT_TRUE(
        h.waitFor([&] { return loop.reconnectCount() == 1 && !loop.isReconnecting(); }, 15s));
    EXPECT_TRUE(h.waitFor([&] { return h.model().boardStatus().isEmpty(); }));
    ASSERT_TRUE(waitForScans(h, 5));
    EXPECT_TRUE(pairThenChannelZero(h.board().exchanges()));

    // Gone again and again, twice of them in the pause between the two bytes of the pair.
    int pulledAtPair = 0;
    h.setOnWrite([&](const QByteArray& bytes) {
        if (bytes == "z" && pulledAtPair < 2) {
            ++pulledAtPair;
            h.board().unplug(300ms);
        }
    });
    h.board().unplug(300ms);
    ASSERT_TRUE(
        h.waitFor([&] { return loop.reconnectCount() == 2 && !loop.isReconnecting(); }, 20s));
    h.setOnWrite(nullptr);
    EXPECT_EQ(pulledAtPair, 2);
    h.board().clearLog();
    ASSERT_TRUE(waitForScans(h, 5));
    toggleSampling(h);
    ASSERT_FALSE(loop.isSampling());
    EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'\n').toStdString();
    EXPECT_TRUE(h.board().waitForDeviceClosed(2s));

    // Every row whole, every column its own channel's reading, the time showing the gap.
    const RecordedLines recorded = readRecordedLines(path);
    ASSERT_TRUE(recorded.readable);
    EXPECT_EQ(recorded.badLineEnds, 0);
    ASSERT_GE(recorded.lines.size(), kHeaderLines + 15);
    std::vector<double> times;
    for (qsizetype r = kHeaderLines; r < recorded.lines.size(); ++r) {
        const QStringList f = recorded.lines[r].split(u',');
        ASSERT_EQ(f.size(), 2 + kChannelCount) << r;
        for (int c = 0; c < kChannelCount; ++c) {
            EXPECT_EQ(f[2 + c], shortNumberText(sim::rawToVolts(rawOf(c)))) << r << " CH" << c;
        }
        times.push_back(f[1].toDouble());
    }
    size_t gapAt = 1;
    for (size_t i = 1; i < times.size(); ++i) {
        ASSERT_GE(times[i], times[i - 1]);
        if (times[i] - times[i - 1] > times[gapAt] - times[gapAt - 1]) {
            gapAt = i;
        }
    }
    EXPECT_GE(times[gapAt] - times[gapAt - 1], 1.5);
    EXPECT_GE(gapAt, 5u);

    // Two entries per loss, none shown.
    const RecordedLines log = readRecordedLines(AppFolders(h.appFolder()).errorLog());
    EXPECT_EQ(log.lines.filter(QStringLiteral("Number: ")),
              QStringList(4, QStringLiteral("Number: %1").arg(ErrorNumber::LineLost)));
    EXPECT_EQ(log.lines.filter(QStringLiteral("was lost")).size(), 2);
    EXPECT_EQ(log.lines.filter(QStringLiteral("came back after")).size(), 2);

    // Pulled during detection: not found, nothing left open, found once it is back.
    Platform& p = h.app().platform();
    CommPortDialogModel dialog(h.settings(), *p.store, *p.ports, *p.clock, *p.messageBox,
                               h.app().errorHandler(), [] { return QList<SerialDeviceInfo>{}; });
    dialog.Load();
    bool pulledAtDetection = false;
    h.setOnWrite([&](const QByteArray& bytes) {
        // Detection asks what channel 1's reading request asks.
        if (bytes == QByteArray(1, static_cast<char>(kRequestBytes[1])) && !pulledAtDetection) {
            pulledAtDetection = true;
            h.board().unplug(300ms);
        }
    });
    dialog.cmdDetect_Click();
    EXPECT_EQ(h.box->okTexts, QStringList{QStringLiteral("Quorlin not found on serial port 1!")});
    EXPECT_TRUE(pulledAtDetection);
    ASSERT_TRUE(h.waitFor([&] { return h.board().isRunning(); }));
    h.box->okTexts.clear();
    dialog.cmdDetect_Click();
    EXPECT_EQ(h.box->okTexts, QStringList{QStringLiteral("Quorlin found on serial port 1!")});
    EXPECT_TRUE(h.board().waitForDeviceClosed(2s));
}

// File > Sample with the adapter unplugged: the two reports, then the run waits for the
// device as after an unplug and starts by itself once it is plugged in; a second Sample
// stops it cleanly.
TEST(ReconnectIntegration, sampleWithTheBoardAbsent_waitsForItAndStartsWhenItComes) {
    AppHarness h({.realChart = false, .boardLink = true});
    ASSERT_TRUE(startProgram(h));
    AcquisitionEngine& loop = h.engine();
    h.board().unplug(3s);
    h.board().clearLog();
    toggleSampling(h);
    ASSERT_EQ(h.box->retryCancelTexts.size(), 2);
    EXPECT_TRUE(h.box->retryCancelTexts[0].contains(QStringLiteral("Source: OpenCommPort")));
    EXPECT_TRUE(h.box->retryCancelTexts[1].contains(QStringLiteral("Source: mnuSample_Click")));
    EXPECT_TRUE(loop.isReconnecting());
    EXPECT_TRUE(h.model().mnuSample->isChecked());
    EXPECT_TRUE(h.model().boardStatus().startsWith(QStringLiteral("The board was lost on ")));
    ASSERT_TRUE(
        h.waitFor([&] { return loop.reconnectCount() == 1 && !loop.isReconnecting(); }, 15s));
    ASSERT_TRUE(waitForScans(h, 3));
    EXPECT_TRUE(pairThenChannelZero(h.board().exchanges()));
    toggleSampling(h);
    EXPECT_FALSE(h.model().mnuSample->isChecked());
    EXPECT_TRUE(h.board().waitForDeviceClosed(2s));
    EXPECT_EQ(h.box->all.size(), 2) << h.box->all.join(u'\n').toStdString();
}

}  // namespace
}  // namespace quorlin::test

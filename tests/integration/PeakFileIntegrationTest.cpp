// The peak file after runs with Peak On against the simulated board.

#include "common/NumberText.h"
#include "integration/RecordedFiles.h"
#include "support/AppHarness.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quorlin::test {
namespace {

using namespace std::chrono_literals;
using sim::Source;

constexpr qint16 kNone = 0, kMin = 1, kMax = 2;
const PerChannel<qint16> kPeakTypes{kMax, kMin, kNone, kMax, kMin, kMax, kNone, kMin};

// Scripts that never read exactly 0 V, so every reading moves the scaled box.
std::vector<uint16_t> script(int run, int channel) {
    const int base = 0x2000 + (run == 1 ? 1500 : 450) - 100 * channel;
    const int swing = run == 1 ? 3000 : 900;
    return {static_cast<uint16_t>(base), static_cast<uint16_t>(base + swing),
            static_cast<uint16_t>(base - swing + 37), static_cast<uint16_t>(base + swing / 3)};
}

QString extremeText(const std::vector<uint16_t>& readings, qint16 type) {
    std::vector<double> volts;
    for (uint16_t r : readings) {
        volts.push_back(sim::rawToVolts(r));
    }
    const double v = type == kMax ? *std::max_element(volts.begin(), volts.end())
                                  : *std::min_element(volts.begin(), volts.end());
    return displayNumberText(v);  // the peak box shows the scaled value (slope 1)
}

void runWithPeakOn(AppHarness& h, int run) {
    for (int c = 0; c < kChannelCount; ++c) {
        h.board().setSource(c, Source::scripted(script(run, c)));
    }
    h.board().clearLog();
    h.trigger(h.model().mnuPeakOn);
    ASSERT_TRUE(h.model().mnuPeakOn->isChecked());
    h.trigger(h.model().mnuSample);
    // Each script passes several times, so every extreme was handled before the stop.
    ASSERT_TRUE(h.waitFor([&] { return h.board().exchanges().size() >= 8 * 12; }));
    h.trigger(h.model().mnuSample);
    EXPECT_FALSE(h.model().mnuPeakOn->isChecked());
    EXPECT_FALSE(h.settings().PeakOn);
}

void expectPeakFileOfRun(AppHarness& h, int run) {
    const RecordedLines file = readRecordedLines(h.appFolder() + QStringLiteral("/Logs/Peak.csv"));
    ASSERT_TRUE(file.readable);
    EXPECT_EQ(file.badLineEnds, 0);
    ASSERT_EQ(file.lines.size(), 14);
    EXPECT_EQ(file.lines[0], QStringLiteral("Kestova Quorlin"));
    EXPECT_EQ(file.lines[1], QStringLiteral("Data Acquisition and Display Software File Version ") +
                                 h.settings().VersionText);
    EXPECT_EQ(file.lines[2], QStringLiteral("PEAK FILE"));
    EXPECT_EQ(file.lines[3], QString());
    EXPECT_EQ(file.lines[4], QStringLiteral("Channel,Time,Scaled Value,Peak Type"));
    EXPECT_EQ(file.lines[5], QStringLiteral(",,,(0=None 1=Min 2=Max)"));
    for (int c = 0; c < kChannelCount; ++c) {
        const QStringList f = file.lines[6 + c].split(u',');
        ASSERT_EQ(f.size(), 4) << "CH" << c;
        EXPECT_EQ(f[0], QStringLiteral("CH%1").arg(c));
        EXPECT_EQ(f[3], QString::number(kPeakTypes[c]));
        if (kPeakTypes[c] == kNone) {
            EXPECT_EQ(f[1], QString()) << "CH" << c;
            EXPECT_EQ(f[2], QStringLiteral("0")) << "CH" << c;
        } else {
            EXPECT_TRUE(isDateTimeText(f[1])) << "CH" << c << " " << f[1].toStdString();
            EXPECT_EQ(f[2], extremeText(script(run, c), kPeakTypes[c]))
                << "run " << run << " CH" << c;
        }
    }
}

TEST(PeakFileIntegration, twoRunsWithPeakOn_keepOnlyTheSecondRunsPeaks) {
    AppHarness h({.realChart = false});
    h.writeDefaultConfig([](SettingsModel& s) { s.PeakDisplay = kPeakTypes; });
    ASSERT_TRUE(h.start());
    h.activate();
    ASSERT_TRUE(h.waitFor([&] { return h.board().received().size() >= 2; }));

    runWithPeakOn(h, 1);
    expectPeakFileOfRun(h, 1);
    // The boxes start afresh after the stop.
    EXPECT_EQ(h.model().row(0).peakText, QStringLiteral("0"));
    EXPECT_EQ(h.model().row(0).peakTimeText, QString());

    // Run 2's extremes all lie inside run 1's: a file that kept run 1's peaks would differ.
    runWithPeakOn(h, 2);
    expectPeakFileOfRun(h, 2);

    // A run without Peak On leaves the file as it was.
    const RecordedLines before =
        readRecordedLines(h.appFolder() + QStringLiteral("/Logs/Peak.csv"));
    h.board().clearLog();
    h.trigger(h.model().mnuSample);
    ASSERT_TRUE(h.waitFor([&] { return h.board().exchanges().size() >= 8 * 3; }));
    h.trigger(h.model().mnuSample);
    EXPECT_EQ(readRecordedLines(h.appFolder() + QStringLiteral("/Logs/Peak.csv")).lines,
              before.lines);
    EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'|').toStdString();
}

}  // namespace
}  // namespace quorlin::test

// A scripted run against the simulated board gives the same data and peak file bytes as the
// recordings kept in integration/golden, made before sampling moved off the window's thread.
// The bytes that depend on when the run happened (creation date and time, system time, elapsed
// seconds, peak times) are masked; everything else, line ends included, must match.
// QUORLIN_WRITE_GOLDEN=1 rewrites the recordings from this build.

#include "integration/RecordedFiles.h"
#include "integration/SamplingRun.h"
#include "support/AppHarness.h"
#include "support/DataFileText.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace quorlin::test {
namespace {

using sim::Fault;
using sim::Source;

constexpr int kScriptLength = 30;
constexpr int kRowsCompared = 40;  // the scripts hold their last value after 30 readings

// Readings spread over most of the converter's range, different on every channel.
std::vector<uint16_t> script(int channel) {
    std::vector<uint16_t> out;
    for (int i = 0; i < kScriptLength; ++i) {
        out.push_back(static_cast<uint16_t>(0x2000 + (i * 7919 + channel * 104729) % 16001 - 8000));
    }
    return out;
}

const QByteArray kMask = "*";

// Every line of `bytes` with the given comma-separated fields masked; lines keep their ends.
QByteArray masked(const QByteArray& bytes, int firstLine, int lastLine,
                  const std::vector<int>& fields, bool keepEmpty) {
    QList<QByteArray> lines = bytes.split('\n');
    for (int i = firstLine; i < std::min<int>(lastLine, static_cast<int>(lines.size())); ++i) {
        QList<QByteArray> f = lines[i].split(',');
        for (int k : fields) {
            if (k < f.size() && !(keepEmpty && f[k].isEmpty())) {
                f[k] = kMask;
            }
        }
        lines[i] = f.join(',');
    }
    return lines.join('\n');
}

// The header and the first rows of the data file, with the times masked.
QByteArray maskedDataFile(const QByteArray& bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() > 5 + kRowsCompared) {
        lines.resize(5 + kRowsCompared);
        lines.append(QByteArray());  // the last kept row's line end
    }
    for (int i : {2, 3}) {
        if (i < lines.size()) {
            lines[i] = lines[i].left(lines[i].indexOf(':') + 1) + ' ' + kMask + '\r';
        }
    }
    return masked(lines.join('\n'), 5, 5 + kRowsCompared, {0, 1}, false);
}

void compareWithGolden(const QByteArray& actual, const QString& name) {
    const QString path = QStringLiteral(QUORLIN_GOLDEN_DIR "/") + name;
    if (qEnvironmentVariableIsSet("QUORLIN_WRITE_GOLDEN")) {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(actual);
        return;
    }
    const QByteArray expected = readAll(path);
    ASSERT_FALSE(expected.isEmpty()) << path.toStdString();
    EXPECT_EQ(actual.toStdString(), expected.toStdString()) << name.toStdString();
}

TEST(GoldenRunIntegration, scriptedRun_recordsTheSameDataAndPeakFileBytes) {
    AppHarness h({.realChart = false});
    ASSERT_TRUE(startProgram(h, [](SettingsModel& s) {
        s.WriteFileMethod = QStringLiteral("Scale");
        s.SamplesAveraged = 10;
        s.PeakDisplay = {2, 1, 0, 2, 1, 2, 1, 2};
        s.Slope = {1, 2.5, -0.37, 1000, 0.0001, 1, 1, 3.3333};
        s.Offset = {0, -1.25, 0.005, 12.5, 0, 0, 0, -0.00005};
        s.ChannelActive[5] = 0;  // requested, recorded as 0
        s.CalibrationMode[6] = true;
        s.Polynomial[6].PolyOrder = 3;
        s.Polynomial[6].PolyCoeff = {0.5, -1.2, 0.031, 0.0047};
    }));
    for (int c = 0; c < kChannelCount; ++c) {
        h.board().setSource(c, Source::scripted(script(c), false));
    }
    const QString dataPath = h.appFolder() + QStringLiteral("/Data Files/golden.csv");
    h.trigger(h.model().mnuPeakOn);
    ASSERT_TRUE(h.startRecording(dataPath));
    // The first two replies are bad: asked for again, they change nothing in the files.
    h.board().injectFault(Fault::WrongMarker);
    h.board().injectFault(Fault::ShortReply);
    toggleSampling(h);
    ASSERT_TRUE(waitForScans(h, kRowsCompared + 2));
    toggleSampling(h);
    ASSERT_TRUE(h.waitFor([&] { return QFile::exists(h.appFolder() + "/Logs/Peak.csv"); }));

    compareWithGolden(maskedDataFile(readAll(dataPath)), QStringLiteral("run.csv"));
    compareWithGolden(
        masked(readAll(h.appFolder() + QStringLiteral("/Logs/Peak.csv")), 6, 14, {1}, true),
        QStringLiteral("Peak.csv"));
    EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'|').toStdString();
}

}  // namespace
}  // namespace quorlin::test
